// File transfer in both directions and the scan-configuration payloads.
#include <numeric>

#include "command_fixture.h"

using velscan_test::Bytes;

namespace {

Bytes counting(size_t n, uint8_t start = 0) {
    Bytes bytes(n);
    std::iota(bytes.begin(), bytes.end(), start);
    return bytes;
}

TEST_F(Commands, FileArrivesPieceByPiece) {
    const Bytes file = counting(1000);
    hid.queueReply(Bytes(file.begin(), file.begin() + 576));
    hid.queueReply(Bytes(file.begin() + 576, file.end()));
    Bytes dest(1000);
    EXPECT_EQ(ZOR_GetFile(dest.data(), 1000), 1000);
    EXPECT_EQ(dest, file);
    EXPECT_EQ(hid.frames().size(), 2u);
}

TEST_F(Commands, FileBoundsEmptyCutAndFailedPieces) {
    uint8_t none[1];
    EXPECT_EQ(ZOR_GetFile(none, 0), 0);
    EXPECT_EQ(ZOR_GetFile(none, -5), 0);
    EXPECT_TRUE(hid.writes().empty());  // an empty file needs no exchange
    EXPECT_EQ(ZOR_GetFile(nullptr, 10), -1);

    hid.queueReply(Bytes(576, 0x22));  // a piece larger than what is left is cut
    Bytes dest(1000, 0x00);
    EXPECT_EQ(ZOR_GetFile(dest.data(), 100), 100);
    EXPECT_EQ(dest[99], 0x22);
    EXPECT_EQ(dest[100], 0x00);

    hid.queueReply(Bytes(576, 0x11));  // failure on a later piece keeps what arrived
    hid.queueTimeout();
    EXPECT_EQ(ZOR_GetFile(dest.data(), 1000), 576);
    EXPECT_EQ(dest[575], 0x11);
    EXPECT_EQ(dest[576], 0x00);
}

TEST_F(Commands, SerialLinkPiecesDropTheirTwoTrailingBytesAndEmptyOnesEndTheLoop) {
    ZOR_SetUARTConnected(1);
    uint8_t piece[ZOR_FILE_PIECE_MAX];
    uint32_t pieceLen = 0;
    hid.queueReply(counting(100));
    EXPECT_EQ(ZOR_GetFileData(piece, &pieceLen), 128);
    EXPECT_EQ(pieceLen, 98u);

    hid.queueReply(counting(60, 0));
    hid.queueReply(counting(60, 58));
    Bytes dest(116);
    EXPECT_EQ(ZOR_GetFile(dest.data(), 116), 116);
    EXPECT_EQ(dest, counting(116));

    hid.clearRecords();
    hid.queueReply({0xAB, 0xCD});  // only the two trailing bytes: the loop ends
    hid.queueReply({0xAB, 0xCD});
    EXPECT_EQ(ZOR_GetFile(dest.data(), 50), 0);
    EXPECT_EQ(hid.frames().size(), 1u);
}

TEST_F(Commands, UploadSendsOnePieceWithinTheLimit) {
    const Bytes file = counting(1000);
    hid.queueAck(0);
    EXPECT_EQ(ZOR_WriteFileData(file.data(), 1000), 504);
    ASSERT_EQ(hid.frames().size(), 1u);
    EXPECT_EQ(hid.frames()[0].size(), 6u + 504);
    EXPECT_EQ(hid.writes().size(), 8u);
    EXPECT_EQ(onlyPayload(), Bytes(file.begin(), file.begin() + 504));

    ZOR_SetUARTConnected(1);
    hid.clearRecords();
    hid.queueAck(3);  // a non-negative acknowledgement is not passed on
    EXPECT_EQ(ZOR_WriteFileData(file.data(), 1000), 212);
    EXPECT_EQ(onlyPayload(), Bytes(file.begin(), file.begin() + 212));

    hid.queueReply({}, 2);
    EXPECT_EQ(ZOR_WriteFileData(file.data(), 10), ZOR_ERR_STATUS2);
}

TEST_F(Commands, ConfigurationTooLargeForItsPayloadIsNotSent) {
    const Bytes image(155, 0x01);  // a multi-section image
    EXPECT_EQ(ZOR_SaveScanCfgInDevice(0, image.data(), 124), -1);
    EXPECT_EQ(ZOR_ApplyScanConfig(image.data(), 125), -1);
    EXPECT_EQ(ZOR_ApplyScanConfig(image.data(), -1), -1);
    EXPECT_TRUE(hid.writes().empty());

    hid.queueAck(0);
    EXPECT_EQ(ZOR_ApplyScanConfig(image.data(), 124), 0);
    EXPECT_EQ(onlyPayload(), Bytes(124, 0x01));
}

TEST_F(Commands, ConfigurationImageIsCopiedAsStated) {
    Bytes reply = {0x5A, 0x00, 0x00, 0x00};
    const Bytes image = counting(90, 1);
    reply.insert(reply.end(), image.begin(), image.end());
    reply.push_back(0xEE);
    hid.queueReply(reply);
    Bytes dest(ZOR_SCAN_CFG_IMAGE_MAX, 0);
    uint32_t len = 0;
    ASSERT_EQ(ZOR_GetScanCfg(0, dest.data(), &len), 0);
    EXPECT_EQ(len, 90u);
    EXPECT_EQ(Bytes(dest.begin(), dest.begin() + 90), image);
    EXPECT_EQ(dest[90], 0);
}

TEST_F(Commands, ConfigurationLengthBeyondTheReplyIsRefused) {
    Bytes dest(ZOR_SCAN_CFG_IMAGE_MAX, 0);
    uint32_t len = 7;
    hid.queueReply({0x5B, 0x00, 0x00, 0x00, 1, 2, 3});  // claims 91, carries 3
    EXPECT_EQ(ZOR_GetScanCfg(0, dest.data(), &len), ZOR_ERR_REJECTED);
    Bytes big = {0x3D, 0x02, 0x00, 0x00};  // claims 573
    big.resize(576, 0x01);
    hid.queueReply(big);
    EXPECT_EQ(ZOR_GetScanCfg(0, dest.data(), &len), ZOR_ERR_REJECTED);
    hid.queueReply({0x01, 0x00});  // not even a length
    EXPECT_EQ(ZOR_GetScanCfg(0, dest.data(), &len), ZOR_ERR_REJECTED);
    EXPECT_EQ(len, 7u);
    EXPECT_EQ(dest, Bytes(ZOR_SCAN_CFG_IMAGE_MAX, 0));
}

}  // namespace
