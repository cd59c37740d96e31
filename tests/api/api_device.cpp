#include "api_device.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "diag.h"
#include "usb.h"
#include "velspec_helper.h"
#include "velspec_scan.h"

namespace api_test {

namespace {

// The API's debug lines are checked as the menu shows them, on standard output.
const bool stdio_sink = (velscan::diag::SetSink(velscan::diag::StdioSink, nullptr), true);

constexpr size_t kPieceMax = 576;

// Little-endian 32-bit words, one after another.
Bytes u32s(std::initializer_list<uint32_t> words) {
    Bytes out;
    for (uint32_t v : words)
        for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
    return out;
}

}  // namespace

ApiDevice::ApiDevice() {
    using velscan_test::FakeHid;
    hid.addDevice();
    USB_Enumerate();
    USB_Open(0);
    hid.clearRecords();
    const auto reply = [](auto value) {
        return [value](FakeHid &h, const Bytes &) { h.queueReply(value()); };
    };
    hid.answer(kGetNumScanCfg, reply([this] { return Bytes{numConfigs}; }));
    hid.answer(kGetEstimatedScanTime,
               reply([this] { return u32s({static_cast<uint32_t>(estimatedScanMs)}); }));
    hid.answer(kGetScanCfg, reply([this] {
                   Bytes payload = u32s({static_cast<uint32_t>(configImage.size())});
                   payload.insert(payload.end(), configImage.begin(), configImage.end());
                   return payload;
               }));
    hid.answer(kGetFileSizeToRead, [this](FakeHid &h, const Bytes &data) {
        const uint32_t type = data[0] | (data[1] << 8) | (data[2] << 16) | (uint32_t{data[3]} << 24);
        currentFile_ = files.count(type) ? files[type] : Bytes{};
        fileOffset_ = 0;
        const int64_t stated =
            sizeOverride.count(type) ? sizeOverride[type] : static_cast<int64_t>(currentFile_.size());
        h.queueReply(u32s({static_cast<uint32_t>(stated)}));
    });
    hid.answer(kGetFileData, [this](FakeHid &h, const Bytes &) {
        if (fileOffset_ >= currentFile_.size()) return h.queueReply({}, 1);  // nothing left to deliver
        const size_t n = std::min(kPieceMax, currentFile_.size() - fileOffset_);
        const auto from = currentFile_.begin() + static_cast<long>(fileOffset_);
        h.queueReply(Bytes(from, from + static_cast<long>(n)));
        fileOffset_ += n;
    });
    hid.answer(kGetPGAGain, reply([this] { return Bytes{gain}; }));
    hid.answer(kButtonTestRd, reply([this] { return Bytes{button}; }));
    hid.answer(kGetFlashUniqueID, reply([this] { return Bytes(uuid, uuid + 8); }));
    hid.answer(kReadDeviceStatus, reply([this] { return u32s({statusWord}); }));
    hid.answer(kReadHum, reply([this] { return u32s({temperature, humidity}); }));
    hid.answer(kReadBattVolt, reply([this] { return u32s({batteryVolt, batteryPercent, batteryThird}); }));
}

void ApiDevice::fail(uint16_t code, Failure failure, int occurrence) {
    hid.answerOnce(code, occurrence, [failure](velscan_test::FakeHid &h, const Bytes &) {
        switch (failure) {
            case Failure::Status3:
                return h.queueReply({}, 3);
            case Failure::Timeout:
                return h.queueTimeout();
            case Failure::PositiveAck:
                return h.queueAck(7);
        }
    });
}

namespace {

// Runs the library's size query, then its writer into a buffer of at least
// `room` bytes, and keeps the stated size.
template <typename SizeOf, typename Write>
Bytes encode(SizeOf sizeOf, Write write, size_t room = 0) {
    size_t size = 0;
    if (sizeOf(&size) != VELSPEC_OK) return {};
    Bytes image(std::max(size, room));
    if (write(image.data(), image.size()) != VELSPEC_OK) return {};
    image.resize(size);
    return image;
}

Bytes configImage(const void *cfg) {
    return encode([&](size_t *size) { return velspec_get_scan_config_dump_size(cfg, size); },
                  [&](void *to, size_t n) { return velspec_scan_write_configuration(cfg, to, n); }, 512);
}

template <typename Cfg>
void identify(Cfg &cfg, int scanType, const char *serial, const char *configName) {
    cfg.scan_type = static_cast<uint8_t>(scanType);
    std::memcpy(cfg.serial_number, serial, std::min(std::strlen(serial), sizeof cfg.serial_number));
    std::strncpy(cfg.config_name, configName, sizeof cfg.config_name);
    cfg.num_repeats = 1;
}

}  // namespace

Bytes columnScanImage(int points, int16_t temperature, uint16_t humidity) {
    auto record = std::make_unique<uScanData>();
    scanData &scan = record->data;
    scan.header_version = 1;
    std::strncpy(scan.scan_name, "column", sizeof scan.scan_name);
    scan.system_temp_hundredths = temperature;
    scan.humidity_hundredths = humidity;
    // Calibration that maps column c to 850 + c nm.
    scan.calibration_coeffs.pixel_to_wavelength_coeffs[0] = 850.0;
    scan.calibration_coeffs.pixel_to_wavelength_coeffs[1] = 1.0;
    std::memcpy(scan.serial_number, "VS000001", 8);
    // The readings plus one dark reading in front, worth 100.
    scan.adc_data_length = static_cast<uint16_t>(points + 1);
    scan.black_pattern_period = 255;
    scan.pga_gain = 1;
    std::memcpy(scan.cfg_serial_number, "VS000001", 8);
    std::strncpy(scan.config_name, "Column 228", sizeof scan.config_name);
    scan.wavelength_start_nm = 900;
    scan.wavelength_end_nm = 1700;
    scan.width_px = 6;
    scan.num_patterns = static_cast<uint16_t>(points);
    scan.num_repeats = 1;
    scan.adc_data[0] = 100;
    for (int i = 1; i <= points; ++i)
        scan.adc_data[i] = 1100 + i;  // point i-1 reads 1000 + i after dark removal
    return encode([&](size_t *size) { return velspec_get_scan_data_dump_size(record.get(), size); },
                  [&](void *to, size_t n) { return velspec_scan_write_data(record.get(), to, n); });
}

Bytes referenceMatrixImage() {
    auto matrix = std::make_unique<refMatrix>();
    for (int w = 0; w < REF_MATRIX_WIDTHS; ++w) {
        matrix->widths[w] = static_cast<uint8_t>(2 + w);
        for (int j = 0; j < REF_MATRIX_WAVELENGTHS; ++j) {
            matrix->wavelengths[j] = 880.0 + 18.0 * j;
            matrix->ref_intensities[w][j] = static_cast<uint16_t>(1000 * (w + 2));
        }
    }
    return encode(
        [&](size_t *size) { return velspec_get_serialize_dump_size(matrix.get(), size, REC_REF_MATRIX); },
        [&](void *to, size_t n) { return velspec_calib_write_ref_matrix(matrix.get(), to, n); });
}

Bytes singleSectionConfigImage(const char *serial) {
    scanCfg cfg{};
    identify(cfg, 0, serial, "Column 228");
    cfg.wavelength_start_nm = 900;
    cfg.wavelength_end_nm = 1700;
    cfg.width_px = 6;
    cfg.num_patterns = 228;
    return configImage(&cfg);
}

Bytes multiSectionConfigImage(const char *serial) {
    slewScanCfg cfg{};
    identify(cfg, 2, serial, "Two sections");
    cfg.num_sections = 2;
    cfg.sections[0] = {0, 6, 950, 1300, 100, 0};
    cfg.sections[1] = {1, 8, 1300, 1650, 100, 0};
    return configImage(&cfg);
}

}  // namespace api_test
