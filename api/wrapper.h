/*
 * velscan device API: the functions other programs (and the velscan console)
 * use to drive the spectrometer. Every function blocks until the device has
 * answered and returns 0 (or a count) on success and a negative code on
 * failure; out-parameters are written only on success. Only one call may run
 * at a time, from one thread.
 */
#ifndef VELSCAN_WRAPPER_H
#define VELSCAN_WRAPPER_H

#include <stdint.h>

#include "velspec_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Most point count the wavelength function accepts; the console's arrays. */
#define VEL_MAX_WAVELENGTHS 228
/* Size of the buffer the scan configuration image is read into. */
#define VEL_CONFIG_BUFFER_SIZE 512
/* Longest scan time (ms) the API waits for; a longer estimate is not trusted. */
#define VEL_MAX_SCAN_WAIT_MS 3600000u

/*
 * Error codes: one numbering for all functions. velInitUsb returns the
 * transport's result, and velGetDeviceStatus, velGetDeviceUuid, velGetHumTemp
 * and velGetBatteryInfo pass the command's own result through.
 */
enum {
    VEL_OK = 0,
    VEL_ERR_OPEN = -3,               /* the device could not be opened */
    VEL_ERR_NUM_CONFIGS = -13,       /* number of configurations unreadable (or 0) */
    VEL_ERR_SELECT_CONFIG = -15,     /* selecting the active configuration failed */
    VEL_ERR_CONFIG_INDEX = -16,      /* configuration index not below the number stored */
    VEL_ERR_READ_CONFIG = -17,       /* configuration 0 unreadable, too long or undecodable */
    VEL_ERR_START_SCAN = -18,        /* starting the scan failed */
    VEL_ERR_SCAN_SIZE = -19,         /* size of the last-scan file unreadable */
    VEL_ERR_FILE = -20,              /* a file could not be fetched whole */
    VEL_ERR_POINT_COUNT = -21,       /* point count outside what the scan or array holds */
    VEL_ERR_GET_GAIN = -22,          /* reading the amplifier gain failed */
    VEL_ERR_SET_AVERAGE = -24,       /* setting the number of averaged scans failed */
    VEL_ERR_TOO_MANY_POINTS = -28,   /* wavelength count outside 0 to 228 */
    VEL_ERR_INTERPRET = -29,         /* the scan data could not be interpreted */
    VEL_ERR_REFERENCE = -30,         /* the reference could not be recomputed */
    VEL_ERR_BLUETOOTH_ON = -31,      /* switching the radio on failed */
    VEL_ERR_BLUETOOTH_OFF = -32,     /* switching the radio off failed */
    VEL_ERR_BUTTON = -33,            /* first button-test write or button read failed */
    VEL_ERR_BUTTON_DISABLE = -34,    /* second button-test write (disabling) failed */
    VEL_ERR_NULL_ARGUMENT = -35,     /* a required pointer was null; nothing sent */
    VEL_ERR_SET_GAIN = -231          /* setting the amplifier gain failed */
};

/* Connection. */
int32_t velInitUsb(void);
int32_t velOpenByUsb(int32_t index);
void velClose(int32_t index);

/* Scan acquisition. */
int32_t velGetConfigInfo(slewScanCfg *config);
int32_t velGetWavelengths(double *wavelengths, int32_t count);
int32_t velGetIntensities(int32_t index, int32_t *intensities, int32_t count);
int32_t velGetScanResults(scanResults *result);
int32_t velGetRefIntensityFromDevice(int32_t *intensities, int32_t count);

/* Device state. */
int32_t velSetLampStatus(uint8_t on);
int32_t velSetBluetoothStatus(uint8_t on);
int32_t velSetPgaGain(uint8_t gain);
int32_t velGetPgaGain(int32_t *gain);
int32_t velSetAvgTimes(uint16_t count);
int32_t velGetDeviceStatus(uint32_t *status);
int32_t velGetDeviceUuid(uint8_t id[8]);
int32_t velEnableButtonPress(uint8_t enable);
int32_t velGetButtonPressStatus(uint8_t *state);
int32_t velGetHumTemp(uint32_t *humidity, uint32_t *temperature);
int32_t velGetBatteryInfo(uint32_t *voltage, uint32_t *percent);

#ifdef __cplusplus
}
#endif

#endif /* VELSCAN_WRAPPER_H */
