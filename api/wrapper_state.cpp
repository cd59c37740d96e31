// Device state: lamp, radio, gain, averaging, status word, unique ID, button,
// sensors and battery. Each is a short fixed sequence of device commands.
//
// Some steps fail on any nonzero result and others only on a negative one: an
// acknowledgement may carry a positive device value, which the "negative"
// steps accept as success.
#include <cstdio>

#include "API.h"
#include "api_guard.h"
#include "wrapper.h"
#include "diag.h"

using velscan::api::ApiGuarded;

namespace {

// What a pass-through function reports should a command fail by exception
// (none should): the framing layer's code for a failed exchange.
constexpr int32_t kExchangeFailed = -1;

int32_t SetLamp(uint8_t on) {
    // Switching the lamp is best effort: both results are ignored.
    if (on) {
        (void)ZOR_SetScanControlsVELCOnOff(0);
        (void)ZOR_VELCEnable(1, 1);
    } else {
        (void)ZOR_SetScanControlsVELCOnOff(1);
        (void)ZOR_VELCEnable(0, 0);
    }
    return VEL_OK;
}

int32_t SetBluetooth(uint8_t on) {
    // The command itself waits 2000 ms before reading its acknowledgement.
    if (ZOR_TestBT(on ? 1 : 0) != 0) return on ? VEL_ERR_BLUETOOTH_ON : VEL_ERR_BLUETOOTH_OFF;
    return VEL_OK;
}

int32_t GetPgaGain(int32_t *gain) {
    const int32_t value = ZOR_GetPGAGain();
    if (value < 0) return VEL_ERR_GET_GAIN;
    *gain = value;
    return VEL_OK;
}

int32_t GetDeviceStatus(uint32_t *status) {
    const int32_t result = ZOR_ReadDeviceStatus(status);
    if (result != 0) velscan::diag::Print("ZOR_ReadDeviceStatus error: %d\n", result);
    return result;
}

int32_t GetDeviceUuid(uint8_t *id) {
    // The controller is switched off before the ID is read; a failure there
    // is reported but does not stop the read.
    const int32_t enable = ZOR_VELCEnable(0, 0);
    if (enable != 0) velscan::diag::Print("ZOR_VELCEnable error: %d\n", enable);
    const int32_t result = ZOR_GetFlashUniqueID(id);
    if (result != 0) velscan::diag::Print("ZOR_GetFlashUniqueID error: %d\n", result);
    return result;
}

int32_t EnableButton(uint8_t enable) {
    // Disabling writes 1 first and then 0.
    if (ZOR_ButtonTestWr(1) != 0) return VEL_ERR_BUTTON;
    if (enable) return VEL_OK;
    if (ZOR_ButtonTestWr(0) != 0) return VEL_ERR_BUTTON_DISABLE;
    return VEL_OK;
}

int32_t GetButtonState(uint8_t *state) {
    uint8_t pressed = 0;
    if (ZOR_ButtonTestRd(&pressed) != 0) return VEL_ERR_BUTTON;
    *state = pressed != 0 ? 1 : 0;
    return VEL_OK;
}

int32_t GetHumTemp(uint32_t *humidity, uint32_t *temperature) {
    const int32_t result = ZOR_ReadHum(humidity, temperature);
    if (result != 0) velscan::diag::Print("ZOR_ReadHum error: %d\n", result);
    return result;
}

int32_t GetBattery(uint32_t *voltage, uint32_t *percent) {
    uint32_t discarded = 0;
    const int32_t result = ZOR_ReadBattVolt(voltage, percent, &discarded);
    if (result != 0) velscan::diag::Print("ZOR_ReadBattVolt error: %d\n", result);
    return result;
}

}  // namespace

// The public entry points refuse null pointers before anything is sent.

extern "C" int32_t velSetLampStatus(uint8_t on) {
    return ApiGuarded(VEL_OK, [&] { return SetLamp(on); });
}

extern "C" int32_t velSetBluetoothStatus(uint8_t on) {
    return ApiGuarded(on ? VEL_ERR_BLUETOOTH_ON : VEL_ERR_BLUETOOTH_OFF, [&] { return SetBluetooth(on); });
}

extern "C" int32_t velSetPgaGain(uint8_t gain) {
    return ApiGuarded(VEL_ERR_SET_GAIN,
                      [&] { return ZOR_SetFixedPGAGain(1, gain) < 0 ? VEL_ERR_SET_GAIN : VEL_OK; });
}

extern "C" int32_t velGetPgaGain(int32_t *gain) {
    if (!gain) return VEL_ERR_NULL_ARGUMENT;
    return ApiGuarded(VEL_ERR_GET_GAIN, [&] { return GetPgaGain(gain); });
}

extern "C" int32_t velSetAvgTimes(uint16_t count) {
    return ApiGuarded(VEL_ERR_SET_AVERAGE,
                      [&] { return ZOR_SetScanNumRepeats(count) < 0 ? VEL_ERR_SET_AVERAGE : VEL_OK; });
}

extern "C" int32_t velGetDeviceStatus(uint32_t *status) {
    if (!status) return VEL_ERR_NULL_ARGUMENT;
    return ApiGuarded(kExchangeFailed, [&] { return GetDeviceStatus(status); });
}

extern "C" int32_t velGetDeviceUuid(uint8_t id[8]) {
    if (!id) return VEL_ERR_NULL_ARGUMENT;
    return ApiGuarded(kExchangeFailed, [&] { return GetDeviceUuid(id); });
}

extern "C" int32_t velEnableButtonPress(uint8_t enable) {
    return ApiGuarded(VEL_ERR_BUTTON, [&] { return EnableButton(enable); });
}

extern "C" int32_t velGetButtonPressStatus(uint8_t *state) {
    if (!state) return VEL_ERR_NULL_ARGUMENT;
    return ApiGuarded(VEL_ERR_BUTTON, [&] { return GetButtonState(state); });
}

extern "C" int32_t velGetHumTemp(uint32_t *humidity, uint32_t *temperature) {
    if (!humidity || !temperature) return VEL_ERR_NULL_ARGUMENT;
    return ApiGuarded(kExchangeFailed, [&] { return GetHumTemp(humidity, temperature); });
}

extern "C" int32_t velGetBatteryInfo(uint32_t *voltage, uint32_t *percent) {
    if (!voltage || !percent) return VEL_ERR_NULL_ARGUMENT;
    return ApiGuarded(kExchangeFailed, [&] { return GetBattery(voltage, percent); });
}
