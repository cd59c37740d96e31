// The device API over the real transport, framing and command layers,
// talking to the virtual spectrometer, which commits the faults a test arms.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "velspec_records.h"
#include "virtual_control.h"

namespace hostile {

// Command codes of the exchanges a scan is made of.
constexpr uint32_t kGetNumScanCfg = 0x0222;
constexpr uint32_t kSetActiveScanIndex = 0x0224;
constexpr uint32_t kGetEstimatedScanTime = 0x0237;
constexpr uint32_t kPerformScan = 0x0218;
constexpr uint32_t kGetFileSizeToRead = 0x002d;
constexpr uint32_t kGetFileData = 0x002e;
constexpr uint32_t kReadHum = 0x0302;

constexpr uint8_t kMarker = 0xA5;

// A heap record filled with the marker, to see whether a call wrote it.
template <typename T>
std::unique_ptr<T> marked() {
    auto record = std::make_unique<T>();
    std::memset(static_cast<void *>(record.get()), kMarker, sizeof(T));
    return record;
}

template <typename T>
bool untouched(const T *record, size_t count = 1) {
    const auto *bytes = reinterpret_cast<const uint8_t *>(record);
    for (size_t i = 0; i < sizeof(T) * count; ++i)
        if (bytes[i] != kMarker) return false;
    return true;
}

class HostileDeviceTest : public ::testing::Test {
public:
    // Waits the API asked for since the last reset, in ms.
    static std::vector<uint32_t> &Waits();

protected:
    void SetUp() override;
    void TearDown() override;

    // Factory state again, with the connection kept.
    static void ResetDevice();
    // Command codes of every frame sent since the last reset, in order.
    static std::vector<uint32_t> SentCommands();
    // A scan that must succeed.
    static std::unique_ptr<scanResults> CleanScan();
};

}  // namespace hostile
