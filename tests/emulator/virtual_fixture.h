// The virtual spectrometer installed behind the real transport, framing and
// command layers, in factory state, with waits that cost no time.
#ifndef VELSCAN_TESTS_EMULATOR_VIRTUAL_FIXTURE_H
#define VELSCAN_TESTS_EMULATOR_VIRTUAL_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "API.h"
#include "usb.h"
#include "velspec_records.h"
#include "virtual_control.h"
#include "virtual_device.h"

using Bytes = std::vector<uint8_t>;

class VirtualDeviceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Fetches a whole device file the way the device API does.
    static Bytes FetchFile(uint32_t file_type);
    // Selects a slot, scans, fetches and interprets the last-scan file.
    static std::unique_ptr<scanResults> Scan(uint8_t slot);
    // Interprets an image; fails the test when it does not decode.
    static std::unique_ptr<scanResults> Interpret(const Bytes &image);
};

#endif
