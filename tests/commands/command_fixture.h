// A fake device opened through the transport, shared by the command tests.
#ifndef VELSCAN_COMMAND_FIXTURE_H
#define VELSCAN_COMMAND_FIXTURE_H

#include <gtest/gtest.h>

#include "API.h"
#include "fake_clock.h"
#include "fake_hid.h"
#include "framing.h"

class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        hid.addDevice();
        ASSERT_EQ(USB_Enumerate(), 1);
        ASSERT_EQ(USB_Open(0), 0);
        ZOR_SetUARTConnected(0);
    }
    void TearDown() override { ZOR_SetUARTConnected(0); }

    // The request frames sent so far (header, code, payload).
    std::vector<velscan_test::Bytes> frames() const { return hid.frames(); }
    // The payload of the only request frame sent.
    velscan_test::Bytes onlyPayload() const {
        auto sent = hid.frames();
        EXPECT_EQ(sent.size(), 1u);
        if (sent.empty()) return {};
        return velscan_test::Bytes(sent[0].begin() + 6, sent[0].end());
    }

    velscan_test::FakeHid hid;
    velscan_test::FakeClock clock;
};

#endif
