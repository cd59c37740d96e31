// The device the API tests talk to: the scripted fake, opened, answering
// each command from the fields below, with failures set per exchange; and the
// images it hands out, built with the spectral library's encoders.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "diag.h"
#include "fake_clock.h"
#include "fake_hid.h"
#include "usb.h"
#include "velspec_helper.h"
#include "velspec_records.h"
#include "velspec_scan.h"

namespace api_test {

using velscan_test::Bytes;
using SentCommand = velscan_test::FakeHid::Command;

// Codes of the commands the API sends.
constexpr uint16_t kGetFileSizeToRead = 0x002d, kGetFileData = 0x002e, kVELCEnable = 0x0105, kTestBT = 0x0108,
                   kButtonTestRd = 0x010c, kButtonTestWr = 0x010d, kPerformScan = 0x0218,
                   kGetScanCfg = 0x0220, kGetNumScanCfg = 0x0222, kSetActiveScanIndex = 0x0224,
                   kSetScanControlsVELCOnOff = 0x0225, kGetPGAGain = 0x0228, kSetScanNumRepeats = 0x022e,
                   kGetEstimatedScanTime = 0x0237, kReadHum = 0x0302, kReadBattVolt = 0x030a,
                   kGetFlashUniqueID = 0x03ff, kReadDeviceStatus = 0x0403, kSetFixedPGAGain = 0x040c;

// How one exchange goes wrong (if at all): status bits 3 (the command returns -2), no
// reply (-5), or an acknowledgement carrying the value 7.
enum class Failure { None, Status3, Timeout, PositiveAck };

// Little-endian 32-bit words, one after another.
inline Bytes U32s(std::initializer_list<uint32_t> words) {
    Bytes out;
    for (uint32_t v : words)
        for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
    return out;
}

struct ApiDevice {
    ApiDevice() {
        // The API's debug lines are checked as the menu shows them, on standard output.
        velscan::diag::SetSink(velscan::diag::StdioSink, nullptr);
        EXPECT_TRUE(hid.OpenOne());
        hid.ClearRecords();
        hid.on_command = [this](const SentCommand &command) { Answer(command); };
    }
    // Make the n-th (0-based) exchange with `code` fail.
    void Fail(uint16_t code, Failure failure, int occurrence = 0) { failures_[{code, occurrence}] = failure; }
    std::vector<SentCommand> Sent() const { return hid.commands(); }
    std::vector<uint16_t> Codes() const {
        std::vector<uint16_t> codes;
        for (const SentCommand &command : Sent()) codes.push_back(command.code);
        return codes;
    }

    // Device state the answers are made of.
    uint8_t num_configs = 1;
    Bytes config_image;
    uint32_t estimated_scan_ms = 1500;
    std::map<uint32_t, Bytes> files;  // by file type
    uint32_t stated_extra = 0;        // added to each file size the device states
    uint8_t gain = 4, button = 0;
    uint8_t uuid[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};

    velscan_test::FakeHid hid;
    velscan_test::FakeClock clock;

private:
    void Answer(const SentCommand &command) {
        const auto failure = failures_.find({command.code, seen_[command.code]++});
        if (failure != failures_.end()) {
            if (failure->second == Failure::Timeout) return hid.QueueTimeout();
            return failure->second == Failure::Status3 ? hid.QueueReply({}, 3) : hid.QueueAck(7);
        }
        const uint16_t code = command.code;
        if (code == kGetNumScanCfg) return hid.QueueReply({num_configs});
        if (code == kGetEstimatedScanTime) return hid.QueueReply(U32s({estimated_scan_ms}));
        if (code == kGetPGAGain) return hid.QueueReply({gain});
        if (code == kButtonTestRd) return hid.QueueReply({button});
        if (code == kGetFlashUniqueID) return hid.QueueReply(Bytes(uuid, uuid + 8));
        if (code == kReadDeviceStatus) return hid.QueueReply(U32s({0x11}));
        if (code == kReadHum) return hid.QueueReply(U32s({2533, 4512}));  // temperature, humidity
        if (code == kReadBattVolt) return hid.QueueReply(U32s({391, 8700, 5}));
        if (code == kGetScanCfg) {
            Bytes payload = U32s({static_cast<uint32_t>(config_image.size())});
            payload.insert(payload.end(), config_image.begin(), config_image.end());
            return hid.QueueReply(payload);
        }
        if (code == kGetFileSizeToRead) {
            file_ = files[command.data[0]];
            file_offset_ = 0;
            return hid.QueueReply(U32s({static_cast<uint32_t>(file_.size()) + stated_extra}));
        }
        if (code != kGetFileData) return hid.QueueReply({});             // an empty acknowledgement
        if (file_offset_ >= file_.size()) return hid.QueueReply({}, 1);  // nothing left to deliver
        const size_t n = std::min<size_t>(576, file_.size() - file_offset_);
        const auto from = file_.begin() + static_cast<long>(file_offset_);
        file_offset_ += n;
        hid.QueueReply(Bytes(from, from + static_cast<long>(n)));
    }
    std::map<std::pair<uint16_t, int>, Failure> failures_;  // by code and occurrence
    std::map<uint16_t, int> seen_;                          // exchanges so far, by code
    Bytes file_;
    size_t file_offset_ = 0;
};

// Runs `call` with standard output captured: its result and what it printed.
template <typename Call>
std::pair<int32_t, std::string> Captured(Call call) {
    testing::internal::CaptureStdout();
    const int32_t status = call();
    return {status, testing::internal::GetCapturedStdout()};
}

// Runs the library's size query, then its writer into a buffer of at least
// `room` bytes, and keeps the stated size.
template <typename SizeOf, typename Write>
Bytes Encode(SizeOf size_of, Write write, size_t room = 0) {
    size_t size = 0;
    if (size_of(&size) != VELSPEC_OK) return {};
    Bytes image(std::max(size, room));
    if (write(image.data(), image.size()) != VELSPEC_OK) return {};
    image.resize(size);
    return image;
}

// A column scan of `points` points 900 to 1700 nm; point i reads 1001 + i.
inline Bytes ColumnScanImage(int points = 228, int16_t temperature = 2650, uint16_t humidity = 3140) {
    auto record = std::make_unique<uScanData>();
    scanData &scan = record->data;
    scan.header_version = 1;
    scan.system_temp_hundredths = temperature;
    scan.humidity_hundredths = humidity;
    // Calibration that maps column c to 850 + c nm.
    scan.calibration_coeffs.pixel_to_wavelength_coeffs[0] = 850.0;
    scan.calibration_coeffs.pixel_to_wavelength_coeffs[1] = 1.0;
    scan.wavelength_start_nm = 900;
    scan.wavelength_end_nm = 1700;
    scan.num_patterns = static_cast<uint16_t>(points);
    scan.black_pattern_period = 255;
    // The readings after one dark reading worth 100: point i-1 reads 1000 + i.
    scan.adc_data_length = static_cast<uint16_t>(points + 1);
    scan.adc_data[0] = 100;
    for (int i = 1; i <= points; ++i) scan.adc_data[i] = 1100 + i;
    return Encode([&](size_t *size) { return velspec_get_scan_data_dump_size(record.get(), size); },
                  [&](void *to, size_t n) { return velspec_scan_write_data(record.get(), to, n); });
}

inline Bytes ReferenceMatrixImage() {
    auto matrix = std::make_unique<refMatrix>();
    for (int w = 0; w < REF_MATRIX_WIDTHS; ++w) {
        matrix->widths[w] = static_cast<uint8_t>(2 + w);
        for (int j = 0; j < REF_MATRIX_WAVELENGTHS; ++j) {
            matrix->wavelengths[j] = 880.0 + 18.0 * j;
            matrix->ref_intensities[w][j] = static_cast<uint16_t>(1000 * (w + 2));
        }
    }
    return Encode(
        [&](size_t *size) { return velspec_get_serialize_dump_size(matrix.get(), size, REC_REF_MATRIX); },
        [&](void *to, size_t n) { return velspec_calib_write_ref_matrix(matrix.get(), to, n); });
}

// A configuration image: one section 900-1700 nm, or two (950-1300, 1300-1650).
inline Bytes ConfigImage(bool two_sections, const char *serial) {
    scanCfg single{};
    slewScanCfg slew{};
    single.wavelength_start_nm = 900;
    single.wavelength_end_nm = 1700;
    single.num_patterns = 228;
    slew.scan_type = 2;
    slew.num_sections = 2;
    slew.sections[0] = {0, 6, 950, 1300, 100, 0};
    slew.sections[1] = {1, 8, 1300, 1650, 100, 0};
    const void *cfg = two_sections ? static_cast<const void *>(&slew) : &single;
    char *serial_field = two_sections ? slew.serial_number : single.serial_number;
    std::memcpy(serial_field, serial, std::min<size_t>(std::strlen(serial), sizeof single.serial_number));
    return Encode([&](size_t *size) { return velspec_get_scan_config_dump_size(cfg, size); },
                  [&](void *to, size_t n) { return velspec_scan_write_configuration(cfg, to, n); }, 512);
}

}  // namespace api_test
