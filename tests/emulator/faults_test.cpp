// Every injectable fault: the framing code the host reports, and a device
// that answers normally afterwards.
#include "virtual_fixture.h"

using virt::Fault;

TEST_F(VirtualDeviceTest, ReplyFaultsGiveTheirFramingCodes) {
    // Codes of ZOR_Read (ZOR_GetNumScanCfg), ZOR_GetAck (ZOR_SetPGAGain) and
    // a two-report reply (ZOR_GetScanCfg).
    struct Case {
        Fault fault;
        int32_t read_code, ack_code, multi_code;
    };
    // An acknowledgement is one report whatever its length says, and only a
    // data reply's length is checked; a cut reply loses its one result byte;
    // a one-shot disconnect fails the write.
    const Case cases[] = {
        {Fault::NoReply, -5, -5, -5},   {Fault::Status1, -4, -4, -4},   {Fault::Status2, -3, -3, -3},
        {Fault::Status3, -2, -2, -2},   {Fault::ShortReply, -5, 0, -5}, {Fault::OversizeLength, -4, 0, -4},
        {Fault::LateReply, -5, -5, -5}, {Fault::CutPayload, -4, 0, -4}, {Fault::Disconnect, -1, -1, -1},
    };
    Bytes image(ZOR_SCAN_CFG_IMAGE_MAX);
    uint32_t length = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fault));
        virt::InjectFault({.fault = c.fault, .command = 0x0222});
        EXPECT_EQ(ZOR_GetNumScanCfg(), c.read_code);
        EXPECT_EQ(ZOR_GetNumScanCfg(), 3);
        virt::InjectFault({.fault = c.fault, .command = 0x021b});
        EXPECT_EQ(ZOR_SetPGAGain(4), c.ack_code);
        EXPECT_EQ(ZOR_GetPGAGain(), 4);
        virt::InjectFault({.fault = c.fault, .command = 0x0220});
        EXPECT_EQ(ZOR_GetScanCfg(0, image.data(), &length), c.multi_code);
        EXPECT_EQ(ZOR_GetScanCfg(0, image.data(), &length), 0);
        EXPECT_EQ(length, static_cast<uint32_t>(VELSPEC_IMG_SIZE_SCAN_CFG));
        EXPECT_EQ(virt::PendingFaults(), 0u);
    }
}

TEST_F(VirtualDeviceTest, FaultsWaitTheirTurnAndPersistentOnesKeepStriking) {
    virt::InjectFault({.fault = Fault::Status2, .command = 0x0222, .skip = 2});
    for (int32_t expected : {3, 3, -3, 3}) EXPECT_EQ(ZOR_GetNumScanCfg(), expected);

    virt::InjectFault({.fault = Fault::NoReply, .persistent = true});
    EXPECT_EQ(ZOR_GetNumScanCfg(), -5);
    EXPECT_EQ(ZOR_GetPGAGain(), -5);
    EXPECT_EQ(virt::PendingFaults(), 1u);
    virt::ClearFaults();
    EXPECT_EQ(ZOR_GetPGAGain(), 16);
}

TEST_F(VirtualDeviceTest, CorruptedImageIsDeliveredWithExactlyOneByteChanged) {
    ASSERT_EQ(ZOR_PerformScan(0), 0);
    // Byte 20 lies inside the format string.
    virt::InjectFault(
        {.fault = Fault::CorruptImage, .file_type = ZOR_FILE_SCAN_DATA, .offset = 20, .xor_mask = 0x20});
    EXPECT_EQ(FetchFile(ZOR_FILE_REFCAL_DATA),
              virt::FileImage(ZOR_FILE_REFCAL_DATA));  // other files untouched
    Bytes damaged = FetchFile(ZOR_FILE_SCAN_DATA);
    Bytes expected = virt::FileImage(ZOR_FILE_SCAN_DATA);
    expected[20] ^= 0x20;
    EXPECT_EQ(damaged, expected);
    EXPECT_EQ(FetchFile(ZOR_FILE_SCAN_DATA), virt::FileImage(ZOR_FILE_SCAN_DATA));  // one-shot
}

TEST_F(VirtualDeviceTest, SerialLinkPiecesCarryTwoExtraBytes) {
    virt::InjectFault({.fault = Fault::SerialLinkPieces, .persistent = true});
    ASSERT_EQ(ZOR_SetUARTConnected(1), 0);
    // 2354 bytes in pieces of 574 file bytes and two link bytes each.
    EXPECT_EQ(FetchFile(ZOR_FILE_MATRIX_DATA), virt::FileImage(ZOR_FILE_MATRIX_DATA));
    uint8_t piece[ZOR_FILE_PIECE_MAX];
    uint32_t piece_length = 0;
    ASSERT_GT(ZOR_GetFileSizeToRead(ZOR_FILE_MATRIX_DATA), 0);
    ASSERT_GT(ZOR_GetFileData(piece, &piece_length), 0);
    EXPECT_EQ(piece_length, 574u);
    // A host that does not know about the link takes the link bytes for data.
    ASSERT_EQ(ZOR_SetUARTConnected(0), 0);
    EXPECT_NE(FetchFile(ZOR_FILE_MATRIX_DATA), virt::FileImage(ZOR_FILE_MATRIX_DATA));
}

TEST_F(VirtualDeviceTest, GarbageReportsNeverCrashTheInstrument) {
    uint64_t state = 12345;
    uint8_t report[USB_OUTPUT_REPORT_SIZE];
    uint8_t input[64];
    for (int n = 0; n < 3000; ++n) {
        for (uint8_t &b : report) {
            state = state * 6364136223846793005ULL + 1442695040888963407ULL;
            b = static_cast<uint8_t>(state >> 56);
        }
        report[0] = 0;
        if (n % 3 == 0) report[3] = report[4] = 0;  // short frames reach the command table
        USB_Write(report);
        while (USB_ReadTimeout(input, 0) > 0) {}
    }
    // Back to factory state (the garbage may have renamed or erased it) and
    // reopened, which resynchronizes the link: the instrument still works.
    virt::Reset();
    USB_Close(0);
    ASSERT_EQ(USB_Enumerate(), 1);
    ASSERT_EQ(USB_Open(0), 0);
    EXPECT_EQ(ZOR_GetNumScanCfg(), 3);
}
