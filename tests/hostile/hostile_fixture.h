// The device API over the real transport, framing and command layers,
// talking to the virtual spectrometer, which commits the faults a test arms.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "usb.h"
#include "velspec_records.h"
#include "virtual_control.h"
#include "virtual_device.h"
#include "wrapper.h"

namespace hostile {

// Command codes of the exchanges a scan is made of.
constexpr uint32_t kGetNumScanCfg = 0x0222;
constexpr uint32_t kSetActiveScanIndex = 0x0224;
constexpr uint32_t kGetEstimatedScanTime = 0x0237;
constexpr uint32_t kPerformScan = 0x0218;
constexpr uint32_t kGetFileSizeToRead = 0x002d;
constexpr uint32_t kGetFileData = 0x002e;

constexpr uint8_t kMarker = 0xA5;

// A heap record filled with the marker, to see whether a call wrote it.
template <typename T>
std::unique_ptr<T> Marked() {
    auto record = std::make_unique<T>();
    std::memset(static_cast<void *>(record.get()), kMarker, sizeof(T));
    return record;
}

template <typename T>
bool Untouched(const T *record) {
    const auto *bytes = reinterpret_cast<const uint8_t *>(record);
    return std::all_of(bytes, bytes + sizeof(T), [](uint8_t b) { return b == kMarker; });
}

class HostileDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        USB_SetHidBackend(VIRT_Backend());
        USB_SetSleepFunction([](uint32_t ms) { waits.push_back(ms); });
        ResetDevice();
        ASSERT_EQ(velInitUsb(), 1);
        ASSERT_EQ(velOpenByUsb(0), 0);
    }
    void TearDown() override {
        velClose(0);
        USB_SetHidBackend(nullptr);
        USB_SetSleepFunction(nullptr);
        virt::Reset();
    }

    // Waits the API asked for since the last reset, in ms.
    static inline std::vector<uint32_t> waits;
    // Factory state again, with the connection kept.
    static void ResetDevice() {
        virt::Reset();
        virt::SetNoiseEnabled(false);
        waits.clear();
    }
};

}  // namespace hostile
