#include "device_items.h"

#include <cstdio>
#include <cstring>

#include "console_input.h"
#include "console_output.h"
#include "wrapper.h"

namespace velscan::console {

namespace {

// Reads the answer to an on/off prompt. Only 1 and 0 are accepted; anything
// else (including an answer that is not a number) is reported as invalid.
bool ReadOnOff(const char *prompt, DeviceItemsState &state) {
    std::printf("%s", prompt);
    std::fflush(stdout);
    if (!ConsoleReadNumber(&state.entered) || (state.entered != 0 && state.entered != 1)) {
        ConsoleLine("input value is invalid");
        return false;
    }
    return true;
}

// Reads the answer to a numeric prompt; a non-number is reported as invalid.
bool ReadValue(const char *prompt, int32_t &value) {
    std::printf("%s", prompt);
    std::fflush(stdout);
    if (!ConsoleReadNumber(&value)) {
        ConsoleLine("input value is invalid");
        return false;
    }
    return true;
}

}  // namespace

void ConsoleItemLamp(DeviceItemsState &state, int32_t &status) {
    if (ReadOnOff("Set lamp on or off(1: on; 0: off): ", state)) {
        const uint8_t on = state.entered == 1 ? 1 : 0;
        status = velSetLampStatus(on);
        ConsoleLine(on ? "velSetLampStatus: on" : "velSetLampStatus: off");
        if (status < 0) ConsoleLine("velSetLampStatus failure!");
    }
    ConsoleSeparator();
}

void ConsoleItemButtonEnable(DeviceItemsState &state, int32_t &status) {
    if (ReadOnOff("Enable button press or not(1: enable; 0: disable): ", state)) {
        status = velEnableButtonPress(state.entered == 1 ? 1 : 0);
        if (status < 0) ConsoleLine("velEnableButtonPress failure!");
    }
    ConsoleSeparator();
}

void ConsoleItemButtonState(DeviceItemsState &state, int32_t &status) {
    state.button = 0;
    status = velGetButtonPressStatus(&state.button);
    if (status < 0)
        ConsoleLine("velGetButtonPressStatus failure!");
    else
        std::printf("velGetButtonPressStatus: %d\n", state.button);
    ConsoleSeparator();
}

void ConsoleItemBluetooth(DeviceItemsState &state, int32_t &status) {
    if (ReadOnOff("Enable bluetooth press or not(1: enable; 0: disable): ", state)) {
        status = velSetBluetoothStatus(state.entered == 1 ? 1 : 0);
        if (status < 0) ConsoleLine("velSetBluetoothStatus failure!");
    }
    ConsoleSeparator();
}

void ConsoleItemUuid(DeviceItemsState &state, int32_t &status) {
    std::memset(state.device_id, 0, sizeof state.device_id);
    status = velGetDeviceUuid(state.device_id);
    if (status < 0) {
        ConsoleLine("velGetDeviceUuid failure!");
    } else {
        std::printf("Device UUID is: ");
        for (uint8_t byte : state.device_id) std::printf("%02X:", byte);
    }
    ConsoleSeparator();
}

void ConsoleItemHumTemp(DeviceItemsState &state, int32_t &status) {
    status = velGetHumTemp(&state.humidity, &state.temperature);
    if (status < 0) {
        ConsoleLine("velGetHumTemp failure!");
        return;
    }
    std::printf("Humidity: %.2f, Temperature: %.2f", state.humidity / 100.0, state.temperature / 100.0);
    ConsoleSeparator();
}

void ConsoleItemBattery(DeviceItemsState &state, int32_t &status) {
    status = velGetBatteryInfo(&state.battery_volt, &state.battery_percent);
    if (status < 0) {
        ConsoleLine("velGetBatteryInfo failure");
        return;
    }
    std::printf("BatteryVolt: %.2f, BatteryPercent: %.2f\n", state.battery_volt / 100.0,
                state.battery_percent / 100.0);
    ConsoleSeparator();
}

void ConsoleItemSetGain(DeviceItemsState &state, int32_t &status) {
    if (ReadValue("Input the gain value(1,2,4,8,16,32 or 64): ", state.gain_entered)) {
        // The gain travels as one byte; the prompt's list is not enforced.
        status = velSetPgaGain(static_cast<uint8_t>(state.gain_entered));
        if (status < 0)
            ConsoleLine("velSetPgaGain failure!");
        else
            std::printf("velSetPgaGain ok! Current PGA gain is %d\n", state.gain_entered);
    }
    ConsoleSeparator();
}

void ConsoleItemGetGain(DeviceItemsState &state, int32_t &status) {
    status = velGetPgaGain(&state.gain_read);
    if (status < 0) {
        ConsoleLine("velGetPgaGain failure!");
        return;
    }
    std::printf("The current PGA gain is %d\n", state.gain_read);
    ConsoleSeparator();
}

void ConsoleItemAverage(DeviceItemsState &state, int32_t &status) {
    if (ReadValue("Input the average scan times: ", state.average_count)) {
        // The device takes 16 bits; the success line echoes the full answer.
        status = velSetAvgTimes(static_cast<uint16_t>(state.average_count & 0xFFFF));
        if (status < 0)
            ConsoleLine("velSetAvgTimes failure!");
        else
            std::printf("velSetAvgTimes ok! Current average scan times is setted to %d\n",
                        state.average_count);
    }
    ConsoleSeparator();
}

}  // namespace velscan::console
