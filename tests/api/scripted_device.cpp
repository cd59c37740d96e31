#include "scripted_device.h"

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
constexpr uint8_t kReadFlags = 0xC0;

// Little-endian 32-bit words, one after another.
Bytes u32s(std::initializer_list<uint32_t> words)
{
    Bytes out;
    for (uint32_t v : words)
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(static_cast<uint8_t>(v >> shift));
    return out;
}

} // namespace

ScriptedDevice::ScriptedDevice()
{
    hid.addDevice();
    USB_Enumerate();
    USB_Open(0);
    hid.onWrite = [this](const Bytes &report) { answer(report); };
    hid.clearRecords();
}

void ScriptedDevice::answer(const Bytes &report)
{
    // Report: ID, flags, sequence, 16-bit length, 16-bit code, data. Every
    // command the API sends fits one report.
    const bool isRead = report[1] == kReadFlags;
    const size_t length = report[3] | (report[4] << 8);
    const uint16_t code = static_cast<uint16_t>(report[5] | (report[6] << 8));
    Bytes data(report.begin() + 7, report.begin() + 7 + static_cast<long>(length >= 2 ? length - 2 : 0));
    sent_.push_back({code, data});
    codes_.push_back(code);

    const auto failure = failures_.find({code, seen_[code]++});
    if (failure == failures_.end())
        return answerNormally(code, isRead, data);
    switch (failure->second) {
    case Failure::Status3: hid.queueReply({}, 3); return;
    case Failure::Timeout: hid.queueTimeout(); return;
    case Failure::PositiveAck: hid.queueAck(7); return;
    }
}

void ScriptedDevice::answerNormally(uint16_t code, bool isRead, const Bytes &data)
{
    switch (code) {
    case kGetNumScanCfg: hid.queueReply({numConfigs}); return;
    case kGetEstimatedScanTime: hid.queueReply(u32s({static_cast<uint32_t>(estimatedScanMs)})); return;
    case kGetScanCfg: {
        Bytes payload = u32s({static_cast<uint32_t>(configImage.size())});
        payload.insert(payload.end(), configImage.begin(), configImage.end());
        hid.queueReply(payload);
        return;
    }
    case kGetFileSizeToRead: {
        const uint32_t type = data[0] | (data[1] << 8) | (data[2] << 16) | (uint32_t{data[3]} << 24);
        currentFile_ = files.count(type) ? files[type] : Bytes{};
        fileOffset_ = 0;
        const int64_t stated = sizeOverride.count(type) ? sizeOverride[type]
                                                         : static_cast<int64_t>(currentFile_.size());
        hid.queueReply(u32s({static_cast<uint32_t>(stated)}));
        return;
    }
    case kGetFileData: {
        if (fileOffset_ >= currentFile_.size())
            return hid.queueReply({}, 1);  // nothing left to deliver
        const size_t n = std::min(kPieceMax, currentFile_.size() - fileOffset_);
        const auto from = currentFile_.begin() + static_cast<long>(fileOffset_);
        hid.queueReply(Bytes(from, from + static_cast<long>(n)));
        fileOffset_ += n;
        return;
    }
    case kGetPGAGain: hid.queueReply({gain}); return;
    case kButtonTestRd: hid.queueReply({button}); return;
    case kGetFlashUniqueID: hid.queueReply(Bytes(uuid, uuid + 8)); return;
    case kReadDeviceStatus: hid.queueReply(u32s({statusWord})); return;
    case kReadHum: hid.queueReply(u32s({temperature, humidity})); return;
    case kReadBattVolt: hid.queueReply(u32s({batteryVolt, batteryPercent, batteryThird})); return;
    default: isRead ? hid.queueReply({}, 1) : hid.queueEmptyAck();  // a read this model doesn't know
    }
}

namespace {

// Runs the library's size query, then its writer into a buffer of at least
// `room` bytes, and keeps the stated size.
template <typename SizeOf, typename Write>
Bytes encode(SizeOf sizeOf, Write write, size_t room = 0)
{
    size_t size = 0;
    if (sizeOf(&size) != VELSPEC_OK)
        return {};
    Bytes image(std::max(size, room));
    if (write(image.data(), image.size()) != VELSPEC_OK)
        return {};
    image.resize(size);
    return image;
}

Bytes configImage(const void *cfg)
{
    return encode([&](size_t *size) { return velspec_get_scan_config_dump_size(cfg, size); },
                  [&](void *to, size_t n) { return velspec_scan_write_configuration(cfg, to, n); }, 512);
}

template <typename Cfg>
void identify(Cfg &cfg, int scanType, const char *serial, const char *configName)
{
    cfg.scan_type = static_cast<uint8_t>(scanType);
    std::memcpy(cfg.serial_number, serial, std::min(std::strlen(serial), sizeof cfg.serial_number));
    std::strncpy(cfg.config_name, configName, sizeof cfg.config_name);
    cfg.num_repeats = 1;
}

} // namespace

Bytes columnScanImage(int points, int16_t temperature, uint16_t humidity)
{
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

Bytes referenceMatrixImage()
{
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

Bytes singleSectionConfigImage(const char *serial)
{
    scanCfg cfg{};
    identify(cfg, 0, serial, "Column 228");
    cfg.wavelength_start_nm = 900;
    cfg.wavelength_end_nm = 1700;
    cfg.width_px = 6;
    cfg.num_patterns = 228;
    return configImage(&cfg);
}

Bytes multiSectionConfigImage(const char *serial)
{
    slewScanCfg cfg{};
    identify(cfg, 2, serial, "Two sections");
    cfg.num_sections = 2;
    cfg.sections[0] = {0, 6, 950, 1300, 100, 0};
    cfg.sections[1] = {1, 8, 1300, 1650, 100, 0};
    return configImage(&cfg);
}

} // namespace api_test
