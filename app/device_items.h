// Console items that switch or read one piece of device state (5 to 9, a to e).
#pragma once

#include <stdint.h>

namespace velscan::console {

// Values the device-state items keep for the whole run.
struct DeviceItemsState {
    int32_t entered;        // on/off answer of items 5, 6 and 8
    uint8_t button;         // item 7
    uint8_t device_id[8];   // item 9
    uint32_t humidity;      // item a, hundredths
    uint32_t temperature;   // item a, hundredths
    uint32_t battery_volt;  // item b, hundredths
    uint32_t battery_percent;
    int32_t gain_entered;   // item c
    int32_t gain_read;      // item d
    int32_t average_count;  // item e
};

void ConsoleItemLamp(DeviceItemsState &state, int32_t &status);          // 5
void ConsoleItemButtonEnable(DeviceItemsState &state, int32_t &status);  // 6
void ConsoleItemButtonState(DeviceItemsState &state, int32_t &status);   // 7
void ConsoleItemBluetooth(DeviceItemsState &state, int32_t &status);     // 8
void ConsoleItemUuid(DeviceItemsState &state, int32_t &status);          // 9
void ConsoleItemHumTemp(DeviceItemsState &state, int32_t &status);       // a
void ConsoleItemBattery(DeviceItemsState &state, int32_t &status);       // b
void ConsoleItemSetGain(DeviceItemsState &state, int32_t &status);       // c
void ConsoleItemGetGain(DeviceItemsState &state, int32_t &status);       // d
void ConsoleItemAverage(DeviceItemsState &state, int32_t &status);       // e

}  // namespace velscan::console
