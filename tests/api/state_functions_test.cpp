// Connection and device-state functions: the commands each sends, the test
// each applies to a command's result (nonzero versus negative), codes,
// diagnostics, and out-parameters left alone on failure.
#include <gtest/gtest.h>

#include <functional>

#include "api_device.h"
#include "wrapper.h"

using namespace api_test;

TEST(Connection, OpensAndClosesOnlyAnEnumeratedDeviceOfOurs) {
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

// Lamp, Bluetooth, setters and button writes: the commands each call sends and
// the test it applies to each result (a positive acknowledgement is success
// for the setters, a failure for Bluetooth and the button).
TEST(Switches, SendTheirCommandsAndJudgeEachResult) {
    using Calls = std::vector<int32_t> (*)();
    const auto failing = [](uint16_t code, Failure failure, int occurrence = 0) {
        return [=](ApiDevice &d) { d.fail(code, failure, occurrence); };
    };
    const struct {
        const char *what;
        std::function<void(ApiDevice &)> arrange;
        Calls calls;
        std::vector<int32_t> results;
        std::vector<SentCommand> sent;
    } cases[] = {
        {"lamp on, off",
         [](ApiDevice &) {},
         [] {
             return std::vector{velSetLampStatus(1), velSetLampStatus(0)};
         },
         {0, 0},
         {{kSetScanControlsVELCOnOff, {0}},
          {kVELCEnable, {1, 1}},
          {kSetScanControlsVELCOnOff, {1}},
          {kVELCEnable, {0, 0}}}},
        {"lamp failures ignored",
         [](ApiDevice &d) {
             d.fail(kSetScanControlsVELCOnOff, Failure::Status3);
             d.fail(kVELCEnable, Failure::Timeout);
         },
         [] { return std::vector{velSetLampStatus(7)}; },
         {0},
         {{kSetScanControlsVELCOnOff, {0}}, {kVELCEnable, {1, 1}}}},
        {"no device open",
         [](ApiDevice &) { velClose(0); },
         [] {
             return std::vector{velSetLampStatus(1), velSetBluetoothStatus(1)};
         },
         {0, VEL_ERR_BLUETOOTH_ON},
         {}},
        {"bluetooth on",
         [](ApiDevice &) {},
         [] { return std::vector{velSetBluetoothStatus(1)}; },
         {0},
         {{kTestBT, {1}}}},
        {"bluetooth positive ack",
         failing(kTestBT, Failure::PositiveAck),
         [] { return std::vector{velSetBluetoothStatus(1)}; },
         {VEL_ERR_BLUETOOTH_ON},
         {{kTestBT, {1}}}},
        {"bluetooth off fails",
         failing(kTestBT, Failure::Status3),
         [] { return std::vector{velSetBluetoothStatus(0)}; },
         {VEL_ERR_BLUETOOTH_OFF},
         {{kTestBT, {0}}}},
        {"setters",
         [](ApiDevice &) {},
         [] {
             return std::vector{velSetPgaGain(64), velSetAvgTimes(0x1234)};
         },
         {0, 0},
         {{kSetFixedPGAGain, {1, 64}}, {kSetScanNumRepeats, {0x34, 0x12}}}},
        {"setters positive ack",
         [](ApiDevice &d) {
             d.fail(kSetFixedPGAGain, Failure::PositiveAck);
             d.fail(kSetScanNumRepeats, Failure::PositiveAck);
         },
         [] {
             return std::vector{velSetPgaGain(3), velSetAvgTimes(1)};
         },
         {0, 0},
         {{kSetFixedPGAGain, {1, 3}}, {kSetScanNumRepeats, {1, 0}}}},
        {"setters fail",
         [](ApiDevice &d) {
             d.fail(kSetFixedPGAGain, Failure::Status3);
             d.fail(kSetScanNumRepeats, Failure::Status3);
         },
         [] {
             return std::vector{velSetPgaGain(3), velSetAvgTimes(1)};
         },
         {VEL_ERR_SET_GAIN, VEL_ERR_SET_AVERAGE},
         {{kSetFixedPGAGain, {1, 3}}, {kSetScanNumRepeats, {1, 0}}}},
        {"button enable, disable",
         [](ApiDevice &) {},
         [] {
             return std::vector{velEnableButtonPress(1), velEnableButtonPress(0)};
         },
         {0, 0},
         {{kButtonTestWr, {1}}, {kButtonTestWr, {1}}, {kButtonTestWr, {0}}}},
        {"button first write positive ack",
         failing(kButtonTestWr, Failure::PositiveAck),
         [] { return std::vector{velEnableButtonPress(0)}; },
         {VEL_ERR_BUTTON},
         {{kButtonTestWr, {1}}}},
        {"button second write fails",
         failing(kButtonTestWr, Failure::Status3, 1),
         [] { return std::vector{velEnableButtonPress(0)}; },
         {VEL_ERR_BUTTON_DISABLE},
         {{kButtonTestWr, {1}}, {kButtonTestWr, {0}}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ApiDevice device;
        c.arrange(device);
        EXPECT_EQ(c.calls(), c.results);
        EXPECT_EQ(device.sent(), c.sent);
    }
}

// Readers store what the device reports; on failure they return the code (the
// pass-through ones with a diagnostic) and leave the out-parameters alone.
TEST(Readers, StoreTheReadingOrReportTheFailure) {
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
        return std::vector<uint32_t>{
            static_cast<uint32_t>(gain), status, humidity, temperature, volt, percent};
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

    // The button state is 1 for any nonzero byte.
    device.button = 0x80;
    uint8_t state = 5;
    EXPECT_EQ(velGetButtonPressStatus(&state), 0);
    EXPECT_EQ(state, 1);
    device.button = 0;
    EXPECT_EQ(velGetButtonPressStatus(&state), 0);
    EXPECT_EQ(state, 0);
    device.fail(kButtonTestRd, Failure::Status3, 2);
    EXPECT_EQ(velGetButtonPressStatus(&state), VEL_ERR_BUTTON);
    EXPECT_EQ(state, 0);
}

TEST(DeviceUuid, SwitchesControllerOffThenReadsTheId) {
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

TEST(RefusedArguments, NullPointersAndBadCountsAreRefusedBeforeAnythingIsSent) {
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
