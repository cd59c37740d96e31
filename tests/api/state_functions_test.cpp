// Connection and device-state functions: the commands each sends, the test
// each applies to a command's result (nonzero versus negative), codes,
// diagnostics, and out-parameters left alone on failure.
#include <gtest/gtest.h>

#include "api_device.h"
#include "wrapper.h"

using namespace api_test;

TEST(Connection, OpensAndClosesOnlyAnEnumeratedDeviceOfOurs)
{
    {
        velscan_test::FakeHid hid;
        hid.failInit = true;  // the transport's failure is passed through
        EXPECT_EQ(velInitUsb(), -101);
        hid.failInit = false;
        hid.addDevice(0x1234);  // another vendor's interface is not ours
        EXPECT_EQ(velInitUsb(), 0);
        EXPECT_EQ(velOpenByUsb(0), VEL_ERR_OPEN);
        velClose(0);  // after a failed open: no effect
        EXPECT_EQ(hid.closeCount(), 0);
    }
    velscan_test::FakeHid hid;
    hid.addDevice();
    EXPECT_EQ(velInitUsb(), 1);
    EXPECT_EQ(velOpenByUsb(0), 0);
    EXPECT_EQ(velOpenByUsb(1), VEL_ERR_OPEN);  // never filled
    velClose(0);
    EXPECT_EQ(hid.closeCount(), 1);
}

TEST(LampStatus, SwitchesControllerAndLampAndIgnoresFailures)
{
    ApiDevice device;
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

TEST(NoDeviceOpen, LampSucceedsSilentlyAndBluetoothStillWaits)
{
    velscan_test::FakeHid hid;
    velscan_test::FakeClock clock;
    EXPECT_EQ(velSetLampStatus(1), 0);
    EXPECT_TRUE(hid.writes().empty());
    EXPECT_EQ(velSetBluetoothStatus(1), VEL_ERR_BLUETOOTH_ON);
    EXPECT_EQ(clock.sleeps(), std::vector<uint32_t>{2000});
}

TEST(BluetoothStatus, WaitsTwoSecondsAndFailsOnAnyNonzeroAck)
{
    ApiDevice device;
    EXPECT_EQ(velSetBluetoothStatus(1), 0);
    EXPECT_EQ(device.sent().back(), (SentCommand{kTestBT, {1}}));
    EXPECT_EQ(device.sleeps(), std::vector<uint32_t>{2000});

    device.fail(kTestBT, Failure::PositiveAck, 1);
    EXPECT_EQ(velSetBluetoothStatus(1), VEL_ERR_BLUETOOTH_ON);
    device.fail(kTestBT, Failure::Status3, 2);
    EXPECT_EQ(velSetBluetoothStatus(0), VEL_ERR_BLUETOOTH_OFF);
    EXPECT_EQ(device.sent().back(), (SentCommand{kTestBT, {0}}));
}

// A positive acknowledgement is success; only a negative result fails.
TEST(Setters, SendTheValueAndFailOnlyWhenTheResultIsNegative)
{
    ApiDevice device;
    EXPECT_EQ(velSetPgaGain(64), 0);  // fixed gain, any value
    EXPECT_EQ(velSetAvgTimes(0x1234), 0);
    EXPECT_EQ(device.sent(),
              (std::vector<SentCommand>{{kSetFixedPGAGain, {1, 64}}, {kSetScanNumRepeats, {0x34, 0x12}}}));
    for (uint16_t code : {kSetFixedPGAGain, kSetScanNumRepeats}) {
        device.fail(code, Failure::PositiveAck, 1);
        device.fail(code, Failure::Status3, 2);
    }
    EXPECT_EQ(velSetPgaGain(3), 0);
    EXPECT_EQ(velSetAvgTimes(1), 0);
    EXPECT_EQ(velSetPgaGain(3), VEL_ERR_SET_GAIN);
    EXPECT_EQ(velSetAvgTimes(1), VEL_ERR_SET_AVERAGE);
}

// Readers store what the device reports; on failure they return the code (the
// pass-through ones with a diagnostic) and leave the out-parameters alone.
TEST(Readers, StoreTheReadingOrReportTheFailure)
{
    ApiDevice device;
    device.gain = 16;
    int32_t gain = 0;
    uint32_t status = 0, humidity = 0, temperature = 0, volt = 0, percent = 0;
    const auto readAll = [&] {
        return std::vector<int32_t>{velGetPgaGain(&gain), velGetDeviceStatus(&status),
                                    velGetHumTemp(&humidity, &temperature),
                                    velGetBatteryInfo(&volt, &percent)};
    };
    const auto values = [&] {
        return std::vector<uint32_t>{static_cast<uint32_t>(gain), status, humidity, temperature, volt,
                                     percent};
    };
    EXPECT_EQ(readAll(), std::vector<int32_t>(4, 0));
    EXPECT_EQ(values(), (std::vector<uint32_t>{16, 0x11, 4512, 2533, 391, 8700}));
    EXPECT_EQ(device.codes(),
              (std::vector<uint16_t>{kGetPGAGain, kReadDeviceStatus, kReadHum, kReadBattVolt}));

    device.fail(kGetPGAGain, Failure::Timeout, 1);
    device.fail(kReadDeviceStatus, Failure::Status3, 1);
    device.fail(kReadHum, Failure::Timeout, 1);
    device.fail(kReadBattVolt, Failure::Status3, 1);
    gain = 1;
    status = humidity = temperature = volt = percent = 1;
    testing::internal::CaptureStdout();
    EXPECT_EQ(readAll(), (std::vector<int32_t>{VEL_ERR_GET_GAIN, -2, -5, -2}));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ZOR_ReadDeviceStatus error: -2\nZOR_ReadHum error: -5\nZOR_ReadBattVolt error: -2\n");
    EXPECT_EQ(values(), std::vector<uint32_t>(6, 1));
}

TEST(DeviceUuid, SwitchesControllerOffThenReadsTheId)
{
    ApiDevice device;
    uint8_t id[8] = {};
    EXPECT_EQ(captured([&] { return velGetDeviceUuid(id); }), std::make_pair(0, std::string()));
    EXPECT_EQ(device.sent(), (std::vector<SentCommand>{{kVELCEnable, {0, 0}}, {kGetFlashUniqueID, {}}}));
    EXPECT_EQ(std::vector<uint8_t>(id, id + 8), std::vector<uint8_t>(device.uuid, device.uuid + 8));

    // A controller failure is reported and the id is still read.
    device.fail(kVELCEnable, Failure::PositiveAck, 1);
    device.uuid[7] = 0x42;
    EXPECT_EQ(captured([&] { return velGetDeviceUuid(id); }),
              std::make_pair(0, std::string("ZOR_VELCEnable error: 7\n")));
    EXPECT_EQ(id[7], 0x42);

    // A read failure is returned and leaves the id alone.
    device.fail(kGetFlashUniqueID, Failure::Timeout, 2);
    EXPECT_EQ(captured([&] { return velGetDeviceUuid(id); }),
              std::make_pair(-5, std::string("ZOR_GetFlashUniqueID error: -5\n")));
    EXPECT_EQ(id[7], 0x42);
}

TEST(ButtonPress, EnableWritesOneAndDisableWritesOneThenZero)
{
    ApiDevice device;
    EXPECT_EQ(velEnableButtonPress(1), 0);
    EXPECT_EQ(velEnableButtonPress(0), 0);
    const std::vector<SentCommand> expected = {
        {kButtonTestWr, {1}}, {kButtonTestWr, {1}}, {kButtonTestWr, {0}}};
    EXPECT_EQ(device.sent(), expected);

    // Each write has its own code; a positive acknowledgement fails and ends the call.
    device.fail(kButtonTestWr, Failure::PositiveAck, 3);
    EXPECT_EQ(velEnableButtonPress(0), VEL_ERR_BUTTON);
    EXPECT_EQ(device.sent().size(), 4u);
    device.fail(kButtonTestWr, Failure::Status3, 5);
    EXPECT_EQ(velEnableButtonPress(0), VEL_ERR_BUTTON_DISABLE);
}

TEST(ButtonPress, StateIsOneForAnyNonzeroByteAndUntouchedOnFailure)
{
    ApiDevice device;
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

TEST(RefusedArguments, NullPointersAndBadCountsAreRefusedBeforeAnythingIsSent)
{
    ApiDevice device;
    uint32_t value = 0;
    int32_t points[4] = {};
    double wavelengths[VEL_MAX_WAVELENGTHS + 1] = {};
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
    EXPECT_EQ(velGetWavelengths(wavelengths, VEL_MAX_WAVELENGTHS + 1), VEL_ERR_TOO_MANY_POINTS);
    EXPECT_EQ(velGetWavelengths(wavelengths, -1), VEL_ERR_TOO_MANY_POINTS);
    EXPECT_EQ(velGetIntensities(0, points, SCAN_MAX_ADC + 1), VEL_ERR_POINT_COUNT);
    EXPECT_EQ(velGetIntensities(0, points, -1), VEL_ERR_POINT_COUNT);
    EXPECT_EQ(velGetRefIntensityFromDevice(points, SCAN_MAX_ADC + 1), VEL_ERR_POINT_COUNT);
    EXPECT_EQ(velGetRefIntensityFromDevice(points, -1), VEL_ERR_POINT_COUNT);
    EXPECT_TRUE(device.sent().empty());
}
