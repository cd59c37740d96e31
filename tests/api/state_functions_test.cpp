// Connection and device-state functions: the commands each sends, the test
// each applies to a command's result (nonzero versus negative), codes,
// diagnostics, and out-parameters left alone on failure.
#include <gtest/gtest.h>

#include <tuple>

#include "api_device.h"
#include "wrapper.h"

using namespace api_test;

TEST(Connection, PassesTheTransportsResultsAndOpensOnlyAnEnumeratedDevice) {
    velscan_test::FakeHid hid;
    hid.fail_init = true;
    EXPECT_EQ(velInitUsb(), -101);
    hid.fail_init = false;
    EXPECT_EQ(velOpenByUsb(0), VEL_ERR_OPEN);
    velClose(0);  // after a failed open: no effect
    hid.AddDevice();
    EXPECT_EQ(velInitUsb(), 1);
    EXPECT_EQ(velOpenByUsb(0), 0);
    EXPECT_EQ(velOpenByUsb(1), VEL_ERR_OPEN);  // never filled
    EXPECT_EQ(hid.CloseCount(), 0);
    velClose(0);
    EXPECT_EQ(hid.CloseCount(), 1);
}

// Lamp, Bluetooth, setters and button writes: the commands each call sends and
// the test it applies to each result (a positive acknowledgement is success
// for the setters, a failure for Bluetooth and the button).
TEST(Switches, SendTheirCommandsAndJudgeEachResult) {
    using F = Failure;
    const std::vector<SentCommand> lamp_on = {{kSetScanControlsVELCOnOff, {0}}, {kVELCEnable, {1, 1}}};
    const std::vector<SentCommand> lamp_off = {{kSetScanControlsVELCOnOff, {1}}, {kVELCEnable, {0, 0}}};
    const std::vector<SentCommand> button_off = {{kButtonTestWr, {1}}, {kButtonTestWr, {0}}};
    const std::vector<SentCommand> repeat_once = {{kSetScanNumRepeats, {1, 0}}};
    // The failure, the call, its result, the commands sent; the failing
    // exchange is the one with sent[at].
    const std::tuple<Failure, int32_t (*)(), int32_t, std::vector<SentCommand>, size_t> cases[] = {
        {F::None, [] { return velSetLampStatus(1); }, 0, lamp_on, 0},
        {F::None, [] { return velSetLampStatus(0); }, 0, lamp_off, 0},
        {F::Status3, [] { return velSetLampStatus(7); }, 0, lamp_on, 0},
        {F::Timeout, [] { return velSetLampStatus(7); }, 0, lamp_on, 1},
        {F::None, [] { return velSetBluetoothStatus(1); }, 0, {{kTestBT, {1}}}, 0},
        {F::PositiveAck, [] { return velSetBluetoothStatus(1); }, VEL_ERR_BLUETOOTH_ON, {{kTestBT, {1}}}, 0},
        {F::Status3, [] { return velSetBluetoothStatus(0); }, VEL_ERR_BLUETOOTH_OFF, {{kTestBT, {0}}}, 0},
        {F::None, [] { return velSetPgaGain(64); }, 0, {{kSetFixedPGAGain, {1, 64}}}, 0},
        {F::PositiveAck, [] { return velSetPgaGain(3); }, 0, {{kSetFixedPGAGain, {1, 3}}}, 0},
        {F::Status3, [] { return velSetPgaGain(3); }, VEL_ERR_SET_GAIN, {{kSetFixedPGAGain, {1, 3}}}, 0},
        {F::None, [] { return velSetAvgTimes(0x1234); }, 0, {{kSetScanNumRepeats, {0x34, 0x12}}}, 0},
        {F::PositiveAck, [] { return velSetAvgTimes(1); }, 0, repeat_once, 0},
        {F::Status3, [] { return velSetAvgTimes(1); }, VEL_ERR_SET_AVERAGE, repeat_once, 0},
        {F::None, [] { return velEnableButtonPress(1); }, 0, {{kButtonTestWr, {1}}}, 0},
        {F::None, [] { return velEnableButtonPress(0); }, 0, button_off, 0},
        {F::PositiveAck, [] { return velEnableButtonPress(0); }, VEL_ERR_BUTTON, {{kButtonTestWr, {1}}}, 0},
        {F::Status3, [] { return velEnableButtonPress(0); }, VEL_ERR_BUTTON_DISABLE, button_off, 1},
        {F::None, [] { return velClose(0), velSetLampStatus(1); }, 0, {}, 0},  // no device open
        {F::None, [] { return velClose(0), velSetBluetoothStatus(1); }, VEL_ERR_BLUETOOTH_ON, {}, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const auto &[failure, call, result, sent, at] = cases[i];
        ApiDevice device;
        // sent[at] is the first exchange with its code, except the button's second write.
        if (failure != F::None) device.Fail(sent[at].code, failure, sent == button_off ? at : 0);
        EXPECT_EQ(call(), result);
        EXPECT_EQ(device.Sent(), sent);
    }
}

// Readers store what the device reports; on failure they return the code (the
// pass-through ones with a diagnostic) and leave the out-parameters alone.
TEST(Readers, StoreTheReadingOrReportTheFailure) {
    ApiDevice device;
    device.gain = 16;
    int32_t gain = 0;
    uint32_t status = 0, humidity = 0, temperature = 0, volt = 0, percent = 0;
    const auto read_all = [&] {
        return std::vector<int32_t>{velGetPgaGain(&gain), velGetDeviceStatus(&status),
                                    velGetHumTemp(&humidity, &temperature),
                                    velGetBatteryInfo(&volt, &percent)};
    };
    const auto values = [&] {
        return std::vector<int64_t>{gain, status, humidity, temperature, volt, percent};
    };
    EXPECT_EQ(read_all(), std::vector<int32_t>(4, 0));
    EXPECT_EQ(values(), (std::vector<int64_t>{16, 0x11, 4512, 2533, 391, 8700}));
    EXPECT_EQ(device.Codes(),
              (std::vector<uint16_t>{kGetPGAGain, kReadDeviceStatus, kReadHum, kReadBattVolt}));

    for (uint16_t code : {kGetPGAGain, kReadHum}) device.Fail(code, Failure::Timeout, 1);
    for (uint16_t code : {kReadDeviceStatus, kReadBattVolt}) device.Fail(code, Failure::Status3, 1);
    gain = 1;
    status = humidity = temperature = volt = percent = 1;
    std::vector<int32_t> results;
    EXPECT_EQ(Captured([&] { return results = read_all(), 0; }).second,
              "ZOR_ReadDeviceStatus error: -2\nZOR_ReadHum error: -5\nZOR_ReadBattVolt error: -2\n");
    EXPECT_EQ(results, (std::vector<int32_t>{VEL_ERR_GET_GAIN, -2, -5, -2}));
    EXPECT_EQ(values(), std::vector<int64_t>(6, 1));

    // The button state is 1 for any nonzero byte.
    uint8_t state = 5;
    for (auto [button, expected] : {std::pair<uint8_t, uint8_t>{0x80, 1}, {0, 0}}) {
        device.button = button;
        EXPECT_EQ(velGetButtonPressStatus(&state), 0);
        EXPECT_EQ(state, expected);
    }
    device.Fail(kButtonTestRd, Failure::Status3, 2);
    EXPECT_EQ(velGetButtonPressStatus(&state), VEL_ERR_BUTTON);
    EXPECT_EQ(state, 0);
}

TEST(DeviceUuid, SwitchesControllerOffThenReadsTheId) {
    ApiDevice device;
    uint8_t id[8] = {};
    EXPECT_EQ(Captured([&] { return velGetDeviceUuid(id); }), std::make_pair(0, std::string()));
    EXPECT_EQ(device.Sent(), (std::vector<SentCommand>{{kVELCEnable, {0, 0}}, {kGetFlashUniqueID, {}}}));
    EXPECT_EQ(Bytes(id, id + 8), Bytes(device.uuid, device.uuid + 8));

    // A controller failure is reported and the id is still read.
    device.Fail(kVELCEnable, Failure::PositiveAck, 1);
    device.uuid[7] = 0x42;
    EXPECT_EQ(Captured([&] { return velGetDeviceUuid(id); }),
              std::make_pair(0, std::string("ZOR_VELCEnable error: 7\n")));
    EXPECT_EQ(id[7], 0x42);

    // A read failure is returned and leaves the id alone.
    device.Fail(kGetFlashUniqueID, Failure::Timeout, 2);
    EXPECT_EQ(Captured([&] { return velGetDeviceUuid(id); }),
              std::make_pair(-5, std::string("ZOR_GetFlashUniqueID error: -5\n")));
    EXPECT_EQ(id[7], 0x42);
}

TEST(RefusedArguments, NullPointersAndBadCountsAreRefusedBeforeAnythingIsSent) {
    ApiDevice device;
    uint32_t value = 0;
    int32_t points[4] = {};
    double wavelengths[VEL_MAX_WAVELENGTHS + 1] = {};
    // clang-format off
    const std::vector<int32_t> null_results = {
        velGetPgaGain(nullptr), velGetDeviceStatus(nullptr), velGetDeviceUuid(nullptr),
        velGetButtonPressStatus(nullptr), velGetHumTemp(&value, nullptr), velGetBatteryInfo(nullptr, &value),
        velGetConfigInfo(nullptr), velGetWavelengths(nullptr, 1), velGetIntensities(0, nullptr, 1),
        velGetScanResults(nullptr), velGetRefIntensityFromDevice(nullptr, 1)};
    // clang-format on
    EXPECT_EQ(null_results, std::vector<int32_t>(11, VEL_ERR_NULL_ARGUMENT));
    for (int32_t count : {VEL_MAX_WAVELENGTHS + 1, -1})
        EXPECT_EQ(velGetWavelengths(wavelengths, count), VEL_ERR_TOO_MANY_POINTS);
    for (int32_t count : {SCAN_MAX_ADC + 1, -1}) {
        EXPECT_EQ(velGetIntensities(0, points, count), VEL_ERR_POINT_COUNT);
        EXPECT_EQ(velGetRefIntensityFromDevice(points, count), VEL_ERR_POINT_COUNT);
    }
    EXPECT_TRUE(device.Sent().empty());
}
