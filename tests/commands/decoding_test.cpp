// Decoding of the values the device returns, and the result conventions of
// each kind of command.
#include <gmock/gmock.h>

#include <cstring>
#include <functional>
#include <numeric>
#include <tuple>

#include "command_fixture.h"

using velscan_test::Bytes;

namespace {

TEST_F(Commands, MultiByteValuesAreLittleEndian) {
    hid.QueueReply({0x4C, 0x09, 0x00, 0x00, 0x3A, 0x10, 0x00, 0x00});  // temperature comes first
    uint32_t humidity = 0, temperature = 0;
    ASSERT_EQ(ZOR_ReadHum(&humidity, &temperature), 0);
    EXPECT_EQ(std::make_pair(temperature, humidity), std::make_pair(2380u, 4154u));
    hid.QueueReply({0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00});
    uint64_t usage = 0;
    ASSERT_EQ(ZOR_ReadLampUsage(&usage), 0);
    EXPECT_EQ(usage, 8589934593u);
    hid.QueueReply({0x34, 0x12});
    EXPECT_EQ(ZOR_GetSpecificErrorcode(1), 4660);
    // A size of 2 GiB or more comes back negative, so callers see a failure.
    hid.QueueReply({0x00, 0x00, 0x00, 0x80});
    EXPECT_LT(ZOR_GetFileSizeToRead(ZOR_FILE_SCAN_DATA), 0);

    Bytes words;
    for (uint8_t i = 1; i <= 7; ++i) words.insert(words.end(), {i, 0, 0, i});
    hid.QueueReply(words);
    uint32_t v[7] = {};
    ASSERT_EQ(ZOR_GetVersion(v, v + 1, v + 2, v + 3, v + 4, v + 5, v + 6), 0);
    EXPECT_EQ(std::make_pair(v[0], v[6]), std::make_pair(0x01000001u, 0x07000007u));
    hid.QueueReply({'H', 'W', '-', 'R', 'E', 'V', '-', 'B', 1, 0, 0, 0, 0, 1, 0, 0});
    char text[8];
    ASSERT_EQ(ZOR_ReadHWVersion(text, v, v + 1), 0);
    EXPECT_EQ(std::string(text, 8), "HW-REV-B");
    EXPECT_THAT(std::vector<uint32_t>(v, v + 2), testing::ElementsAre(1u, 256u));
}

TEST_F(Commands, ByteResultsAreSignedOrUnsignedByRow) {
    // clang-format off
    const struct { int32_t (*call)(); uint8_t byte; int32_t result; } cases[] = {
        {ZOR_GetScanComplete, 0xFF, -1}, {ZOR_TestSDRAM, 0xFE, -2}, {ZOR_GetPGAGain, 0x80, -128},
        {ZOR_GetHibernate, 1, 1}, {ZOR_GetNumScanCfg, 200, 200}, {ZOR_GetActiveScanIndex, 0xFF, 255},
        {ZOR_TestEEPROM, 1, -1}, {ZOR_TestEEPROM, 0, 0}, {ZOR_TestTMP, 3, -1}, {ZOR_TestTMP, 0, 0},
        {ZOR_TestHDC, 2, -1}, {ZOR_TestADC, 0, 0}, {[] { return ZOR_GetSpecificErrorStatus(4); }, 0xC8, 200},
    };
    // clang-format on
    for (const auto &c : cases) {
        hid.QueueReply({c.byte});
        EXPECT_EQ(c.call(), c.result) << &c - cases;
    }
}

TEST_F(Commands, TextsStopAtAZeroOrTheReplyEndOrTheirField) {
    // The reply, and the buffer's first bytes after the call ('#' untouched).
    const std::tuple<int32_t (*)(char *), Bytes, std::string> cases[] = {
        {ZOR_GetSerialNumber, {'A', 'B', 0, 'C', 'D'}, std::string("AB\0#", 4)},
        {ZOR_GetSerialNumber, {'1', '2', '3', '4', '5', '6', '7', '8', '9'}, "12345678#"},  // no terminator
        {ZOR_GetSerialNumber, {'S', 'N'}, std::string("SN\0#", 4)},
        {ZOR_ReadModelName, {'A', 'B', 'C'}, std::string("ABC\0#", 5)},
    };
    for (const auto &[read, reply, text_after] : cases) {
        char text[32];
        std::memset(text, '#', sizeof text);
        hid.QueueReply(reply);
        ASSERT_EQ(read(text), 0);
        EXPECT_EQ(std::string(text, text_after.size()), text_after);
    }
}

TEST_F(Commands, FixedWidthFieldsAreCopiedAsTheyStand) {
    const Bytes id = {0xDE, 0xAD, 0x00, 0xEF, 1, 2, 3, 4, 0x99};
    hid.QueueReply(id);
    uint8_t out[ZOR_ERROR_STATUS_LEN];
    std::memset(out, 0x55, sizeof out);
    ASSERT_EQ(ZOR_GetFlashUniqueID(out), 0);
    EXPECT_EQ(Bytes(out, out + 9), Bytes({0xDE, 0xAD, 0x00, 0xEF, 1, 2, 3, 4, 0x55}));
    Bytes status(20);
    std::iota(status.begin(), status.end(), 100);
    hid.QueueReply(status);
    ASSERT_EQ(ZOR_ReadErrorStatus(out), 0);
    EXPECT_EQ(Bytes(out, out + 20), status);
}

// A failed read passes the framing code on (two readers: -1 for any failure)
// and leaves its out-parameters alone. Status 1-3: a reply with those status
// bits; -1 a time-out, -2 a read error.
TEST_F(Commands, FailedReadsPassFramingCodesAndLeaveOutParametersAlone) {
    uint32_t a = 1, b = 2, c = 3;
    // clang-format off
    const struct { std::function<int32_t()> call; int status; int32_t result; } cases[] = {
        {ZOR_TestADC, 3, ZOR_ERR_STATUS3}, {ZOR_TestHDC, -1, ZOR_ERR_TIMEOUT},
        {ZOR_TestEEPROM, -2, ZOR_ERR_TRANSPORT},
        {[&] { return ZOR_ReadDeviceStatus(&a); }, 2, ZOR_ERR_STATUS2},
        {[&] { return ZOR_GetVELCReg(1, &a); }, -1, ZOR_ERR_TIMEOUT},
        {[&] { return ZOR_GetSNRData(&a, &b, &c); }, 3, -1},
        {[&] { return ZOR_GetPhotoDetector(&a, &b, &c); }, -1, -1},
    };
    // clang-format on
    for (const auto &r : cases) {
        SCOPED_TRACE(&r - cases);
        if (r.status == -1) hid.QueueTimeout();
        if (r.status == -2) hid.QueueReadError();
        if (r.status > 0) hid.QueueReply({1, 2, 3, 4}, r.status);
        EXPECT_EQ(r.call(), r.result);
        EXPECT_EQ(std::vector<uint32_t>({a, b, c}), std::vector<uint32_t>({1, 2, 3}));
    }
}

// A write's result is its acknowledgement's value or the framing code; a send
// that fails is -1 and reads no acknowledgement. The unacknowledged ones read
// nothing but the stale-input check; Bluetooth waits 2 s even when the send fails.
TEST_F(Commands, WriteResultsFollowTheAcknowledgement) {
    constexpr int kNoReply = -2;
    // The call, the acknowledgement's value (-1 a time-out), whether the send
    // fails, the result and the waits. The boot loader's
    // result is the send's count (header + code).
    // clang-format off
    const std::tuple<int32_t (*)(), int, bool, int32_t, std::vector<uint32_t>> cases[] = {
        {[] { return ZOR_SetPGAGain(8); }, 5, false, 5, {}},
        {[] { return ZOR_PerformScan(0); }, -1, false, ZOR_ERR_TIMEOUT, {}},
        {ZOR_ResetMivo, kNoReply, false, 0, {}}, {ZOR_HibernateMode, kNoReply, false, 0, {}},
        {ZOR_GotoMivoBootLoader, kNoReply, false, 6, {}}, {ZOR_ResetMivo, kNoReply, true, -1, {}},
        {ZOR_GotoMivoBootLoader, kNoReply, true, -1, {}}, {ZOR_HibernateMode, kNoReply, true, -1, {}},
        {[] { return ZOR_TestBT(1); }, 0, false, 0, {2000}}, {ZOR_ResetErrorStatus, 0, true, -1, {}},
        {[] { return ZOR_TestBT(1); }, 0, true, -1, {2000}},
    };
    // clang-format on
    size_t left = 0;  // acknowledgements left unread by failed sends
    for (const auto &[call, ack, send_fails, result, sleeps] : cases) {
        SCOPED_TRACE(result);
        hid.ClearRecords();
        clock.clear();
        if (ack >= 0) hid.QueueAck(ack);
        if (ack == -1) hid.QueueTimeout();
        hid.fail_write_at = send_fails ? 0 : -1;
        EXPECT_EQ(call(), result);
        if (send_fails && ack != kNoReply) ++left;
        EXPECT_EQ(hid.ScriptedEventsLeft(), left);
        if (ack == kNoReply) {
            for (int timeout : hid.read_timeouts()) EXPECT_EQ(timeout, 0) << "only the stale-input check";
        }
        EXPECT_EQ(clock.sleeps(), sleeps);
    }
}

// Coefficients go out after a zero byte as a 144-byte image; a reply image
// with a damaged magic is refused and changes nothing.
TEST_F(Commands, CalibrationImageRoundTripsAndADamagedOneIsRefused) {
    const calibCoeffSet sent = {{0.5, -1.25, 3e-6}, {1650.0, -0.92, 1.1e-4}};
    hid.QueueAck(0);
    ASSERT_EQ(ZOR_SendCalibStruct(&sent), 0);
    Bytes image = OnlyPayload();
    ASSERT_EQ(image.size(), 144u);
    EXPECT_EQ(image[0], 0);
    image.erase(image.begin());
    hid.QueueReply(image);
    calibCoeffSet coeffs = {};
    ASSERT_EQ(ZOR_GetCalibStruct(&coeffs), 0);
    EXPECT_EQ(std::memcmp(&coeffs, &sent, sizeof coeffs), 0);

    image[0] ^= 0xFF;
    hid.QueueReply(image);
    coeffs.pixel_to_wavelength_coeffs[0] = 42;
    EXPECT_EQ(ZOR_GetCalibStruct(&coeffs), ZOR_ERR_REJECTED);
    EXPECT_EQ(coeffs.pixel_to_wavelength_coeffs[0], 42);
    EXPECT_EQ(ZOR_SendCalibStruct(nullptr), -1);
}

TEST_F(Commands, LongScanNameTagIsCutWithoutTerminator) {
    hid.QueueAck(0);  // a short one is terminated: see the catalogue requests
    ASSERT_EQ(ZOR_SetScanNameTag("ABCDEFGHIJKLMNOPQ", 17), 0);  // only the 14-byte field goes
    EXPECT_EQ(OnlyPayload(), Bytes({'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N'}));
}

TEST_F(Commands, ErrorMessagesByTable) {
    const auto tmp = ZOR_TMP_GetErrorMessageFromErrorCode, hdc = ZOR_HDC_GetErrorMessageFromErrorCode,
               adc = ZOR_ADC_GetErrorMessageFromErrorCode, sdc = ZOR_SDC_GetErrorMessageFromErrorCode;
    // clang-format off
    struct Case { int32_t (*lookup)(uint32_t, char *); uint32_t code; const char *text; } cases[] = {
        {tmp, 0, "PASS"}, {tmp, 7, "ERROR_I2C"}, {tmp, 8, "ERROR_UNDEFINED"}, {hdc, 1, "ERROR_MANUID"},
        {hdc, 0xFFFFFFFF, "ERROR_UNDEFINED"}, {adc, 5, "ERROR_WAEKUP"}, {adc, 9, "ERROR_SETBUFFER"},
        {adc, 10, "ERROR_UNDEFINED"}, {sdc, 18, "ERROR_TOO_MANY_OPEN_FILES"}, {sdc, 19, "ERROR_UNDEFINED"},
    };
    // clang-format on
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
