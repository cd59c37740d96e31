// File transfer in both directions and the scan-configuration payloads.
#include <algorithm>
#include <numeric>
#include <tuple>

#include "command_fixture.h"

using velscan_test::Bytes;

namespace {

Bytes Counting(size_t n, uint8_t start = 0) {
    Bytes bytes(n);
    std::iota(bytes.begin(), bytes.end(), start);
    return bytes;
}

// Pieces fill the file up to its size (a larger piece is cut); a failed
// piece ends the transfer with what arrived; an empty file needs no exchange.
TEST_F(Commands, FileArrivesPieceByPieceWithinItsSize) {
    const Bytes file = Counting(1000);
    const Bytes first(file.begin(), file.begin() + 576), rest(file.begin() + 576, file.end());
    // The pieces (then every read times out), the size, the result, the requests sent.
    const std::tuple<std::vector<Bytes>, int32_t, int32_t, size_t> cases[] = {{{first, rest}, 1000, 1000, 2},
                                                                              {{}, 0, 0, 0},
                                                                              {{}, -5, 0, 0},
                                                                              {{first}, 100, 100, 1},
                                                                              {{first}, 1000, 576, 2}};
    for (const auto &[pieces, size, result, requests] : cases) {
        SCOPED_TRACE(size);
        hid.ClearRecords();
        for (const Bytes &piece : pieces) hid.QueueReply(piece);
        Bytes dest(1000, 0xCC);
        EXPECT_EQ(ZOR_GetFile(dest.data(), size), result);
        EXPECT_EQ(hid.frames().size(), requests);
        Bytes expected(file.begin(), file.begin() + result);
        expected.resize(1000, 0xCC);
        EXPECT_EQ(dest, expected);
    }
    EXPECT_EQ(ZOR_GetFile(nullptr, 10), -1);
}

TEST_F(Commands, SerialLinkPiecesDropTheirTwoTrailingBytesAndEmptyOnesEndTheLoop) {
    ZOR_SetUARTConnected(1);
    uint8_t piece[ZOR_FILE_PIECE_MAX];
    uint32_t pieceLen = 0;
    hid.QueueReply(Counting(100));
    EXPECT_EQ(ZOR_GetFileData(piece, &pieceLen), 128);
    EXPECT_EQ(pieceLen, 98u);

    hid.QueueReply(Counting(60, 0));
    hid.QueueReply(Counting(60, 58));
    Bytes dest(116);
    EXPECT_EQ(ZOR_GetFile(dest.data(), 116), 116);
    EXPECT_EQ(dest, Counting(116));

    hid.ClearRecords();
    hid.QueueReply({0xAB, 0xCD});  // only the two trailing bytes: the loop ends
    hid.QueueReply({0xAB, 0xCD});
    EXPECT_EQ(ZOR_GetFile(dest.data(), 50), 0);
    EXPECT_EQ(hid.frames().size(), 1u);
}

TEST_F(Commands, UploadSendsOnePieceWithinTheLimit) {
    const Bytes file = Counting(1000);
    hid.QueueAck(0);
    EXPECT_EQ(ZOR_WriteFileData(file.data(), 1000), 504);
    EXPECT_EQ(hid.writes().size(), 8u);
    EXPECT_EQ(OnlyPayload(), Bytes(file.begin(), file.begin() + 504));

    ZOR_SetUARTConnected(1);
    hid.ClearRecords();
    hid.QueueAck(3);  // a non-negative acknowledgement is not passed on
    EXPECT_EQ(ZOR_WriteFileData(file.data(), 1000), 212);
    EXPECT_EQ(OnlyPayload(), Bytes(file.begin(), file.begin() + 212));

    hid.QueueReply({}, 2);
    EXPECT_EQ(ZOR_WriteFileData(file.data(), 10), ZOR_ERR_STATUS2);
}

TEST_F(Commands, ConfigurationTooLargeForItsPayloadIsNotSent) {
    const Bytes image(155, 0x01);  // a multi-section image
    EXPECT_EQ(ZOR_SaveScanCfgInDevice(0, image.data(), 124), -1);
    for (int32_t size : {125, -1}) EXPECT_EQ(ZOR_ApplyScanConfig(image.data(), size), -1);
    EXPECT_TRUE(hid.writes().empty());

    hid.QueueAck(0);
    EXPECT_EQ(ZOR_ApplyScanConfig(image.data(), 124), 0);
    EXPECT_EQ(OnlyPayload(), Bytes(124, 0x01));
}

TEST_F(Commands, ConfigurationImageIsCopiedAsStatedAndALengthBeyondTheReplyIsRefused) {
    Bytes good = {0x5A, 0x00, 0x00, 0x00}, big = {0x3D, 0x02, 0x00, 0x00};  // claim 90 and 573
    const Bytes image = Counting(90, 1);
    good.insert(good.end(), image.begin(), image.end());
    good.push_back(0xEE);
    big.resize(576, 0x01);
    const std::pair<Bytes, int32_t> cases[] = {
        {good, 0},
        {{0x5B, 0x00, 0x00, 0x00, 1, 2, 3}, ZOR_ERR_REJECTED},
        {big, ZOR_ERR_REJECTED},
        {{0x01, 0x00}, ZOR_ERR_REJECTED}};  // claims 91 with 3; 573; not even a length
    for (const auto &[reply, result] : cases) {
        Bytes dest(ZOR_SCAN_CFG_IMAGE_MAX, 0);
        uint32_t len = 7;
        hid.QueueReply(reply);
        EXPECT_EQ(ZOR_GetScanCfg(0, dest.data(), &len), result);
        EXPECT_EQ(len, result == 0 ? 90u : 7u);
        Bytes expected(ZOR_SCAN_CFG_IMAGE_MAX, 0);
        if (result == 0) std::copy(image.begin(), image.end(), expected.begin());
        EXPECT_EQ(dest, expected) << "only the image is written";
    }
}

}  // namespace
