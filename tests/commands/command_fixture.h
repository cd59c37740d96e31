// A fake device opened through the transport, shared by the command tests.
#ifndef VELSCAN_COMMAND_FIXTURE_H
#define VELSCAN_COMMAND_FIXTURE_H

#include <gtest/gtest.h>

#include <algorithm>

#include "API.h"
#include "fake_clock.h"
#include "fake_hid.h"
#include "framing.h"
#include "velspec_helper.h"

class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(hid.OpenOne());
        ZOR_SetUARTConnected(0);
    }
    void TearDown() override { ZOR_SetUARTConnected(0); }

    // The payload of the only request frame sent.
    velscan_test::Bytes OnlyPayload() const {
        auto sent = hid.frames();
        EXPECT_EQ(sent.size(), 1u);
        return sent.empty() ? velscan_test::Bytes() : velscan_test::Bytes(sent[0].begin() + 6, sent[0].end());
    }

    velscan_test::FakeHid hid;
    velscan_test::FakeClock clock;
};

// A calibration image cut to the size it states: the exact reply ZOR_GetCalibStruct decodes.
inline velscan_test::Bytes CalibImage() {
    static const calibCoeffSet coeffs = {{1, 2, 3}, {900, 1.5, -0.0001}};
    size_t size = 0;
    EXPECT_EQ(velspec_get_serialize_dump_size(&coeffs, &size, REC_CALIB_COEFFS), 0);
    velscan_test::Bytes image(std::max<size_t>(size, 144));
    EXPECT_EQ(velspec_calib_write_data(&coeffs, image.data(), image.size()), 0);
    image.resize(size);
    return image;
}

#endif
