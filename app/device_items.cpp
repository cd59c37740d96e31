#include "device_items.h"

#include <cstdio>
#include <cstring>

#include "console_input.h"
#include "console_output.h"
#include "wrapper.h"

namespace {

// Reads the answer to an on/off prompt. Only 1 and 0 are accepted; anything
// else (including an answer that is not a number) is reported as invalid.
bool read_on_off(const char *prompt, DeviceItemsState &state)
{
    std::printf("%s", prompt);
    std::fflush(stdout);
    if (!console_read_number(&state.entered) || (state.entered != 0 && state.entered != 1)) {
        console_line("input value is invalid");
        return false;
    }
    return true;
}

// Reads the answer to a numeric prompt; a non-number is reported as invalid.
bool read_value(const char *prompt, int32_t &value)
{
    std::printf("%s", prompt);
    std::fflush(stdout);
    if (!console_read_number(&value)) {
        console_line("input value is invalid");
        return false;
    }
    return true;
}

} // namespace

void console_item_lamp(DeviceItemsState &state, int32_t &status)
{
    if (read_on_off("Set lamp on or off(1: on; 0: off): ", state)) {
        const uint8_t on = state.entered == 1 ? 1 : 0;
        status = velSetLampStatus(on);
        console_line(on ? "velSetLampStatus: on" : "velSetLampStatus: off");
        if (status < 0)
            console_line("velSetLampStatus failure!");
    }
    console_separator();
}

void console_item_button_enable(DeviceItemsState &state, int32_t &status)
{
    if (read_on_off("Enable button press or not(1: enable; 0: disable): ", state)) {
        status = velEnableButtonPress(state.entered == 1 ? 1 : 0);
        if (status < 0)
            console_line("velEnableButtonPress failure!");
    }
    console_separator();
}

void console_item_button_state(DeviceItemsState &state, int32_t &status)
{
    state.button = 0;
    status = velGetButtonPressStatus(&state.button);
    if (status < 0)
        console_line("velGetButtonPressStatus failure!");
    else
        std::printf("velGetButtonPressStatus: %d\n", state.button);
    console_separator();
}

void console_item_bluetooth(DeviceItemsState &state, int32_t &status)
{
    if (read_on_off("Enable bluetooth press or not(1: enable; 0: disable): ", state)) {
        status = velSetBluetoothStatus(state.entered == 1 ? 1 : 0);
        if (status < 0)
            console_line("velSetBluetoothStatus failure!");
    }
    console_separator();
}

void console_item_uuid(DeviceItemsState &state, int32_t &status)
{
    std::memset(state.device_id, 0, sizeof state.device_id);
    status = velGetDeviceUuid(state.device_id);
    if (status < 0) {
        console_line("velGetDeviceUuid failure!");
    } else {
        std::printf("Device UUID is: ");
        for (uint8_t byte : state.device_id)
            std::printf("%02X:", byte);
    }
    console_separator();
}

void console_item_hum_temp(DeviceItemsState &state, int32_t &status)
{
    status = velGetHumTemp(&state.humidity, &state.temperature);
    if (status < 0) {
        console_line("velGetHumTemp failure!");
        return;
    }
    std::printf("Humidity: %.2f, Temperature: %.2f", state.humidity / 100.0, state.temperature / 100.0);
    console_separator();
}

void console_item_battery(DeviceItemsState &state, int32_t &status)
{
    status = velGetBatteryInfo(&state.battery_volt, &state.battery_percent);
    if (status < 0) {
        console_line("velGetBatteryInfo failure");
        return;
    }
    std::printf("BatteryVolt: %.2f, BatteryPercent: %.2f\n", state.battery_volt / 100.0,
                state.battery_percent / 100.0);
    console_separator();
}

void console_item_set_gain(DeviceItemsState &state, int32_t &status)
{
    if (read_value("Input the gain value(1,2,4,8,16,32 or 64): ", state.gain_entered)) {
        // The gain travels as one byte; the prompt's list is not enforced.
        status = velSetPgaGain(static_cast<uint8_t>(state.gain_entered));
        if (status < 0)
            console_line("velSetPgaGain failure!");
        else
            std::printf("velSetPgaGain ok! Current PGA gain is %d\n", state.gain_entered);
    }
    console_separator();
}

void console_item_get_gain(DeviceItemsState &state, int32_t &status)
{
    status = velGetPgaGain(&state.gain_read);
    if (status < 0) {
        console_line("velGetPgaGain failure!");
        return;
    }
    std::printf("The current PGA gain is %d\n", state.gain_read);
    console_separator();
}

void console_item_average(DeviceItemsState &state, int32_t &status)
{
    if (read_value("Input the average scan times: ", state.average_count)) {
        // The device takes 16 bits; the success line echoes the full answer.
        status = velSetAvgTimes(static_cast<uint16_t>(state.average_count & 0xFFFF));
        if (status < 0)
            console_line("velSetAvgTimes failure!");
        else
            std::printf("velSetAvgTimes ok! Current average scan times is setted to %d\n",
                        state.average_count);
    }
    console_separator();
}
