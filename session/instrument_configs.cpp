// Identity, sensors and the stored scan configurations.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "API.h"
#include "guard.h"
#include "instrument_internal.h"
#include "scan_record.h"
#include "velspec_scan.h"

namespace velscan {

namespace {

// What the instrument can scan, checked before a configuration is sent.
constexpr double kLowestNm = 900;
constexpr double kHighestNm = 1700;
constexpr int kMinWidth = 2, kMaxWidth = 20;  // the band widths the reference matrix covers
constexpr int kMaxPoints = 228;               // per section and in total
constexpr int kMaxAverage = 65535;
constexpr int kMaxExposureCode = 6;

std::string VersionText(uint32_t packed) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u", (packed >> 16) & 0xFFu, (packed >> 8) & 0xFFu,
                  packed & 0xFFu);
    return text;
}

ScanKind KindOf(uint8_t scan_type) {
    return scan_type == SCAN_TYPE_HADAMARD ? ScanKind::Hadamard : ScanKind::Column;
}

Configuration FromRecord(int slot, const void *decoded) {
    Configuration config;
    config.slot = slot;
    if (static_cast<const uint8_t *>(decoded)[0] == SCAN_TYPE_SLEW) {
        const slewScanCfg &cfg = *static_cast<const slewScanCfg *>(decoded);
        config.name = FieldString(cfg.config_name, sizeof cfg.config_name);
        config.average = cfg.num_repeats;
        const int count = std::min<int>(cfg.num_sections, SLEW_MAX_SECTIONS);
        for (int i = 0; i < count; ++i) {
            const slewScanSection &s = cfg.sections[i];
            config.sections.push_back({KindOf(s.section_scan_type), double(s.wavelength_start_nm),
                                       double(s.wavelength_end_nm), s.width_px, s.num_patterns,
                                       s.exposure_time});
        }
        config.kind = count == 1 ? config.sections[0].kind : ScanKind::MultiSection;
    } else {
        const scanCfg &cfg = *static_cast<const scanCfg *>(decoded);
        config.name = FieldString(cfg.config_name, sizeof cfg.config_name);
        config.average = cfg.num_repeats;
        config.kind = KindOf(cfg.scan_type);
        config.sections.push_back({config.kind, double(cfg.wavelength_start_nm),
                                   double(cfg.wavelength_end_nm), cfg.width_px, cfg.num_patterns, 0});
    }
    return config;
}

Status OutOfRange(const std::string &what, const std::string &value, const std::string &allowed) {
    return Status::Fail(kErrArgument, what + " " + value + " is out of range (" + allowed + ")");
}

std::string Num(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// The scannable wavelength range: 900 to 1700 nm, narrowed to what the
// instrument's calibration maps onto its columns.
Status ScannableRange(double &low, double &high) {
    calibCoeffSet coeffs{};
    const int32_t result = ZOR_GetCalibStruct(&coeffs);
    if (result != 0) {
        return CommandFailed("reading the wavelength calibration", result);
    }
    const double *c = coeffs.pixel_to_wavelength_coeffs;
    double a = c[0], b = c[0] + c[1] * DMD_MAX_COLUMN + c[2] * DMD_MAX_COLUMN * DMD_MAX_COLUMN;
    if (a > b) {
        std::swap(a, b);
    }
    low = std::max(kLowestNm, std::ceil(a));
    high = std::min(kHighestNm, std::floor(b));
    if (!(low < high)) {
        return Status::Fail(kErrInstrument,
                            "the instrument's wavelength calibration covers no part of 900 to 1700 nm");
    }
    return Status::Ok();
}

Status CheckRequest(const Configuration &request, double low, double high) {
    const std::string range = Num(low) + " to " + Num(high) + " nm";
    const bool multi = request.kind == ScanKind::MultiSection;
    const size_t most = multi ? SLEW_MAX_SECTIONS : 1;
    if (request.sections.empty() || request.sections.size() > most) {
        return OutOfRange("section count", std::to_string(request.sections.size()), multi ? "1 to 5" : "1");
    }
    if (request.average < 1 || request.average > kMaxAverage) {
        return OutOfRange("averaging", std::to_string(request.average), "1 to 65535");
    }
    if (request.name.size() >= CONFIG_NAME_LEN) {
        return OutOfRange("name of", std::to_string(request.name.size()) + " characters", "at most 39");
    }
    int total = 0;
    for (size_t i = 0; i < request.sections.size(); ++i) {
        const Section &s = request.sections[i];
        const std::string where = request.sections.size() > 1 ? "section " + std::to_string(i + 1) + " " : "";
        if (s.kind == ScanKind::MultiSection || (!multi && s.kind != request.kind)) {
            return Status::Fail(kErrArgument, where + "type must be column or hadamard");
        }
        if (!(s.start_nm >= low && s.start_nm <= high) || s.start_nm != std::floor(s.start_nm)) {
            return OutOfRange(where + "start", Num(s.start_nm) + " nm", "whole nm, " + range);
        }
        if (!(s.end_nm > s.start_nm && s.end_nm <= high) || s.end_nm != std::floor(s.end_nm)) {
            return OutOfRange(where + "end", Num(s.end_nm) + " nm",
                              "whole nm above the start, up to " + Num(high) + " nm");
        }
        if (s.width_px < kMinWidth || s.width_px > kMaxWidth) {
            return OutOfRange(where + "width", std::to_string(s.width_px), "2 to 20 columns");
        }
        const int fewest = s.kind == ScanKind::Hadamard ? 3 : 2;
        if (s.points < fewest || s.points > kMaxPoints) {
            return OutOfRange(where + "points", std::to_string(s.points), std::to_string(fewest) + " to 228");
        }
        if (s.exposure < 0 || s.exposure > kMaxExposureCode || (!multi && s.exposure != 0)) {
            return OutOfRange(where + "exposure code", std::to_string(s.exposure),
                              multi ? "0 to 6" : "0: only multi-section configurations choose it");
        }
        total += s.points;
    }
    if (total > kMaxPoints) {
        return OutOfRange("total points", std::to_string(total), "at most 228");
    }
    return Status::Ok();
}

void CopyName(char *field, size_t size, const std::string &text) {
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(size - 1, text.size()));
}

uint8_t TypeCode(ScanKind kind) { return kind == ScanKind::Hadamard ? SCAN_TYPE_HADAMARD : SCAN_TYPE_COLUMN; }

// The stored image: a scanCfg for column and Hadamard, a slewScanCfg for several sections.
Status EncodeRequest(const Configuration &request, int slot, const std::string &serial,
                     std::vector<uint8_t> &image) {
    scanCfg single{};
    slewScanCfg slew{};
    const void *record = nullptr;
    if (request.kind == ScanKind::MultiSection) {
        slew.scan_type = SCAN_TYPE_SLEW;
        slew.config_index = static_cast<uint16_t>(slot);
        std::memcpy(slew.serial_number, serial.data(), std::min(serial.size(), sizeof slew.serial_number));
        CopyName(slew.config_name, sizeof slew.config_name, request.name);
        slew.num_repeats = static_cast<uint16_t>(request.average);
        slew.num_sections = static_cast<uint8_t>(request.sections.size());
        for (size_t i = 0; i < request.sections.size(); ++i) {
            const Section &s = request.sections[i];
            slew.sections[i] = {TypeCode(s.kind),
                                static_cast<uint8_t>(s.width_px),
                                static_cast<uint16_t>(s.start_nm),
                                static_cast<uint16_t>(s.end_nm),
                                static_cast<uint16_t>(s.points),
                                static_cast<uint16_t>(s.exposure)};
        }
        record = &slew;
    } else {
        const Section &s = request.sections[0];
        single.scan_type = TypeCode(request.kind);
        single.config_index = static_cast<uint16_t>(slot);
        std::memcpy(single.serial_number, serial.data(),
                    std::min(serial.size(), sizeof single.serial_number));
        CopyName(single.config_name, sizeof single.config_name, request.name);
        single.wavelength_start_nm = static_cast<uint16_t>(s.start_nm);
        single.wavelength_end_nm = static_cast<uint16_t>(s.end_nm);
        single.width_px = static_cast<uint8_t>(s.width_px);
        single.num_patterns = static_cast<uint16_t>(s.points);
        single.num_repeats = static_cast<uint16_t>(request.average);
        record = &single;
    }
    size_t size = 0;
    int32_t result = velspec_get_scan_config_dump_size(record, &size);
    if (result == VELSPEC_OK) {
        image.assign(size, 0);
        result = velspec_scan_write_configuration(record, image.data(), image.size());
    }
    if (result != VELSPEC_OK) {
        return SpectralFailed("encoding the configuration", result);
    }
    if (image.size() > ZOR_SAVE_CFG_IMAGE_MAX) {
        return Status::Fail(kErrArgument,
                            "this configuration's stored form is " + std::to_string(image.size()) +
                                " bytes; the instrument's save command takes at most " +
                                std::to_string(ZOR_SAVE_CFG_IMAGE_MAX) +
                                " (multi-section configurations cannot be stored from the host)");
    }
    return Status::Ok();
}

}  // namespace

Status ReadConfiguration(int slot, Configuration &out) {
    std::vector<uint8_t> buffer(ZOR_SCAN_CFG_IMAGE_MAX + sizeof(slewScanCfg), 0);
    uint32_t length = 0;
    const int32_t result = ZOR_GetScanCfg(static_cast<uint8_t>(slot), buffer.data(), &length);
    if (result < 0) {
        return CommandFailed("reading configuration " + std::to_string(slot), result);
    }
    const int32_t decoded = velspec_scan_read_configuration(buffer.data(), length);
    if (decoded != VELSPEC_OK) {
        return SpectralFailed("decoding configuration " + std::to_string(slot), decoded);
    }
    out = FromRecord(slot, buffer.data());
    return Status::Ok();
}

Status StoredCount(int &count) {
    const int32_t result = ZOR_GetNumScanCfg();
    if (result < 0) {
        return CommandFailed("reading the number of stored configurations", result);
    }
    count = result;
    return Status::Ok();
}

Status ReadStoredConfiguration(int slot, Configuration &out) {
    int count = 0;
    Status status = StoredCount(count);
    if (!status) {
        return status;
    }
    if (slot < 0 || slot >= count) {
        return OutOfRange("configuration slot", std::to_string(slot),
                          count == 0 ? "none is stored" : "0 to " + std::to_string(count - 1));
    }
    return ReadConfiguration(slot, out);
}

Status Instrument::Configurations(std::vector<Configuration> &out) {
    return Guarded([&]() -> Status {
        DeviceAccess access(*state_);
        if (!access.status()) {
            return access.status();
        }
        int count = 0;
        Status status = StoredCount(count);
        if (!status) {
            return status;
        }
        std::vector<Configuration> configs;
        for (int slot = 0; slot < count; ++slot) {
            Configuration config;
            status = ReadConfiguration(slot, config);
            if (!status) {
                return status;
            }
            configs.push_back(std::move(config));
        }
        out = std::move(configs);
        return Status::Ok();
    });
}

Status Instrument::GetConfiguration(int slot, Configuration &out) {
    return Guarded([&]() -> Status {
        DeviceAccess access(*state_);
        if (!access.status()) {
            return access.status();
        }
        return ReadStoredConfiguration(slot, out);
    });
}

Status Instrument::AddConfiguration(const Configuration &request, Configuration &stored) {
    return Guarded([&]() -> Status {
        DeviceAccess access(*state_);
        if (!access.status()) {
            return access.status();
        }
        double low = 0, high = 0;
        Status status = ScannableRange(low, high);
        if (!status) {
            return status;
        }
        status = CheckRequest(request, low, high);
        if (!status) {
            return status;
        }
        int count = 0;
        status = StoredCount(count);
        if (!status) {
            return status;
        }
        // Slots are filled without gaps: an existing one is replaced, or the next free one taken.
        const int slot = request.slot < 0 ? count : request.slot;
        if (slot > count || slot > 255) {
            return OutOfRange("configuration slot", std::to_string(slot), "0 to " + std::to_string(count));
        }
        std::vector<uint8_t> image;
        status = EncodeRequest(request, slot, state_->serial, image);
        if (!status) {
            return status;
        }
        const int32_t saved = ZOR_SaveScanCfgInDevice(static_cast<uint8_t>(slot), image.data(),
                                                      static_cast<uint32_t>(image.size()));
        if (saved < 0) {
            return CommandFailed("storing the configuration in slot " + std::to_string(slot), saved);
        }
        return ReadConfiguration(slot, stored);
    });
}

Status Instrument::EraseConfigurations() {
    return Guarded([&]() -> Status {
        DeviceAccess access(*state_);
        if (!access.status()) {
            return access.status();
        }
        const int32_t result = ZOR_EraseAllScanCfg();
        return result < 0 ? CommandFailed("erasing the stored configurations", result) : Status::Ok();
    });
}

Status Instrument::Info(InstrumentInfo &out) {
    return Guarded([&]() -> Status {
        InstrumentInfo info;
        {
            DeviceAccess access(*state_);
            if (!access.status()) {
                return access.status();
            }
            char serial[9] = {}, model[17] = {}, manufacturing[21] = {}, hw_text[9] = {};
            uint32_t hw_first = 0, hw_second = 0, versions[7] = {};
            int32_t r = ZOR_GetSerialNumber(serial);
            if (r < 0) return CommandFailed("reading the serial number", r);
            r = ZOR_ReadModelName(model);
            if (r < 0) return CommandFailed("reading the model name", r);
            r = ZOR_GetManufacturingSerNum(manufacturing);
            if (r < 0) return CommandFailed("reading the manufacturing serial number", r);
            r = ZOR_ReadHWVersion(hw_text, &hw_first, &hw_second);
            if (r < 0) return CommandFailed("reading the hardware version", r);
            r = ZOR_GetVersion(&versions[0], &versions[1], &versions[2], &versions[3], &versions[4],
                               &versions[5], &versions[6]);
            if (r < 0) return CommandFailed("reading the firmware version", r);
            // As the device API does: the controller is switched off before
            // the flash ID is read.
            (void)ZOR_VELCEnable(0, 0);
            uint8_t uid[8] = {};
            r = ZOR_GetFlashUniqueID(uid);
            if (r < 0) return CommandFailed("reading the flash unique ID", r);
            uint32_t volts = 0, percent = 0, charging = 0, humidity = 0, temperature = 0;
            r = ZOR_ReadBattVolt(&volts, &percent, &charging);
            if (r < 0) return CommandFailed("reading the battery", r);
            r = ZOR_ReadHum(&humidity, &temperature);
            if (r < 0) return CommandFailed("reading temperature and humidity", r);
            uint64_t lamp_ms = 0;
            r = ZOR_ReadLampUsage(&lamp_ms);
            if (r < 0) return CommandFailed("reading the lamp usage", r);

            info.serial = FieldString(serial, 8);
            info.model = FieldString(model, 16);
            info.manufacturing_serial = FieldString(manufacturing, 20);
            info.hardware_version =
                FieldString(hw_text, 8) + " " + std::to_string(hw_first) + "." + std::to_string(hw_second);
            info.firmware_version = VersionText(versions[0]);
            char uid_text[24];
            std::snprintf(uid_text, sizeof uid_text, "%02X:%02X:%02X:%02X:%02X:%02X:%02X:%02X", uid[0],
                          uid[1], uid[2], uid[3], uid[4], uid[5], uid[6], uid[7]);
            info.flash_unique_id = uid_text;
            info.battery_volts = volts / 100.0;
            info.battery_percent = percent / 100.0;
            info.temperature_c = static_cast<int32_t>(temperature) / 100.0;
            info.humidity_percent = humidity / 100.0;
            info.lamp_hours = static_cast<double>(lamp_ms) / 3.6e6;
        }
        Status status = Configurations(info.configurations);
        if (!status) {
            return status;
        }
        out = std::move(info);
        return Status::Ok();
    });
}

}  // namespace velscan
