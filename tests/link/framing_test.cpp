// Framing: frame headers, report splitting, reply collection, status codes
// and the discard of stale input. tests/commands checks every request.
#include <gtest/gtest.h>

#include <numeric>

#include "fake_hid.h"
#include "framing.h"

using velscan_test::Bytes;
using velscan_test::FakeHid;

namespace {

class Framing : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(hid.OpenOne()); }

    // A write command of `identifier` with data bytes 0, 1, 2, ...
    static Bytes Message(uint32_t identifier) {
        Bytes msg(ZOR_MSG_BUFFER_SIZE, 0);
        std::iota(msg.begin() + 6, msg.end(), 0);
        ZOR_PrepWriteCmd(msg.data(), identifier);
        return msg;
    }

    FakeHid hid;
};

TEST_F(Framing, HeadersByteForByteAndSequenceNumbersCountWritesOnly) {
    ZOR_PrepReadCmdWithParam(0x2D00, 0x04030201);
    EXPECT_EQ(Bytes(OutputBuffer, OutputBuffer + 12), (Bytes{0, 0xC0, 0, 6, 0, 0x2D, 0, 1, 2, 3, 4, 0}));
    ZOR_PrepReadCmd(0x1501);  // the one read carrying a data byte
    EXPECT_EQ(Bytes(OutputBuffer, OutputBuffer + 9), (Bytes{0, 0xC0, 0, 3, 0, 0x15, 0, 0, 0}));
    seqNum = 0xFF;
    Bytes msg = Message(0x12345);
    EXPECT_EQ(Bytes(msg.begin(), msg.begin() + 6), (Bytes{0x40, 0xFF, 0x47, 0, 0x23, 0x01}));
    ZOR_PrepReadCmd(0x22200);  // reads carry sequence 0 and count nothing
    EXPECT_EQ(OutputBuffer[2], 0);
    EXPECT_EQ(Message(0x21B01)[1], 0);  // wrapped
}

TEST_F(Framing, WriteSplitsIntoReportsAndFailsOnAnyOfThem) {
    // clang-format off
    const struct { uint16_t length; size_t reports; int32_t result; } cases[] = {
        {2, 1, 6}, {60, 1, 64}, {61, 2, 128}, {124, 2, 128}, {125, 3, 192}, {514, 9, 576},
        {515, 0, ZOR_ERR_TRANSPORT}};  // 515 body bytes: more than the message buffer holds
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.length);
        hid.ClearRecords();
        Bytes msg = Message(0x2500);
        msg[2] = static_cast<uint8_t>(c.length);
        msg[3] = static_cast<uint8_t>(c.length >> 8);
        EXPECT_EQ(ZOR_SendMsg(msg.data()), c.result);
        ASSERT_EQ(hid.writes().size(), c.reports);
        for (const Bytes &report : hid.writes()) EXPECT_EQ(report[0], 0);  // report ID
        if (c.reports > 0) {
            EXPECT_EQ(hid.frames(), std::vector<Bytes>{Bytes(msg.begin(), msg.begin() + 4 + c.length)});
        }
    }
    const Bytes msg = Message(0x2500 | 200);
    for (int failing : {1, 0}) {
        hid.ClearRecords();
        hid.fail_write_at = failing;
        EXPECT_EQ(ZOR_SendMsg(msg.data()), ZOR_ERR_TRANSPORT);
        EXPECT_EQ(hid.writes().size(), failing + 1u);  // and the send stops
    }
    hid.ClearRecords();  // a read whose request cannot be written, or with no device open
    ZOR_PrepReadCmd(0x22200);
    EXPECT_EQ(ZOR_Read(), ZOR_ERR_TRANSPORT);
    USB_Close(0);
    hid.fail_write_at = -1;
    EXPECT_EQ(ZOR_Read(), ZOR_ERR_TRANSPORT);
}

TEST_F(Framing, ReadCollectsMultiReportRepliesUpToTheBuffer) {
    // 576 bytes, the largest: ten reports, the last nearly empty.
    for (auto [size, result] : {std::pair<size_t, int32_t>{200, 256}, {ZOR_MAX_REPLY_PAYLOAD, 640}}) {
        Bytes payload(size);
        std::iota(payload.begin(), payload.end(), 0);
        hid.QueueReply(payload);
        ZOR_PrepReadCmd(0x2E00);
        EXPECT_EQ(ZOR_Read(), result);
        EXPECT_EQ(hid.ScriptedEventsLeft(), 0u);
        EXPECT_EQ(Bytes(InputBuffer + 4, InputBuffer + 4 + size), payload);
    }
    // One byte more is refused, and nothing is drained after the header.
    hid.QueueReply(Bytes(ZOR_MAX_REPLY_PAYLOAD + 1, 0x33));
    ZOR_PrepReadCmd(0x2E00);
    EXPECT_EQ(ZOR_Read(), ZOR_ERR_REJECTED);
    EXPECT_EQ(hid.ScriptedEventsLeft(), 9u);
}

// A read's or an acknowledgement's result for each device answer: a reply
// (payload, status), a time-out (-1) or a read error (-2); `reports` > 0
// queues only that many reports of the reply, then a time-out.
TEST_F(Framing, ReadAndAcknowledgementResultCodes) {
    // clang-format off
    const struct { bool ack; Bytes payload; int status; int32_t result; int reports = 0; } cases[] = {
        {false, {1}, 3, ZOR_ERR_STATUS3}, {false, {1}, 2, ZOR_ERR_STATUS2}, {false, {1}, 1, ZOR_ERR_REJECTED},
        {false, {}, 0, ZOR_ERR_REJECTED}, {false, {}, -1, ZOR_ERR_TIMEOUT}, {false, {7}, 0, 64},
        {false, {}, -2, ZOR_ERR_TRANSPORT}, {false, Bytes(200, 1), 0, ZOR_ERR_TIMEOUT, 2},
        {true, {1, 0, 0, 0}, 0, 1}, {true, {0xF9, 0xFF, 0xFF, 0xFF}, 0, -7}, {true, {1, 2}, 0, 0},
        {true, {}, 0, 0}, {true, {1, 0, 0, 0}, 1, ZOR_ERR_REJECTED}, {true, {1, 0, 0, 0}, 2, ZOR_ERR_STATUS2},
        {true, {1, 0, 0, 0}, 3, ZOR_ERR_STATUS3}, {true, {}, -1, ZOR_ERR_TIMEOUT},
        {true, {}, -2, ZOR_ERR_TRANSPORT},
    };
    // clang-format on
    for (const auto &c : cases) {
        if (c.status == -1) hid.QueueTimeout();
        if (c.status == -2) hid.QueueReadError();
        if (c.status >= 0 && c.reports == 0) hid.QueueReply(c.payload, c.status);
        const auto reports = velscan_test::SplitIntoReports(velscan_test::ReplyFrame(c.payload));
        for (int r = 0; r < c.reports; ++r) hid.QueueReport(reports[r]);
        if (c.reports > 0) hid.QueueTimeout();
        ZOR_PrepReadCmd(0x22200);
        EXPECT_EQ(c.ack ? ZOR_GetAck() : ZOR_Read(), c.result) << &c - cases;
    }
    hid.QueueReport({0x00, 0x00});  // shorter than a header
    EXPECT_EQ(ZOR_Read(), ZOR_ERR_REJECTED);
}

TEST_F(Framing, LateReplyIsDiscardedBeforeTheNextCommand) {
    // A reply arriving after its read gave up is not taken as the answer to
    // the next read, nor as the acknowledgement of the next write.
    hid.QueueLateReply({0xAA});
    ZOR_PrepReadCmd(0x22200);
    EXPECT_EQ(ZOR_Read(), ZOR_ERR_TIMEOUT);
    hid.QueueReply({0x05});
    EXPECT_EQ(ZOR_Read(), 64);
    EXPECT_EQ(InputBuffer[4], 0x05);

    hid.QueueLateReply({0xAA, 0, 0, 0});
    EXPECT_EQ(ZOR_Read(), ZOR_ERR_TIMEOUT);
    hid.QueueAck(0);
    const Bytes msg = Message(0x21B01);
    ASSERT_GT(ZOR_SendMsg(msg.data()), 0);
    EXPECT_EQ(ZOR_GetAck(), 0);
    EXPECT_EQ(hid.ScriptedEventsLeft(), 0u);

    // A device that floods is drained a bounded number of reports.
    hid.on_read = [](int milliseconds, Bytes &report) {
        report.assign(USB_REPORT_SIZE, 0xEE);
        return milliseconds == 0 ? USB_REPORT_SIZE : 0;
    };
    EXPECT_EQ(ZOR_DiscardPendingInput(), ZOR_MAX_DISCARDED_REPORTS);
}

}  // namespace
