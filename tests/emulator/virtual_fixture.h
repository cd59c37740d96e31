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

class VirtualDeviceTest : public ::testing::Test {
public:
    // Every wait the host asked for, in ms.
    static std::vector<uint32_t> &Waits();

protected:
    void SetUp() override;
    void TearDown() override;

    // Fetches a whole device file the way the device API does.
    static std::vector<uint8_t> FetchFile(uint32_t file_type);
    // Selects a slot, scans, fetches and interprets the last-scan file.
    static std::unique_ptr<scanResults> Scan(uint8_t slot);
    // Interprets an image; fails the test when it does not decode.
    static std::unique_ptr<scanResults> Interpret(const std::vector<uint8_t> &image);
};

#endif
