#include "scripted_device.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "usb.h"
#include "velspec_helper.h"
#include "velspec_scan.h"

namespace api_test {

namespace {

constexpr size_t kPieceMax = 576;
constexpr uint8_t kReadFlags = 0xC0;

Bytes u32(uint32_t v)
{
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

void append(Bytes &to, const Bytes &more)
{
    to.insert(to.end(), more.begin(), more.end());
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

void ScriptedDevice::fail(uint16_t code, Failure failure, int occurrence)
{
    failures_[code][occurrence] = failure;
}

std::vector<uint16_t> ScriptedDevice::codes() const
{
    std::vector<uint16_t> out;
    for (const SentCommand &command : sent_)
        out.push_back(command.code);
    return out;
}

void ScriptedDevice::answer(const Bytes &report)
{
    // Report: ID, flags, sequence, 16-bit length, 16-bit code, data. Every
    // command the API sends fits one report.
    const bool isRead = report[1] == kReadFlags;
    const size_t length = report[3] | (report[4] << 8);
    const uint16_t code = static_cast<uint16_t>(report[5] | (report[6] << 8));
    const size_t dataLength = length >= 2 ? length - 2 : 0;
    Bytes data(report.begin() + 7, report.begin() + 7 + static_cast<long>(dataLength));
    sent_.push_back({code, data});

    const int occurrence = seen_[code]++;
    auto byCode = failures_.find(code);
    if (byCode != failures_.end()) {
        auto hit = byCode->second.find(occurrence);
        if (hit != byCode->second.end()) {
            switch (hit->second) {
            case Failure::Status3: hid.queueReply({}, 3); return;
            case Failure::Timeout: hid.queueTimeout(); return;
            case Failure::PositiveAck: hid.queueAck(7); return;
            }
        }
    }
    answerNormally(code, isRead, data);
}

void ScriptedDevice::answerNormally(uint16_t code, bool isRead, const Bytes &data)
{
    switch (code) {
    case kGetNumScanCfg: hid.queueReply({numConfigs}); return;
    case kGetEstimatedScanTime: hid.queueReply(u32(static_cast<uint32_t>(estimatedScanMs))); return;
    case kGetScanCfg: {
        const uint32_t stated = configLengthOverride >= 0 ? static_cast<uint32_t>(configLengthOverride)
                                                          : static_cast<uint32_t>(configImage.size());
        Bytes payload = u32(stated);
        append(payload, configImage);
        hid.queueReply(payload);
        return;
    }
    case kGetFileSizeToRead: {
        const uint32_t type = data[0] | (data[1] << 8) | (data[2] << 16) | (uint32_t{data[3]} << 24);
        currentFile_ = files.count(type) ? files[type] : Bytes{};
        fileOffset_ = 0;
        const int64_t stated = sizeOverride.count(type) ? sizeOverride[type]
                                                         : static_cast<int64_t>(currentFile_.size());
        hid.queueReply(u32(static_cast<uint32_t>(stated)));
        return;
    }
    case kGetFileData: {
        if (fileOffset_ >= currentFile_.size()) {
            hid.queueReply({}, 1);  // nothing left to deliver
            return;
        }
        const size_t n = std::min(kPieceMax, currentFile_.size() - fileOffset_);
        hid.queueReply(Bytes(currentFile_.begin() + static_cast<long>(fileOffset_),
                             currentFile_.begin() + static_cast<long>(fileOffset_ + n)));
        fileOffset_ += n;
        return;
    }
    case kGetPGAGain: hid.queueReply({gain}); return;
    case kButtonTestRd: hid.queueReply({button}); return;
    case kGetFlashUniqueID: hid.queueReply(Bytes(uuid, uuid + 8)); return;
    case kReadDeviceStatus: hid.queueReply(u32(statusWord)); return;
    case kReadHum: {
        Bytes payload = u32(temperature);
        append(payload, u32(humidity));
        hid.queueReply(payload);
        return;
    }
    case kReadBattVolt: {
        Bytes payload = u32(batteryVolt);
        append(payload, u32(batteryPercent));
        append(payload, u32(batteryThird));
        hid.queueReply(payload);
        return;
    }
    default:
        if (isRead)
            hid.queueReply({}, 1);  // a read this model doesn't know
        else
            hid.queueEmptyAck();
        return;
    }
}

namespace {

// Calibration that maps 900 nm to column 50 and 1700 nm to column 850.
void setCalibration(calibCoeffSet &coeffs)
{
    coeffs.pixel_to_wavelength_coeffs[0] = 850.0;
    coeffs.pixel_to_wavelength_coeffs[1] = 1.0;
    coeffs.pixel_to_wavelength_coeffs[2] = 0.0;
}

} // namespace

Bytes columnScanImage(int points, int16_t temperature, uint16_t humidity)
{
    auto record = std::make_unique<uScanData>();
    std::memset(record.get(), 0, sizeof(uScanData));
    scanData &scan = record->data;
    scan.header_version = 1;
    std::strncpy(scan.scan_name, "column", sizeof scan.scan_name);
    scan.system_temp_hundredths = temperature;
    scan.humidity_hundredths = humidity;
    setCalibration(scan.calibration_coeffs);
    std::memcpy(scan.serial_number, "VS000001", 8);
    // The readings plus one dark reading in front, worth 100.
    scan.adc_data_length = static_cast<uint16_t>(points + 1);
    scan.black_pattern_first = 0;
    scan.black_pattern_period = 255;
    scan.pga_gain = 1;
    scan.scan_type = 0;
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
    size_t size = 0;
    if (velspec_get_scan_data_dump_size(record.get(), &size) != VELSPEC_OK)
        return {};
    Bytes image(size);
    if (velspec_scan_write_data(record.get(), image.data(), image.size()) != VELSPEC_OK)
        return {};
    return image;
}

Bytes referenceMatrixImage()
{
    auto matrix = std::make_unique<refMatrix>();
    std::memset(matrix.get(), 0, sizeof(refMatrix));
    for (int w = 0; w < REF_MATRIX_WIDTHS; ++w)
        matrix->widths[w] = static_cast<uint8_t>(2 + w);
    for (int j = 0; j < REF_MATRIX_WAVELENGTHS; ++j)
        matrix->wavelengths[j] = 880.0 + 18.0 * j;
    for (int w = 0; w < REF_MATRIX_WIDTHS; ++w)
        for (int j = 0; j < REF_MATRIX_WAVELENGTHS; ++j)
            matrix->ref_intensities[w][j] = static_cast<uint16_t>(1000 * (w + 2));
    size_t size = 0;
    if (velspec_get_serialize_dump_size(matrix.get(), &size, REC_REF_MATRIX) != VELSPEC_OK)
        return {};
    Bytes image(size);
    if (velspec_calib_write_ref_matrix(matrix.get(), image.data(), image.size()) != VELSPEC_OK)
        return {};
    return image;
}

Bytes singleSectionConfigImage(const char *serial)
{
    scanCfg cfg;
    std::memset(&cfg, 0, sizeof cfg);
    cfg.scan_type = 0;
    std::memcpy(cfg.serial_number, serial, std::min(std::strlen(serial), sizeof cfg.serial_number));
    std::strncpy(cfg.config_name, "Column 228", sizeof cfg.config_name);
    cfg.wavelength_start_nm = 900;
    cfg.wavelength_end_nm = 1700;
    cfg.width_px = 6;
    cfg.num_patterns = 228;
    cfg.num_repeats = 1;
    Bytes image(512);
    size_t size = 0;
    if (velspec_get_scan_config_dump_size(&cfg, &size) != VELSPEC_OK ||
        velspec_scan_write_configuration(&cfg, image.data(), image.size()) != VELSPEC_OK)
        return {};
    image.resize(size);
    return image;
}

Bytes multiSectionConfigImage(const char *serial)
{
    slewScanCfg cfg;
    std::memset(&cfg, 0, sizeof cfg);
    cfg.scan_type = 2;
    std::memcpy(cfg.serial_number, serial, std::min(std::strlen(serial), sizeof cfg.serial_number));
    std::strncpy(cfg.config_name, "Two sections", sizeof cfg.config_name);
    cfg.num_repeats = 1;
    cfg.num_sections = 2;
    cfg.sections[0] = {0, 6, 950, 1300, 100, 0};
    cfg.sections[1] = {1, 8, 1300, 1650, 100, 0};
    Bytes image(512);
    size_t size = 0;
    if (velspec_get_scan_config_dump_size(&cfg, &size) != VELSPEC_OK ||
        velspec_scan_write_configuration(&cfg, image.data(), image.size()) != VELSPEC_OK)
        return {};
    image.resize(size);
    return image;
}

} // namespace api_test
