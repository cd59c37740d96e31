// Every injectable fault, seen through the real command, framing and
// transport layers: the framing code the host reports, and a device that
// answers normally afterwards.
#include <cstring>

#include "framing.h"
#include "velspec_scan.h"
#include "virtual_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;
using virt::Fault;

constexpr uint16_t kGetNumScanCfg = 0x0222;
constexpr uint16_t kSetPGAGain = 0x021b;
constexpr uint16_t kGetScanCfg = 0x0220;
constexpr uint16_t kGetFileData = 0x002e;

virt::FaultSpec On(Fault fault, uint32_t command, uint32_t skip = 0, bool persistent = false) {
    virt::FaultSpec fault_spec;
    fault_spec.fault = fault;
    fault_spec.command = command;
    fault_spec.skip = skip;
    fault_spec.persistent = persistent;
    return fault_spec;
}

}  // namespace

TEST_F(VirtualDeviceTest, ReplyFaultsGiveTheirFramingCodes) {
    struct Case {
        Fault fault;
        int32_t read_code;  // ZOR_Read through ZOR_GetNumScanCfg
        int32_t ack_code;   // ZOR_GetAck through ZOR_SetPGAGain
    };
    const Case cases[] = {
        {Fault::NoReply, -5, -5},
        {Fault::Status1, -4, -4},
        {Fault::Status2, -3, -3},
        {Fault::Status3, -2, -2},
        {Fault::ShortReply, -5, 0},      // an acknowledgement is one report whatever its length says
        {Fault::OversizeLength, -4, 0},  // the length is checked for data replies only
        {Fault::LateReply, -5, -5},
        {Fault::CutPayload, -4, 0},      // the one result byte gone: an empty reply
    };
    for (const Case &c : cases) {
        virt::InjectFault(On(c.fault, kGetNumScanCfg));
        EXPECT_EQ(ZOR_GetNumScanCfg(), c.read_code) << static_cast<int>(c.fault);
        EXPECT_EQ(ZOR_GetNumScanCfg(), 3) << "after " << static_cast<int>(c.fault);
        virt::InjectFault(On(c.fault, kSetPGAGain));
        EXPECT_EQ(ZOR_SetPGAGain(4), c.ack_code) << static_cast<int>(c.fault);
        EXPECT_EQ(ZOR_GetPGAGain(), 4) << "after " << static_cast<int>(c.fault);
        EXPECT_EQ(virt::PendingFaults(), 0u);
    }
}

TEST_F(VirtualDeviceTest, ShortMultiReportReplyTimesOutOnTheMissingReport) {
    Bytes image(ZOR_SCAN_CFG_IMAGE_MAX);
    uint32_t length = 0;
    virt::InjectFault(On(Fault::ShortReply, kGetScanCfg));
    EXPECT_EQ(ZOR_GetScanCfg(0, image.data(), &length), -5);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(ZOR_GetScanCfg(0, image.data(), &length), 0);
    EXPECT_EQ(length, static_cast<uint32_t>(VELSPEC_IMG_SIZE_SCAN_CFG));
}

TEST_F(VirtualDeviceTest, FaultsWaitTheirTurnAndPersistentOnesKeepStriking) {
    virt::InjectFault(On(Fault::Status2, kGetNumScanCfg, 2));
    EXPECT_EQ(ZOR_GetNumScanCfg(), 3);
    EXPECT_EQ(ZOR_GetNumScanCfg(), 3);
    EXPECT_EQ(ZOR_GetNumScanCfg(), -3);
    EXPECT_EQ(ZOR_GetNumScanCfg(), 3);

    virt::InjectFault(On(Fault::NoReply, virt::kAnyCommand, 0, true));
    EXPECT_EQ(ZOR_GetNumScanCfg(), -5);
    EXPECT_EQ(ZOR_GetPGAGain(), -5);
    EXPECT_EQ(virt::PendingFaults(), 1u);
    virt::ClearFaults();
    EXPECT_EQ(ZOR_GetPGAGain(), 16);
}

TEST_F(VirtualDeviceTest, DisconnectInMidTransferKeepsThePiecesReceived) {
    ASSERT_EQ(ZOR_PerformScan(0), 0);
    int32_t size = ZOR_GetFileSizeToRead(ZOR_FILE_SCAN_DATA);
    ASSERT_EQ(size, VELSPEC_IMG_SIZE_SCAN_DATA);
    virt::InjectFault(On(Fault::Disconnect, kGetFileData, 2));
    Bytes file(static_cast<size_t>(size));
    EXPECT_EQ(ZOR_GetFile(file.data(), size), 2 * 576);
    // A one-shot drop-out: the next exchange works again.
    EXPECT_EQ(FetchFile(ZOR_FILE_SCAN_DATA), virt::FileImage(ZOR_FILE_SCAN_DATA));

    // Unplugged for good: writes fail, and the device is gone from the bus.
    virt::InjectFault(On(Fault::Disconnect, virt::kAnyCommand, 0, true));
    EXPECT_EQ(ZOR_GetNumScanCfg(), -1);
    EXPECT_EQ(ZOR_SetPGAGain(2), -1);
    USB_Close(0);
    EXPECT_EQ(USB_Enumerate(), 0);
    virt::ClearFaults();  // plugged in again
    EXPECT_EQ(USB_Enumerate(), 1);
    ASSERT_EQ(USB_Open(0), 0);
    EXPECT_EQ(ZOR_GetNumScanCfg(), 3);
}

TEST_F(VirtualDeviceTest, CorruptedImageIsDeliveredWithExactlyOneByteChanged) {
    ASSERT_EQ(ZOR_PerformScan(0), 0);
    virt::FaultSpec fault_spec = On(Fault::CorruptImage, virt::kAnyCommand);
    fault_spec.file_type = ZOR_FILE_SCAN_DATA;
    fault_spec.offset = 20;  // inside the format string
    fault_spec.xor_mask = 0x20;
    virt::InjectFault(fault_spec);
    EXPECT_EQ(FetchFile(ZOR_FILE_REFCAL_DATA), virt::FileImage(ZOR_FILE_REFCAL_DATA));  // other files untouched
    Bytes damaged = FetchFile(ZOR_FILE_SCAN_DATA);
    Bytes clean = virt::FileImage(ZOR_FILE_SCAN_DATA);
    ASSERT_EQ(damaged.size(), clean.size());
    for (size_t i = 0; i < clean.size(); ++i)
        EXPECT_EQ(damaged[i], i == 20 ? clean[i] ^ 0x20 : clean[i]) << i;
    auto results = std::make_unique<scanResults>();
    EXPECT_NE(velspec_scan_interpret(damaged.data(), damaged.size(), results.get()), VELSPEC_OK);
    EXPECT_EQ(FetchFile(ZOR_FILE_SCAN_DATA), clean);  // one-shot
}

TEST_F(VirtualDeviceTest, SerialLinkPiecesCarryTwoExtraBytes) {
    virt::InjectFault(On(Fault::SerialLinkPieces, virt::kAnyCommand, 0, true));
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
    int32_t size = ZOR_GetFileSizeToRead(ZOR_FILE_MATRIX_DATA);
    Bytes file(static_cast<size_t>(size));
    ASSERT_EQ(ZOR_GetFile(file.data(), size), size);
    EXPECT_NE(file, virt::FileImage(ZOR_FILE_MATRIX_DATA));
}

TEST_F(VirtualDeviceTest, GarbageReportsNeverCrashTheInstrument) {
    uint64_t state = 12345;
    auto next = [&] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint8_t>(state >> 56);
    };
    uint8_t report[USB_OUTPUT_REPORT_SIZE];
    uint8_t input[64];
    for (int n = 0; n < 3000; ++n) {
        for (uint8_t &b : report) b = next();
        report[0] = 0;
        if (n % 3 == 0) report[3] = report[4] = 0;  // short frames reach the command table
        USB_Write(report);
        while (USB_ReadTimeout(input, 0) > 0) {
        }
    }
    // Back to factory state (the garbage may have renamed or erased it) and
    // reopened, which resynchronizes the link: the instrument still works.
    virt::Reset();
    USB_Close(0);
    ASSERT_EQ(USB_Enumerate(), 1);
    ASSERT_EQ(USB_Open(0), 0);
    EXPECT_EQ(ZOR_GetNumScanCfg(), 3);
}
