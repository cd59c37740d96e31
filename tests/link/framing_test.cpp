// Framing: command frames byte for byte, report splitting, reply collection,
// status codes and the discard of stale input.
#include <gtest/gtest.h>

#include <numeric>

#include "fake_hid.h"
#include "framing.h"

using velscan_test::Bytes;
using velscan_test::FakeHid;

namespace {

class Framing : public ::testing::Test {
protected:
    void SetUp() override {
        hid.addDevice();
        ASSERT_EQ(USB_Enumerate(), 1);
        ASSERT_EQ(USB_Open(0), 0);
    }

    // A write command with `dataBytes` data bytes 0, 1, 2, ... in a message buffer.
    Bytes message(uint32_t identifier, size_t dataBytes) {
        Bytes msg(ZOR_MSG_BUFFER_SIZE, 0);
        for (size_t i = 0; i < dataBytes; ++i) msg[6 + i] = static_cast<uint8_t>(i);
        ZOR_PrepWriteCmd(msg.data(), identifier);
        return msg;
    }

    static Bytes head(const Bytes &report, size_t n) { return Bytes(report.begin(), report.begin() + n); }

    FakeHid hid;
};

// Frames byte for byte: tests/commands checks every command's request.
TEST_F(Framing, SequenceNumbersCountWritesOnlyAndWrap) {
    seqNum = 0;
    std::vector<uint8_t> sequences;
    for (int i = 0; i < 257; ++i) {
        Bytes msg(ZOR_MSG_BUFFER_SIZE, 0);
        ZOR_PrepWriteCmd(msg.data(), 0x21B01);
        sequences.push_back(msg[1]);
        ZOR_PrepReadCmd(0x22200);  // reads in between carry 0 and count nothing
        EXPECT_EQ(OutputBuffer[2], 0);
    }
    EXPECT_EQ(sequences[0], 0);
    EXPECT_EQ(sequences[255], 255);
    EXPECT_EQ(sequences[256], 0);
}

TEST_F(Framing, WriteSplitsIntoReports) {
    struct Case {
        size_t dataBytes;
        size_t reports;
        int32_t result;
    } cases[] = {
        {0, 1, 6}, {58, 1, 64}, {59, 2, 128}, {122, 2, 128}, {123, 3, 192}, {504, 8, 512},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.dataBytes);
        hid.clearRecords();
        Bytes msg = message(0x2500 | static_cast<uint32_t>(c.dataBytes & 0xFF), c.dataBytes);
        const uint16_t length = static_cast<uint16_t>(c.dataBytes + 2);
        msg[2] = static_cast<uint8_t>(length);
        msg[3] = static_cast<uint8_t>(length >> 8);
        EXPECT_EQ(ZOR_SendMsg(msg.data()), c.result);
        ASSERT_EQ(hid.writes().size(), c.reports);
        // The reports carry the frame back to back, report ID 0 first.
        Bytes frame;
        for (const Bytes &report : hid.writes()) {
            EXPECT_EQ(report[0], 0);
            frame.insert(frame.end(), report.begin() + 1, report.end());
        }
        EXPECT_EQ(head(frame, 4 + length), head(msg, 4 + length));
    }
}

TEST_F(Framing, WriteRefusesAnOverlongLengthAndFailsOnAnyReport) {
    Bytes msg = message(0x2500, 0);
    msg[2] = 0x03;  // 515 body bytes
    msg[3] = 0x02;
    EXPECT_EQ(ZOR_SendMsg(msg.data()), ZOR_ERR_TRANSPORT);
    EXPECT_TRUE(hid.writes().empty());

    // A failure on any report fails the send and stops it.
    msg = message(0x2500 | 200, 200);
    hid.failWriteAt = 1;
    EXPECT_EQ(ZOR_SendMsg(msg.data()), ZOR_ERR_TRANSPORT);
    EXPECT_EQ(hid.writes().size(), 2u);
    hid.clearRecords();
    hid.failWriteAt = 0;
    EXPECT_EQ(ZOR_SendMsg(msg.data()), ZOR_ERR_TRANSPORT);
    EXPECT_EQ(hid.writes().size(), 1u);
}

TEST_F(Framing, ReadCollectsMultiReportRepliesUpToTheBuffer) {
    // 580 bytes, the largest: ten reports, the last nearly empty.
    for (auto [size, result] : {std::pair<size_t, int32_t>{200, 256}, {ZOR_MAX_REPLY_PAYLOAD, 640}}) {
        Bytes payload(size);
        std::iota(payload.begin(), payload.end(), 0);
        hid.queueReply(payload);
        ZOR_PrepReadCmd(0x2E00);
        EXPECT_EQ(ZOR_Read(), result);
        EXPECT_EQ(hid.scriptedEventsLeft(), 0u);
        EXPECT_EQ(Bytes(InputBuffer + 4, InputBuffer + 4 + size), payload);
    }
    // One byte more is refused, and nothing is drained after the header.
    hid.queueReply(Bytes(ZOR_MAX_REPLY_PAYLOAD + 1, 0x33));
    const size_t queued = hid.scriptedEventsLeft();
    ZOR_PrepReadCmd(0x2E00);
    EXPECT_EQ(ZOR_Read(), ZOR_ERR_REJECTED);
    EXPECT_EQ(hid.scriptedEventsLeft(), queued - 1);
}

// A read's or an acknowledgement's result for each scripted device answer.
TEST_F(Framing, ReadAndAcknowledgementResultCodes) {
    const struct {
        const char *what;
        std::function<void(FakeHid &)> script;
        bool ack;
        int32_t result;
    } cases[] = {
        {"status 3", [](FakeHid &h) { h.queueReply({1}, 3); }, false, ZOR_ERR_STATUS3},
        {"status 2", [](FakeHid &h) { h.queueReply({1}, 2); }, false, ZOR_ERR_STATUS2},
        {"status 1", [](FakeHid &h) { h.queueReply({1}, 1); }, false, ZOR_ERR_REJECTED},
        {"length 0", [](FakeHid &h) { h.queueReply({}); }, false, ZOR_ERR_REJECTED},
        {"time-out", [](FakeHid &h) { h.queueTimeout(); }, false, ZOR_ERR_TIMEOUT},
        {"read error", [](FakeHid &h) { h.queueReadError(); }, false, ZOR_ERR_TRANSPORT},
        {"report shorter than a header",
         [](FakeHid &h) {
             h.queueReport({0x00, 0x00});
         },
         false, ZOR_ERR_REJECTED},
        {"time-out on the third report",
         [](FakeHid &h) {
             auto reports = velscan_test::splitIntoReports(velscan_test::replyFrame(Bytes(200, 1)));
             h.queueReport(reports[0]);
             h.queueReport(reports[1]);
             h.queueTimeout();
         },
         false, ZOR_ERR_TIMEOUT},
        {"good", [](FakeHid &h) { h.queueReply({7}); }, false, 64},
        {"ack value 1",
         [](FakeHid &h) {
             h.queueReply({0x01, 0x00, 0x00, 0x00});
         },
         true, 1},
        {"ack negative value", [](FakeHid &h) { h.queueAck(-7); }, true, -7},
        {"ack length 2",
         [](FakeHid &h) {
             h.queueReply({0x01, 0x02});
         },
         true, 0},
        {"ack length 0", [](FakeHid &h) { h.queueEmptyAck(); }, true, 0},
        {"ack status 1",
         [](FakeHid &h) {
             h.queueReply({1, 0, 0, 0}, 1);
         },
         true, ZOR_ERR_REJECTED},
        {"ack status 2",
         [](FakeHid &h) {
             h.queueReply({1, 0, 0, 0}, 2);
         },
         true, ZOR_ERR_STATUS2},
        {"ack status 3",
         [](FakeHid &h) {
             h.queueReply({1, 0, 0, 0}, 3);
         },
         true, ZOR_ERR_STATUS3},
        {"ack time-out", [](FakeHid &h) { h.queueTimeout(); }, true, ZOR_ERR_TIMEOUT},
        {"ack read error", [](FakeHid &h) { h.queueReadError(); }, true, ZOR_ERR_TRANSPORT},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        c.script(hid);
        ZOR_PrepReadCmd(0x22200);
        EXPECT_EQ(c.ack ? ZOR_GetAck() : ZOR_Read(), c.result);
    }
}

TEST_F(Framing, ReadFailsWhenTheRequestCannotBeWritten) {
    hid.failWriteAt = 0;
    hid.queueReply({7});
    ZOR_PrepReadCmd(0x22200);
    EXPECT_EQ(ZOR_Read(), ZOR_ERR_TRANSPORT);
    USB_Close(0);
    EXPECT_EQ(ZOR_Read(), ZOR_ERR_TRANSPORT);
}

TEST_F(Framing, LateReplyIsDiscardedBeforeTheNextCommand) {
    // The first command's reply arrives after its read gave up...
    hid.queueLateReply({0xAA});
    ZOR_PrepReadCmd(0x22200);
    EXPECT_EQ(ZOR_Read(), ZOR_ERR_TIMEOUT);
    EXPECT_EQ(hid.pendingReportsLeft(), 1u);
    // ...and must not be taken as the answer to the next one.
    hid.queueReply({0x05});
    ZOR_PrepReadCmd(0x22300);
    EXPECT_EQ(ZOR_Read(), 64);
    EXPECT_EQ(InputBuffer[4], 0x05);

    // The same before a write command and its acknowledgement.
    hid.queueLateReply({0xAA, 0, 0, 0});
    ZOR_PrepReadCmd(0x22200);
    EXPECT_EQ(ZOR_Read(), ZOR_ERR_TIMEOUT);
    hid.queueAck(0);
    Bytes msg = message(0x21B01, 1);
    ASSERT_GT(ZOR_SendMsg(msg.data()), 0);
    EXPECT_EQ(ZOR_GetAck(), 0);
}

TEST_F(Framing, DiscardOfAFloodingDeviceIsBounded) {
    hid.setFlooding(true);
    EXPECT_EQ(ZOR_DiscardPendingInput(), ZOR_MAX_DISCARDED_REPORTS);
    hid.setFlooding(false);
    EXPECT_EQ(ZOR_DiscardPendingInput(), 0);
}

}  // namespace
