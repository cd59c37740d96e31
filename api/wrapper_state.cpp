// Device state: lamp, radio, gain, averaging, status word, unique ID, button,
// sensors and battery. Each is a short fixed sequence of device commands.
//
// Some steps fail on any nonzero result and others only on a negative one: an
// acknowledgement may carry a positive device value, which the "negative"
// steps accept as success.
#include <cstdio>

#include "API.h"
#include "wrapper.h"

extern "C" int32_t velSetLampStatus(uint8_t on)
{
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

extern "C" int32_t velSetBluetoothStatus(uint8_t on)
{
    // The command itself waits 2000 ms before reading its acknowledgement.
    if (ZOR_TestBT(on ? 1 : 0) != 0)
        return on ? VEL_ERR_BLUETOOTH_ON : VEL_ERR_BLUETOOTH_OFF;
    return VEL_OK;
}

extern "C" int32_t velSetPgaGain(uint8_t gain)
{
    if (ZOR_SetFixedPGAGain(1, gain) < 0)
        return VEL_ERR_SET_GAIN;
    return VEL_OK;
}

extern "C" int32_t velGetPgaGain(int32_t *gain)
{
    if (!gain)
        return VEL_ERR_NULL_ARGUMENT;
    const int32_t value = ZOR_GetPGAGain();
    if (value < 0)
        return VEL_ERR_GET_GAIN;
    *gain = value;
    return VEL_OK;
}

extern "C" int32_t velSetAvgTimes(uint16_t count)
{
    if (ZOR_SetScanNumRepeats(count) < 0)
        return VEL_ERR_SET_AVERAGE;
    return VEL_OK;
}

extern "C" int32_t velGetDeviceStatus(uint32_t *status)
{
    if (!status)
        return VEL_ERR_NULL_ARGUMENT;
    const int32_t result = ZOR_ReadDeviceStatus(status);
    if (result != 0)
        std::printf("ZOR_ReadDeviceStatus error: %d\n", result);
    return result;
}

extern "C" int32_t velGetDeviceUuid(uint8_t id[8])
{
    if (!id)
        return VEL_ERR_NULL_ARGUMENT;
    // The controller is switched off before the ID is read; a failure there
    // is reported but does not stop the read.
    const int32_t enable = ZOR_VELCEnable(0, 0);
    if (enable != 0)
        std::printf("ZOR_VELCEnable error: %d\n", enable);
    const int32_t result = ZOR_GetFlashUniqueID(id);
    if (result != 0)
        std::printf("ZOR_GetFlashUniqueID error: %d\n", result);
    return result;
}

extern "C" int32_t velEnableButtonPress(uint8_t enable)
{
    // Disabling writes 1 first and then 0.
    if (ZOR_ButtonTestWr(1) != 0)
        return VEL_ERR_BUTTON;
    if (enable)
        return VEL_OK;
    if (ZOR_ButtonTestWr(0) != 0)
        return VEL_ERR_BUTTON_DISABLE;
    return VEL_OK;
}

extern "C" int32_t velGetButtonPressStatus(uint8_t *state)
{
    if (!state)
        return VEL_ERR_NULL_ARGUMENT;
    uint8_t pressed = 0;
    if (ZOR_ButtonTestRd(&pressed) != 0)
        return VEL_ERR_BUTTON;
    *state = pressed != 0 ? 1 : 0;
    return VEL_OK;
}

extern "C" int32_t velGetHumTemp(uint32_t *humidity, uint32_t *temperature)
{
    if (!humidity || !temperature)
        return VEL_ERR_NULL_ARGUMENT;
    const int32_t result = ZOR_ReadHum(humidity, temperature);
    if (result != 0)
        std::printf("ZOR_ReadHum error: %d\n", result);
    return result;
}

extern "C" int32_t velGetBatteryInfo(uint32_t *voltage, uint32_t *percent)
{
    if (!voltage || !percent)
        return VEL_ERR_NULL_ARGUMENT;
    uint32_t discarded = 0;
    const int32_t result = ZOR_ReadBattVolt(voltage, percent, &discarded);
    if (result != 0)
        std::printf("ZOR_ReadBattVolt error: %d\n", result);
    return result;
}
