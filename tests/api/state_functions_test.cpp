// Device-state functions: the commands each sends, the test each applies to a
// command's result (nonzero versus negative), codes, diagnostics, and
// out-parameters left alone on failure.
#include <gtest/gtest.h>

#include "scripted_device.h"
#include "wrapper.h"

using namespace api_test;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

TEST(LampStatus, SwitchesControllerAndLampAndIgnoresFailures)
{
    ScriptedDevice device;
    EXPECT_EQ(velSetLampStatus(1), 0);
    EXPECT_EQ(velSetLampStatus(0), 0);
    const std::vector<SentCommand> expected = {
        {kSetScanControlsVELCOnOff, {0}}, {kVELCEnable, {1, 1}},
        {kSetScanControlsVELCOnOff, {1}}, {kVELCEnable, {0, 0}},
    };
    EXPECT_EQ(device.sent(), expected);

    device.fail(kSetScanControlsVELCOnOff, Failure::Status3, 2);
    device.fail(kVELCEnable, Failure::Timeout, 2);
    EXPECT_EQ(velSetLampStatus(7), 0);
    EXPECT_EQ(device.sent()[4], (SentCommand{kSetScanControlsVELCOnOff, {0}}));
    EXPECT_EQ(device.sent()[5], (SentCommand{kVELCEnable, {1, 1}}));
}

TEST(LampStatus, ReturnsZeroWithNoDeviceOpen)
{
    velscan_test::FakeHid hid;
    EXPECT_EQ(velSetLampStatus(1), 0);
    EXPECT_TRUE(hid.writes().empty());
}

TEST(BluetoothStatus, WaitsTwoSecondsAndFailsOnAnyNonzeroAck)
{
    ScriptedDevice device;
    EXPECT_EQ(velSetBluetoothStatus(1), 0);
    EXPECT_EQ(device.sent().back(), (SentCommand{kTestBT, {1}}));
    EXPECT_EQ(device.sleeps(), std::vector<uint32_t>{2000});

    device.fail(kTestBT, Failure::PositiveAck, 1);
    EXPECT_EQ(velSetBluetoothStatus(1), VEL_ERR_BLUETOOTH_ON);
    device.fail(kTestBT, Failure::Status3, 2);
    EXPECT_EQ(velSetBluetoothStatus(0), VEL_ERR_BLUETOOTH_OFF);
    EXPECT_EQ(device.sent().back(), (SentCommand{kTestBT, {0}}));
}

TEST(BluetoothStatus, WaitsEvenWhenTheCommandCannotBeSent)
{
    velscan_test::FakeHid hid;
    velscan_test::FakeClock clock;
    EXPECT_EQ(velSetBluetoothStatus(1), VEL_ERR_BLUETOOTH_ON);
    EXPECT_EQ(clock.sleeps(), std::vector<uint32_t>{2000});
}

TEST(PgaGain, SetSendsFixedAndAnyValueAndFailsOnlyWhenNegative)
{
    ScriptedDevice device;
    EXPECT_EQ(velSetPgaGain(3), 0);
    EXPECT_EQ(device.sent().back(), (SentCommand{kSetFixedPGAGain, {1, 3}}));
    device.fail(kSetFixedPGAGain, Failure::PositiveAck, 1);
    EXPECT_EQ(velSetPgaGain(64), 0);
    device.fail(kSetFixedPGAGain, Failure::Status3, 2);
    EXPECT_EQ(velSetPgaGain(64), VEL_ERR_SET_GAIN);
}

TEST(PgaGain, GetStoresTheGainOrLeavesItOnFailure)
{
    ScriptedDevice device;
    device.gain = 16;
    int32_t gain = -99;
    EXPECT_EQ(velGetPgaGain(&gain), 0);
    EXPECT_EQ(gain, 16);
    EXPECT_EQ(device.codes(), std::vector<uint16_t>{kGetPGAGain});

    gain = -99;
    device.fail(kGetPGAGain, Failure::Timeout, 1);
    EXPECT_EQ(velGetPgaGain(&gain), VEL_ERR_GET_GAIN);
    EXPECT_EQ(gain, -99);
}

TEST(AverageCount, SendsSixteenBitsAndFailsOnlyWhenNegative)
{
    ScriptedDevice device;
    EXPECT_EQ(velSetAvgTimes(0x1234), 0);
    EXPECT_EQ(device.sent().back(), (SentCommand{kSetScanNumRepeats, {0x34, 0x12}}));
    device.fail(kSetScanNumRepeats, Failure::PositiveAck, 1);
    EXPECT_EQ(velSetAvgTimes(1), 0);
    device.fail(kSetScanNumRepeats, Failure::Status3, 2);
    EXPECT_EQ(velSetAvgTimes(1), VEL_ERR_SET_AVERAGE);
}

TEST(DeviceStatus, PassesTheCommandResultThroughAndReportsFailures)
{
    ScriptedDevice device;
    uint32_t status = 0;
    EXPECT_EQ(velGetDeviceStatus(&status), 0);
    EXPECT_EQ(status, 0x11u);
    EXPECT_EQ(device.codes(), std::vector<uint16_t>{kReadDeviceStatus});

    device.fail(kReadDeviceStatus, Failure::Status3, 1);
    status = 0xDEAD;
    CaptureStdout();
    EXPECT_EQ(velGetDeviceStatus(&status), -2);
    EXPECT_EQ(GetCapturedStdout(), "ZOR_ReadDeviceStatus error: -2\n");
    EXPECT_EQ(status, 0xDEADu);
}

TEST(DeviceUuid, SwitchesControllerOffThenReadsTheId)
{
    ScriptedDevice device;
    uint8_t id[8] = {};
    CaptureStdout();
    EXPECT_EQ(velGetDeviceUuid(id), 0);
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(device.sent(), (std::vector<SentCommand>{{kVELCEnable, {0, 0}}, {kGetFlashUniqueID, {}}}));
    EXPECT_EQ(std::vector<uint8_t>(id, id + 8), std::vector<uint8_t>(device.uuid, device.uuid + 8));
}

TEST(DeviceUuid, ReportsAControllerFailureAndStillReadsTheId)
{
    ScriptedDevice device;
    device.fail(kVELCEnable, Failure::PositiveAck);
    uint8_t id[8] = {};
    CaptureStdout();
    EXPECT_EQ(velGetDeviceUuid(id), 0);
    EXPECT_EQ(GetCapturedStdout(), "ZOR_VELCEnable error: 7\n");
    EXPECT_EQ(id[7], 0xEF);
}

TEST(DeviceUuid, ReturnsTheReadFailureAndLeavesTheIdAlone)
{
    ScriptedDevice device;
    device.fail(kGetFlashUniqueID, Failure::Timeout);
    uint8_t id[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    CaptureStdout();
    EXPECT_EQ(velGetDeviceUuid(id), -5);
    EXPECT_EQ(GetCapturedStdout(), "ZOR_GetFlashUniqueID error: -5\n");
    EXPECT_EQ(id[0], 9);
}

TEST(ButtonPress, EnableWritesOneAndDisableWritesOneThenZero)
{
    ScriptedDevice device;
    EXPECT_EQ(velEnableButtonPress(1), 0);
    EXPECT_EQ(velEnableButtonPress(0), 0);
    const std::vector<SentCommand> expected = {
        {kButtonTestWr, {1}}, {kButtonTestWr, {1}}, {kButtonTestWr, {0}}};
    EXPECT_EQ(device.sent(), expected);
}

TEST(ButtonPress, EachWriteHasItsOwnCodeAndAPositiveAckFails)
{
    {
        ScriptedDevice device;
        device.fail(kButtonTestWr, Failure::PositiveAck);
        EXPECT_EQ(velEnableButtonPress(0), VEL_ERR_BUTTON);
        EXPECT_EQ(device.sent().size(), 1u);  // nothing more after the first failure
    }
    {
        ScriptedDevice device;
        device.fail(kButtonTestWr, Failure::Status3, 1);
        EXPECT_EQ(velEnableButtonPress(0), VEL_ERR_BUTTON_DISABLE);
    }
}

TEST(ButtonPress, StateIsOneForAnyNonzeroByteAndUntouchedOnFailure)
{
    ScriptedDevice device;
    device.button = 0x80;
    uint8_t state = 5;
    EXPECT_EQ(velGetButtonPressStatus(&state), 0);
    EXPECT_EQ(state, 1);
    device.button = 0;
    EXPECT_EQ(velGetButtonPressStatus(&state), 0);
    EXPECT_EQ(state, 0);

    state = 5;
    device.fail(kButtonTestRd, Failure::Status3, 2);
    EXPECT_EQ(velGetButtonPressStatus(&state), VEL_ERR_BUTTON);
    EXPECT_EQ(state, 5);
}

TEST(Sensors, HumidityTemperatureAndBatteryPassResultsThrough)
{
    ScriptedDevice device;
    uint32_t humidity = 0, temperature = 0, volt = 0, percent = 0;
    EXPECT_EQ(velGetHumTemp(&humidity, &temperature), 0);
    EXPECT_EQ(humidity, 4512u);
    EXPECT_EQ(temperature, 2533u);
    EXPECT_EQ(velGetBatteryInfo(&volt, &percent), 0);
    EXPECT_EQ(volt, 391u);
    EXPECT_EQ(percent, 8700u);
    EXPECT_EQ(device.codes(), (std::vector<uint16_t>{kReadHum, kReadBattVolt}));

    device.fail(kReadHum, Failure::Timeout, 1);
    device.fail(kReadBattVolt, Failure::Status3, 1);
    humidity = temperature = volt = percent = 1;
    CaptureStdout();
    EXPECT_EQ(velGetHumTemp(&humidity, &temperature), -5);
    EXPECT_EQ(velGetBatteryInfo(&volt, &percent), -2);
    EXPECT_EQ(GetCapturedStdout(), "ZOR_ReadHum error: -5\nZOR_ReadBattVolt error: -2\n");
    EXPECT_EQ(humidity + temperature + volt + percent, 4u);
}

TEST(NullArguments, AreRefusedBeforeAnythingIsSent)
{
    ScriptedDevice device;
    uint32_t value = 0;
    EXPECT_EQ(velGetPgaGain(nullptr), VEL_ERR_NULL_ARGUMENT);
    EXPECT_EQ(velGetDeviceStatus(nullptr), VEL_ERR_NULL_ARGUMENT);
    EXPECT_EQ(velGetDeviceUuid(nullptr), VEL_ERR_NULL_ARGUMENT);
    EXPECT_EQ(velGetButtonPressStatus(nullptr), VEL_ERR_NULL_ARGUMENT);
    EXPECT_EQ(velGetHumTemp(&value, nullptr), VEL_ERR_NULL_ARGUMENT);
    EXPECT_EQ(velGetBatteryInfo(nullptr, &value), VEL_ERR_NULL_ARGUMENT);
    EXPECT_EQ(velGetConfigInfo(nullptr), VEL_ERR_NULL_ARGUMENT);
    EXPECT_EQ(velGetWavelengths(nullptr, 1), VEL_ERR_NULL_ARGUMENT);
    EXPECT_EQ(velGetIntensities(0, nullptr, 1), VEL_ERR_NULL_ARGUMENT);
    EXPECT_EQ(velGetScanResults(nullptr), VEL_ERR_NULL_ARGUMENT);
    EXPECT_EQ(velGetRefIntensityFromDevice(nullptr, 1), VEL_ERR_NULL_ARGUMENT);
    EXPECT_TRUE(device.sent().empty());
}
