// The device the API tests talk to: the scripted fake, opened, answering
// each command from the fields below, with failures set per exchange.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "fake_clock.h"
#include "fake_hid.h"
#include "velspec_records.h"

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

struct ApiDevice {
    ApiDevice();
    // Make the n-th (0-based) exchange with `code` fail.
    void Fail(uint16_t code, Failure failure, int occurrence = 0) { failures_[{code, occurrence}] = failure; }
    std::vector<SentCommand> Sent() const { return hid.commands(); }
    std::vector<uint16_t> Codes() const;

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
    void Answer(const SentCommand &command);
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

// Images the device hands out, built with the spectral library's encoders.
// A column scan of `points` points 900 to 1700 nm; point i reads 1001 + i.
Bytes ColumnScanImage(int points = 228, int16_t temperature = 2650, uint16_t humidity = 3140);
Bytes ReferenceMatrixImage();
// Configuration images: one section 900-1700 nm, or two (950-1300, 1300-1650).
Bytes ConfigImage(bool two_sections, const char *serial);

}  // namespace api_test
