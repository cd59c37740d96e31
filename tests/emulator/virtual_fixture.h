// The virtual spectrometer installed behind the real transport, framing and
// command layers, in factory state, with waits that cost no time.
#ifndef VELSCAN_TESTS_EMULATOR_VIRTUAL_FIXTURE_H
#define VELSCAN_TESTS_EMULATOR_VIRTUAL_FIXTURE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "API.h"
#include "usb.h"
#include "velspec_records.h"
#include "velspec_scan.h"
#include "virtual_control.h"
#include "virtual_device.h"

using Bytes = std::vector<uint8_t>;

class VirtualDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        virt::Reset();
        USB_SetHidBackend(VIRT_Backend());
        USB_SetSleepFunction([](uint32_t) {});
        ZOR_SetUARTConnected(0);
        ASSERT_EQ(USB_Enumerate(), 1);
        ASSERT_EQ(USB_Open(0), 0);
    }
    void TearDown() override {
        USB_Close(0);
        USB_SetHidBackend(nullptr);
        USB_SetSleepFunction(nullptr);
    }

    // Fetches a whole device file the way the device API does.
    static Bytes FetchFile(uint32_t file_type) {
        const int32_t size = ZOR_GetFileSizeToRead(file_type);
        EXPECT_GE(size, 0);
        Bytes file(static_cast<size_t>(std::max(size, 0)));
        if (size > 0) {
            EXPECT_EQ(ZOR_GetFile(file.data(), size), size);
        }
        return file;
    }
    // Interprets an image; fails the test when it does not decode.
    static std::unique_ptr<scanResults> Interpret(const Bytes &image) {
        auto results = std::make_unique<scanResults>();  // zeroed
        EXPECT_EQ(velspec_scan_interpret(image.data(), image.size(), results.get()), VELSPEC_OK);
        return results;
    }
    // Selects a slot, scans, fetches and interprets the last-scan file.
    static std::unique_ptr<scanResults> Scan(uint8_t slot) {
        EXPECT_EQ(ZOR_SetActiveScanIndex(slot), 0);
        EXPECT_EQ(ZOR_PerformScan(0), 0);
        return Interpret(FetchFile(ZOR_FILE_SCAN_DATA));
    }
};

#endif
