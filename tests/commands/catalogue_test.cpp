// Every catalogue command's request, byte for byte: flags, sequence, length,
// code and payload, checked against the catalogue table.
#include <functional>
#include <set>
#include <string>

#include "catalogue.h"
#include "command_fixture.h"

using velscan_test::Bytes;

namespace {

struct Request {
    std::string_view name;
    std::function<int32_t()> call;
    Bytes payload;               // the meaningful leading payload bytes
    Bytes reply = Bytes(60, 0);  // the payload of a read's reply
};

uint32_t u32;
uint64_t u64;
uint8_t u8s[7];
char text[32];
uint8_t bytes[ZOR_FILE_PIECE_MAX];
const char kName24[] = "ABCDEFGHIJKLMNOPQRSTUVWX";
const uint8_t kImage[4] = {0xA1, 0xA2, 0xA3, 0xA4};
const calibCoeffSet kCoeffs = {{1, 2, 3}, {900, 1.5, -0.0001}};
calibCoeffSet coeffs;

// clang-format off
#define NO_PAYLOAD(call) {#call, [] { return call(); }, {}}
#define CALL(name, args, ...) {#name, [] { return name args; }, __VA_ARGS__}
const Request kRequests[] = {
    NO_PAYLOAD(ZOR_GotoMivoBootLoader), NO_PAYLOAD(ZOR_TestEEPROM), NO_PAYLOAD(ZOR_TestADC),
    NO_PAYLOAD(ZOR_TestSDRAM), NO_PAYLOAD(ZOR_TestTMP), NO_PAYLOAD(ZOR_TestHDC), NO_PAYLOAD(ZOR_EEPROM_CalTest),
    NO_PAYLOAD(ZOR_GetScanComplete), NO_PAYLOAD(ZOR_ResetMivo), NO_PAYLOAD(ZOR_GetNumScanCfg),
    NO_PAYLOAD(ZOR_GetActiveScanIndex), NO_PAYLOAD(ZOR_GetPGAGain), NO_PAYLOAD(ZOR_StartSNRScan),
    NO_PAYLOAD(ZOR_StartHadSNRScan), NO_PAYLOAD(ZOR_EEPROMMass_Erase), NO_PAYLOAD(ZOR_GetEstimatedScanTime),
    NO_PAYLOAD(ZOR_InterpretScan), NO_PAYLOAD(ZOR_HibernateMode), NO_PAYLOAD(ZOR_GetHibernate),
    NO_PAYLOAD(ZOR_ResetErrorStatus), NO_PAYLOAD(ZOR_UpdateRefCalDataWithWORefl), NO_PAYLOAD(ZOR_EraseVelcorFlash),
    CALL(ZOR_EraseAllScanCfg, (), {0x5A}), CALL(ZOR_SaveRefCalPerformed, (), {0}),
    CALL(ZOR_GetFlashChecksum, (&u32), {0x00}),
    CALL(ZOR_WriteFileData, (kImage, 4), {0xA1, 0xA2, 0xA3, 0xA4}),
    CALL(ZOR_SetFileSizeAndAction, (0x01020304, 0xAABBCCDD), {0x04, 0x03, 0x02, 0x01, 0xDD, 0xCC}),
    CALL(ZOR_GetFileSizeToRead, (ZOR_FILE_MATRIX_DATA), {3, 0, 0, 0}),
    CALL(ZOR_GetFileData, (bytes, &u32), {}),
    CALL(ZOR_TestBQ, (&u32, &u32, &u32, &u32, &u32), {}), CALL(ZOR_VELCEnable, (1, 2), {1, 2}),
    CALL(ZOR_TestBT, (1), {1}), CALL(ZOR_TestLED, (0x7F), {0x7F}), CALL(ZOR_ButtonTestRd, (u8s), {}),
    CALL(ZOR_ButtonTestWr, (1), {1}), CALL(ZOR_GetVersion, (&u32, &u32, &u32, &u32, &u32, &u32, &u32), {}),
    CALL(ZOR_PerformScan, (0), {0}), CALL(ZOR_SetPGAGain, (64), {64}),
    CALL(ZOR_SetVELCReg, (0x11223344, 0x55667788), {0x44, 0x33, 0x22, 0x11, 0x88, 0x77, 0x66, 0x55}),
    CALL(ZOR_GetVELCReg, (0x11223344, &u32), {0x44, 0x33, 0x22, 0x11}),
    CALL(ZOR_ApplyScanConfig, (kImage, 4), {0xA1, 0xA2, 0xA3, 0xA4}),
    CALL(ZOR_SaveScanCfgInDevice, (2, kImage, 4), {0x00, 0x02, 0x04, 0xA1, 0xA2, 0xA3, 0xA4}),
    CALL(ZOR_GetScanCfg, (7, bytes, &u32), {7, 0, 0, 0}), CALL(ZOR_SetActiveScanIndex, (3), {3}),
    CALL(ZOR_SetScanControlsVELCOnOff, (1), {1}), CALL(ZOR_setScanSubImage, (0x0102, 0x0304), {2, 1, 4, 3}),
    CALL(ZOR_SendEEPROMWipe, (5, 0, 1), {1, 0, 1}), CALL(ZOR_SendCalibStruct, (&kCoeffs), {0x00}),
    CALL(ZOR_GetCalibStruct, (&coeffs), {}, CalibImage()), CALL(ZOR_GetSNRData, (&u32, &u32, &u32), {}),
    CALL(ZOR_GenCalibPatterns, (0x1234), {0x34}), CALL(ZOR_SetScanNumRepeats, (0x0203), {0x03, 0x02}),
    CALL(ZOR_SetSerialNumber, ("SN123456"), {'S', 'N', '1', '2', '3', '4', '5', '6'}),
    CALL(ZOR_GetSerialNumber, (text), {}), CALL(ZOR_SetScanNameTag, ("abc", 3), {'a', 'b', 'c', 0}),
    CALL(ZOR_WriteBleDispName, (kName24), Bytes(kName24, kName24 + 24)),
    CALL(ZOR_ReadBleDispName, (text), {}), CALL(ZOR_ReadLampUsage, (&u64), {}),
    CALL(ZOR_ReadHum, (&u32, &u32), {}),
    CALL(ZOR_SetDateTime, (26, 12, 6, 19, 58, 7, 0), {26, 12, 6, 19, 58, 7, 0}),
    CALL(ZOR_ReadBattVolt, (&u32, &u32, &u32), {}), CALL(ZOR_ReadMivoTemp, (&u32), {}),
    CALL(ZOR_GetDateTime, (u8s, u8s + 1, u8s + 2, u8s + 3, u8s + 4, u8s + 5, u8s + 6), {}),
    CALL(ZOR_SetHibernate, (1), {1}), CALL(ZOR_GetManufacturingSerNum, (text), {}),
    CALL(ZOR_SaveModelName, (kName24), Bytes(kName24, kName24 + 16)), CALL(ZOR_ReadModelName, (text), {}),
    CALL(ZOR_ReadHWVersion, (text, &u32, &u32), {}), CALL(ZOR_GetFlashUniqueID, (bytes), {}),
    CALL(ZOR_GetPhotoDetector, (&u32, &u32, &u32), {}), CALL(ZOR_ReadDeviceStatus, (&u32), {}),
    CALL(ZOR_ReadErrorStatus, (bytes), {}), CALL(ZOR_GetSpecificErrorStatus, (0x01020304), {4, 3, 2, 1}),
    CALL(ZOR_GetSpecificErrorcode, (9), {9, 0, 0, 0}),
    CALL(ZOR_ClearSpecificError, (0x01020304), {4, 3, 2, 1}),
    CALL(ZOR_SetFixedPGAGain, (1, 16), {1, 16}),
};
#undef NO_PAYLOAD
#undef CALL
// clang-format on

TEST_F(Commands, EveryCatalogueCommandsRequestByteForByte) {
    std::set<std::string_view> covered;
    for (const Request &request : kRequests) EXPECT_TRUE(covered.insert(request.name).second);
    for (const zor::CommandInfo &info : zor::kCatalogue) EXPECT_EQ(covered.count(info.name), 1u) << info.name;
    for (const Request &request : kRequests) {
        SCOPED_TRACE(std::string(request.name));
        const zor::CommandInfo &info = zor::RowNamed(request.name);
        hid.ClearRecords();
        const bool is_read = info.kind == zor::Kind::Read || info.kind == zor::Kind::ReadParam;
        // Answer reads with a good reply of zeros and writes with a 0 ack.
        if (is_read) hid.QueueReply(request.reply);
        if (info.kind == zor::Kind::Write) hid.QueueAck(0);
        const uint8_t sequence = seqNum;

        EXPECT_GE(request.call(), 0);
        // Reads carry no data but the checksum's one byte, parameter reads 4 bytes, writes their row's
        // length (file data: what it is given); the code adds 2.
        const size_t length = 2 + (info.kind == zor::Kind::Read        ? (info.code == 0x0015 ? 1 : 0)
                                   : info.kind == zor::Kind::ReadParam ? 4
                                   : info.name == "ZOR_WriteFileData"  ? request.payload.size()
                                                                       : info.length);
        ASSERT_GE(hid.writes().size(), 1u);
        // Report ID, flags, sequence (writes only), length, code: all little-endian.
        EXPECT_EQ(Bytes(hid.writes()[0].begin(), hid.writes()[0].begin() + 7),
                  Bytes({0, static_cast<uint8_t>(is_read ? 0xC0 : 0x40),
                         static_cast<uint8_t>(is_read ? 0 : sequence), static_cast<uint8_t>(length),
                         static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(info.code),
                         static_cast<uint8_t>(info.code >> 8)}));
        const Bytes frame = hid.frames().at(0);
        ASSERT_EQ(frame.size(), 4 + length);
        EXPECT_EQ(Bytes(frame.begin() + 6, frame.begin() + 6 + static_cast<long>(request.payload.size())),
                  request.payload);
        EXPECT_EQ(hid.ScriptedEventsLeft(), 0u) << "reply consumed";
        EXPECT_EQ(seqNum, static_cast<uint8_t>(is_read ? sequence : sequence + 1))
            << "a write's sequence advances";
    }
}

}  // namespace
