/*
 * velscan device API: the functions other programs (and the velscan console)
 * use to drive the spectrometer. Every function blocks until the device has
 * answered and returns 0 (or a count) on success and a negative code on
 * failure; out-parameters are written only on success. Only one call may run
 * at a time, from one thread (the C interface of velscan.h is the one to use
 * from several threads or with several instruments).
 *
 * Common to all functions below:
 * - They act on the device entry opened last with velOpenByUsb.
 * - Each exchange with the device waits up to 10 s for its reply; a device
 *   that does not answer makes a call fail after that time with the
 *   framing code (-1 to -5) or the step's VEL_ERR_* code.
 * - Pointers passed in are borrowed for the call only; nothing is allocated
 *   for the caller and nothing needs releasing.
 * - Diagnostic lines some functions produce go to the library's diagnostics
 *   sink (silent unless a program installs one; the console shows them).
 * - A failure inside the library (an allocation, say) is reported as the
 *   function's failure code; nothing is thrown, printed or aborted.
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
    VEL_ERR_OPEN = -3,             /* the device could not be opened */
    VEL_ERR_NUM_CONFIGS = -13,     /* number of configurations unreadable (or 0) */
    VEL_ERR_SELECT_CONFIG = -15,   /* selecting the active configuration failed */
    VEL_ERR_CONFIG_INDEX = -16,    /* configuration index not below the number stored */
    VEL_ERR_READ_CONFIG = -17,     /* configuration 0 unreadable, too long or undecodable */
    VEL_ERR_START_SCAN = -18,      /* starting the scan failed */
    VEL_ERR_SCAN_SIZE = -19,       /* size of the last-scan file unreadable */
    VEL_ERR_FILE = -20,            /* a file could not be fetched whole */
    VEL_ERR_POINT_COUNT = -21,     /* point count outside what the scan or array holds */
    VEL_ERR_GET_GAIN = -22,        /* reading the amplifier gain failed */
    VEL_ERR_SET_AVERAGE = -24,     /* setting the number of averaged scans failed */
    VEL_ERR_TOO_MANY_POINTS = -28, /* wavelength count outside 0 to 228 */
    VEL_ERR_INTERPRET = -29,       /* the scan data could not be interpreted */
    VEL_ERR_REFERENCE = -30,       /* the reference could not be recomputed */
    VEL_ERR_BLUETOOTH_ON = -31,    /* switching the radio on failed */
    VEL_ERR_BLUETOOTH_OFF = -32,   /* switching the radio off failed */
    VEL_ERR_BUTTON = -33,          /* first button-test write or button read failed */
    VEL_ERR_BUTTON_DISABLE = -34,  /* second button-test write (disabling) failed */
    VEL_ERR_NULL_ARGUMENT = -35,   /* a required pointer was null; nothing sent */
    VEL_ERR_SET_GAIN = -231        /* setting the amplifier gain failed */
};

/* Connection. */

/* Enumerates the HID interfaces with the instrument's vendor ID (0x3F17) into
 * the transport's table of four entries. Returns the number found (0 to 4;
 * further ones are skipped) or -101 when the HID library cannot be
 * initialised. Blocks for the enumeration (milliseconds). */
int32_t velInitUsb(void);

/* Opens table entry `index` (0 to 3, as filled by velInitUsb) and makes it
 * the entry every other function talks to; an entry already open is closed
 * and opened again. Returns VEL_OK, or VEL_ERR_OPEN for an index outside 0
 * to 3, an entry never filled, or a device that cannot be opened
 * (permissions, unplugged). Blocks for the open (milliseconds). */
int32_t velOpenByUsb(int32_t index);

/* Closes table entry `index` (0 to 3; others are ignored); later calls on
 * it fail until it is opened again. Closing a closed entry does nothing. */
void velClose(int32_t index);

/* Scan acquisition. */

/* Reads stored scan configuration 0 into *config (caller's record; its
 * layout is that of velspec_records.h). Returns VEL_OK,
 * VEL_ERR_NULL_ARGUMENT (config NULL), VEL_ERR_NUM_CONFIGS (the number of
 * configurations is unreadable or 0) or VEL_ERR_READ_CONFIG (unreadable,
 * longer than VEL_CONFIG_BUFFER_SIZE bytes, or undecodable). Blocks for two
 * exchanges (milliseconds). */
int32_t velGetConfigInfo(slewScanCfg *config);

/* Sets averaging to 1, takes a scan with configuration 0 and copies the
 * first `count` of its wavelengths (nm, ascending) into wavelengths[0 ..
 * count-1] (caller's array of at least count elements). count 0 to
 * VEL_MAX_WAVELENGTHS (228) and at most the scan's point count. Returns
 * VEL_OK, VEL_ERR_NULL_ARGUMENT, VEL_ERR_TOO_MANY_POINTS (count outside 0 to
 * 228), VEL_ERR_POINT_COUNT (count above the scan's points), or a scan
 * step's code: VEL_ERR_SELECT_CONFIG, VEL_ERR_START_SCAN, VEL_ERR_SCAN_SIZE,
 * VEL_ERR_FILE, VEL_ERR_INTERPRET. Blocks for the scan: its estimated time
 * (about 0.3 s for the factory configuration; an estimate above
 * VEL_MAX_SCAN_WAIT_MS is not waited for) plus the file transfer. */
int32_t velGetWavelengths(double *wavelengths, int32_t count);

/* Takes a scan with stored configuration `index` (below the number stored)
 * and copies its first `count` intensities (detector counts) into
 * intensities[0 .. count-1] (caller's array); points past the scan's length
 * are 0. count 0 to SCAN_MAX_ADC. Returns VEL_OK, VEL_ERR_NULL_ARGUMENT,
 * VEL_ERR_POINT_COUNT (count out of range), VEL_ERR_NUM_CONFIGS,
 * VEL_ERR_CONFIG_INDEX (index not below the number stored), or a scan step's
 * code (as velGetWavelengths). Blocks for the scan, as velGetWavelengths. */
int32_t velGetIntensities(int32_t index, int32_t *intensities, int32_t count);

/* Takes a scan with configuration 0 (the instrument's averaging and gain as
 * set) and copies the whole interpreted result (wavelengths in nm,
 * intensities in counts, point count, temperature, humidity, header) into
 * *result (caller's record of velspec_records.h, about 10 KB). Returns
 * VEL_OK, VEL_ERR_NULL_ARGUMENT, VEL_ERR_NUM_CONFIGS, or a scan step's code
 * (as velGetWavelengths). Blocks for the scan, as velGetWavelengths. */
int32_t velGetScanResults(scanResults *result);

/* Fetches the stored reference and reference matrix and the last scan's
 * record, recomputes the reference for that scan's configuration and copies
 * its first `count` intensities (counts) into intensities[0 .. count-1]
 * (caller's array); take a scan first. count 0 to SCAN_MAX_ADC. Returns
 * VEL_OK, VEL_ERR_NULL_ARGUMENT, VEL_ERR_POINT_COUNT, VEL_ERR_FILE (a file
 * could not be fetched whole), VEL_ERR_SCAN_SIZE, VEL_ERR_INTERPRET or
 * VEL_ERR_REFERENCE. Blocks for three file transfers (about 0.1 s). */
int32_t velGetRefIntensityFromDevice(int32_t *intensities, int32_t count);

/* Device state. */

/* Switches the lamp on (nonzero) or off (0) for the following scans. Best
 * effort: always returns VEL_OK, whatever the device answered. Blocks for
 * two exchanges (milliseconds). */
int32_t velSetLampStatus(uint8_t on);

/* Switches the Bluetooth radio on (nonzero) or off (0). Returns VEL_OK,
 * VEL_ERR_BLUETOOTH_ON or VEL_ERR_BLUETOOTH_OFF. Blocks for 2 s (the device
 * takes that long before it acknowledges). */
int32_t velSetBluetoothStatus(uint8_t on);

/* Fixes the amplifier gain at `gain` (1, 2, 4, 8, 16, 32 or 64; the device
 * refuses other values). Returns VEL_OK or VEL_ERR_SET_GAIN. Blocks for one
 * exchange (milliseconds). */
int32_t velSetPgaGain(uint8_t gain);

/* Reads the amplifier gain into *gain. Returns VEL_OK,
 * VEL_ERR_NULL_ARGUMENT or VEL_ERR_GET_GAIN. One exchange. */
int32_t velGetPgaGain(int32_t *gain);

/* Sets the number of scans the device averages into one (1 to 65535).
 * Returns VEL_OK or VEL_ERR_SET_AVERAGE. One exchange. */
int32_t velSetAvgTimes(uint16_t count);

/* Reads the device's status word (bit flags) into *status. Returns 0,
 * VEL_ERR_NULL_ARGUMENT, or the command's own failure code (framing -1 to
 * -5, transport -101 to -104). One exchange. */
int32_t velGetDeviceStatus(uint32_t *status);

/* Switches the micromirror controller off, then reads the 8-byte flash
 * unique ID into id[0..7] (caller's array). Returns 0, VEL_ERR_NULL_ARGUMENT,
 * or the read command's own failure code; a failure switching the
 * controller off is reported on the diagnostics sink only. Two exchanges. */
int32_t velGetDeviceUuid(uint8_t id[8]);

/* Enables (nonzero) or disables (0) the push button; disabling writes the
 * test register twice (1, then 0). Returns VEL_OK, VEL_ERR_BUTTON (the first
 * write failed) or VEL_ERR_BUTTON_DISABLE (the second). One or two
 * exchanges. */
int32_t velEnableButtonPress(uint8_t enable);

/* Reads the push button into *state: 1 pressed, 0 not. Returns VEL_OK,
 * VEL_ERR_NULL_ARGUMENT or VEL_ERR_BUTTON. One exchange. */
int32_t velGetButtonPressStatus(uint8_t *state);

/* Reads relative humidity and temperature in hundredths (3820 = 38.20 %,
 * 2512 = 25.12 deg C) into *humidity and *temperature. Returns 0,
 * VEL_ERR_NULL_ARGUMENT, or the command's own failure code. One exchange. */
int32_t velGetHumTemp(uint32_t *humidity, uint32_t *temperature);

/* Reads the battery voltage and charge in hundredths (391 = 3.91 V, 8650 =
 * 86.50 %) into *voltage and *percent. Returns 0, VEL_ERR_NULL_ARGUMENT, or
 * the command's own failure code. One exchange. */
int32_t velGetBatteryInfo(uint32_t *voltage, uint32_t *percent);

#ifdef __cplusplus
}
#endif

#endif /* VELSCAN_WRAPPER_H */
