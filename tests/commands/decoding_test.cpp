// Decoding of the values the device returns, and the result conventions of
// each kind of command.
#include <gmock/gmock.h>

#include <cstring>
#include <numeric>

#include "command_fixture.h"

using velscan_test::Bytes;

namespace {

TEST_F(Commands, MultiByteValuesAreLittleEndian) {
    hid.queueReply({0x4C, 0x09, 0x00, 0x00, 0x3A, 0x10, 0x00, 0x00});  // temperature comes first
    uint32_t humidity = 0, temperature = 0;
    ASSERT_EQ(ZOR_ReadHum(&humidity, &temperature), 0);
    EXPECT_EQ(temperature, 2380u);
    EXPECT_EQ(humidity, 4154u);
    hid.queueReply({0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00});
    uint64_t usage = 0;
    ASSERT_EQ(ZOR_ReadLampUsage(&usage), 0);
    EXPECT_EQ(usage, 8589934593u);
    hid.queueReply({0x34, 0x12});
    EXPECT_EQ(ZOR_GetSpecificErrorcode(1), 4660);
    // A size of 2 GiB or more comes back negative, so callers see a failure.
    hid.queueReply({0x00, 0x00, 0x00, 0x80});
    EXPECT_LT(ZOR_GetFileSizeToRead(ZOR_FILE_SCAN_DATA), 0);

    Bytes words;
    for (uint8_t i = 1; i <= 7; ++i) words.insert(words.end(), {i, 0, 0, i});
    hid.queueReply(words);
    uint32_t v[7] = {};
    ASSERT_EQ(ZOR_GetVersion(v, v + 1, v + 2, v + 3, v + 4, v + 5, v + 6), 0);
    EXPECT_EQ(v[0], 0x01000001u);
    EXPECT_EQ(v[6], 0x07000007u);
    hid.queueReply({'H', 'W', '-', 'R', 'E', 'V', '-', 'B', 1, 0, 0, 0, 0, 1, 0, 0});
    char text[8];
    ASSERT_EQ(ZOR_ReadHWVersion(text, v, v + 1), 0);
    EXPECT_EQ(std::string(text, 8), "HW-REV-B");
    EXPECT_THAT(std::vector<uint32_t>(v, v + 2), testing::ElementsAre(1u, 256u));
}

TEST_F(Commands, ByteResultsAreSignedOrUnsignedByRow) {
    struct Case {
        const char *what;
        int32_t (*call)();
        uint8_t byte;
        int32_t result;
    } cases[] = {
        {"scan complete 0xFF", ZOR_GetScanComplete, 0xFF, -1},
        {"SDRAM 0xFE", ZOR_TestSDRAM, 0xFE, -2},
        {"PGA gain 0x80", ZOR_GetPGAGain, 0x80, -128},
        {"hibernate 1", ZOR_GetHibernate, 1, 1},
        {"configurations 200", ZOR_GetNumScanCfg, 200, 200},
        {"active index 0xFF", ZOR_GetActiveScanIndex, 0xFF, 255},
        {"EEPROM 1", ZOR_TestEEPROM, 1, -1},
        {"EEPROM 0", ZOR_TestEEPROM, 0, 0},
        {"TMP 3", ZOR_TestTMP, 3, -1},
        {"TMP 0", ZOR_TestTMP, 0, 0},
        {"HDC 2", ZOR_TestHDC, 2, -1},
        {"ADC 0", ZOR_TestADC, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        hid.queueReply({c.byte});
        EXPECT_EQ(c.call(), c.result);
    }
    hid.queueReply({0xC8});
    EXPECT_EQ(ZOR_GetSpecificErrorStatus(4), 200);
}

TEST_F(Commands, TextsStopAtAZeroOrTheReplyEndOrTheirField) {
    const struct {
        int32_t (*read)(char *);
        Bytes reply;
        std::string text;  // the buffer's first bytes after the call ('#' untouched)
    } cases[] = {
        {ZOR_GetSerialNumber, {'A', 'B', 0, 'C', 'D'}, std::string("AB\0#", 4)},
        {ZOR_GetSerialNumber, {'1', '2', '3', '4', '5', '6', '7', '8', '9'}, "12345678#"},  // no terminator
        {ZOR_GetSerialNumber, {'S', 'N'}, std::string("SN\0#", 4)},
        {ZOR_ReadModelName, {'A', 'B', 'C'}, std::string("ABC\0#", 5)},
    };
    for (const auto &c : cases) {
        char text[32];
        std::memset(text, '#', sizeof text);
        hid.queueReply(c.reply);
        ASSERT_EQ(c.read(text), 0);
        EXPECT_EQ(std::string(text, c.text.size()), c.text);
    }
}

TEST_F(Commands, FixedWidthFieldsAreCopiedAsTheyStand) {
    const Bytes id = {0xDE, 0xAD, 0x00, 0xEF, 1, 2, 3, 4, 0x99};
    hid.queueReply(id);
    uint8_t out[ZOR_ERROR_STATUS_LEN];
    std::memset(out, 0x55, sizeof out);
    ASSERT_EQ(ZOR_GetFlashUniqueID(out), 0);
    EXPECT_EQ(Bytes(out, out + 9), Bytes({0xDE, 0xAD, 0x00, 0xEF, 1, 2, 3, 4, 0x55}));
    Bytes status(20);
    std::iota(status.begin(), status.end(), 100);
    hid.queueReply(status);
    ASSERT_EQ(ZOR_ReadErrorStatus(out), 0);
    EXPECT_EQ(Bytes(out, out + 20), status);
}

TEST_F(Commands, FailedReadsPassFramingCodesAndLeaveOutParametersAlone) {
    hid.queueReply({0}, 3);
    EXPECT_EQ(ZOR_TestADC(), ZOR_ERR_STATUS3);
    hid.queueTimeout();
    EXPECT_EQ(ZOR_TestHDC(), ZOR_ERR_TIMEOUT);
    hid.queueReadError();
    EXPECT_EQ(ZOR_TestEEPROM(), ZOR_ERR_TRANSPORT);

    uint32_t value = 77;
    hid.queueReply({1, 2, 3, 4}, 2);
    EXPECT_EQ(ZOR_ReadDeviceStatus(&value), ZOR_ERR_STATUS2);
    hid.queueTimeout();
    EXPECT_EQ(ZOR_GetVELCReg(1, &value), ZOR_ERR_TIMEOUT);
    EXPECT_EQ(value, 77u);

    // Two reads report any failure as -1.
    uint32_t a = 1, b = 2, c = 3;
    hid.queueReply({1}, 3);
    EXPECT_EQ(ZOR_GetSNRData(&a, &b, &c), -1);
    hid.queueTimeout();
    EXPECT_EQ(ZOR_GetPhotoDetector(&a, &b, &c), -1);
    EXPECT_EQ(a + b + c, 6u);
}

TEST_F(Commands, WriteResultsFollowTheAcknowledgement) {
    hid.queueReply({0x05, 0x00, 0x00, 0x00});
    EXPECT_EQ(ZOR_SetPGAGain(8), 5);
    hid.queueTimeout();
    EXPECT_EQ(ZOR_PerformScan(0), ZOR_ERR_TIMEOUT);

    // A send that fails is -1 and no acknowledgement is read.
    hid.queueAck(0);
    hid.failWriteAt = static_cast<int>(hid.writes().size());
    EXPECT_EQ(ZOR_ResetErrorStatus(), -1);
    EXPECT_EQ(hid.scriptedEventsLeft(), 1u);
}

TEST_F(Commands, UnacknowledgedWritesReadNothing) {
    EXPECT_EQ(ZOR_ResetMivo(), 0);
    EXPECT_EQ(ZOR_HibernateMode(), 0);
    EXPECT_EQ(ZOR_GotoMivoBootLoader(), 6);  // the send's count: header + code
    for (int timeout : hid.readTimeouts()) EXPECT_EQ(timeout, 0) << "only the stale-input check";

    for (int32_t (*send)() : {ZOR_ResetMivo, ZOR_GotoMivoBootLoader, ZOR_HibernateMode}) {
        hid.failWriteAt = static_cast<int>(hid.writes().size());
        EXPECT_EQ(send(), -1);
    }
}

TEST_F(Commands, BluetoothWaitsTwoSecondsOnTheClockEvenWhenTheSendFails) {
    for (int failAt : {-1, 0}) {
        clock.clear();
        hid.queueAck(0);
        hid.failWriteAt = failAt < 0 ? -1 : static_cast<int>(hid.writes().size());
        EXPECT_EQ(ZOR_TestBT(1), failAt < 0 ? 0 : -1);
        EXPECT_EQ(clock.sleeps(), std::vector<uint32_t>{2000});
    }
    EXPECT_EQ(hid.scriptedEventsLeft(), 1u) << "no ack read after a failed send";
}

TEST_F(Commands, LongScanNameTagIsCutWithoutTerminator) {
    hid.queueAck(0);  // a short one is terminated: see the catalogue requests
    ASSERT_EQ(ZOR_SetScanNameTag("ABCDEFGHIJKLMNOPQ", 17), 0);  // only the 14-byte field goes
    EXPECT_EQ(OnlyPayload(), Bytes({'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N'}));
}

TEST_F(Commands, ErrorMessagesByTable) {
    struct Case {
        int32_t (*lookup)(uint32_t, char *);
        uint32_t code;
        const char *text;
    } cases[] = {
        {ZOR_TMP_GetErrorMessageFromErrorCode, 0, "PASS"},
        {ZOR_TMP_GetErrorMessageFromErrorCode, 7, "ERROR_I2C"},
        {ZOR_TMP_GetErrorMessageFromErrorCode, 8, "ERROR_UNDEFINED"},
        {ZOR_HDC_GetErrorMessageFromErrorCode, 1, "ERROR_MANUID"},
        {ZOR_HDC_GetErrorMessageFromErrorCode, 0xFFFFFFFF, "ERROR_UNDEFINED"},
        {ZOR_ADC_GetErrorMessageFromErrorCode, 5, "ERROR_WAEKUP"},
        {ZOR_ADC_GetErrorMessageFromErrorCode, 9, "ERROR_SETBUFFER"},
        {ZOR_ADC_GetErrorMessageFromErrorCode, 10, "ERROR_UNDEFINED"},
        {ZOR_SDC_GetErrorMessageFromErrorCode, 18, "ERROR_TOO_MANY_OPEN_FILES"},
        {ZOR_SDC_GetErrorMessageFromErrorCode, 19, "ERROR_UNDEFINED"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        char text[40];
        std::memset(text, '#', sizeof text);
        EXPECT_EQ(c.lookup(c.code, text), 0);
        EXPECT_EQ(std::string(text), c.text);
        EXPECT_EQ(text[std::strlen(c.text) + 1], '#') << "nothing written after the terminator";
    }
    EXPECT_EQ(hid.writes().size(), 0u);
}

}  // namespace
