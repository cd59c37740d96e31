/* USB HID transport: finds the spectrometer's HID interfaces, keeps them in a
 * small table, opens one and moves single 64-byte reports.
 *
 * All HID access goes through a replaceable table of hidapi entry points
 * (USB_HidBackend), so a virtual instrument or a scripted test double can
 * stand in for the real device. Every wait of the system goes through one
 * replaceable millisecond sleep (USB_SetSleepFunction / USB_Sleep).
 *
 * Single-threaded: the table and the current index are process-wide state
 * without a lock. */
#ifndef VELSCAN_USB_H
#define VELSCAN_USB_H

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>
#include <hidapi/hidapi.h>

#ifdef __cplusplus
extern "C" {
#endif

/* USB vendor ID that marks the spectrometer; every HID interface carrying it
 * is entered in the table, whatever its product ID. */
#define USB_VENDOR_ID 0x3F17u
/* Product ID the instrument reports. Recorded, never filtered on. */
#define USB_PRODUCT_ID 0x4E10u

#define USB_MAX_DEVICES 4         /* entries in devInfo */
#define USB_SERIAL_CHARS 8        /* serial number kept per entry */
#define USB_REPORT_SIZE 64        /* frame bytes per HID report */
#define USB_OUTPUT_REPORT_SIZE 65 /* report ID byte + 64 frame bytes */
#define USB_DEFAULT_TIMEOUT_MS 10000

/* Transport result codes. hidapi's own -1 is passed through unchanged. */
#define USB_ERR_INIT (-101)         /* the HID library can't be initialised */
#define USB_ERR_OPEN (-102)         /* no device could be opened for the entry */
#define USB_ERR_WRITE_CLOSED (-103) /* write while the current entry is closed */
#define USB_ERR_READ_CLOSED (-104)  /* read while the current entry is closed */

/* One entry of the device table. */
typedef struct USB_DeviceInfo {
    int32_t index;                              /* the entry's own position */
    wchar_t serialNumber[USB_SERIAL_CHARS + 1]; /* first 8 characters, zero-terminated */
    hid_device *handle;                         /* open handle, or NULL */
    uint16_t vendorId;
    uint16_t productId;
} USB_DeviceInfo;

extern USB_DeviceInfo devInfo[USB_MAX_DEVICES];
extern int32_t deviceNumber;   /* entries filled by the last enumeration */
extern int32_t currentIndex;   /* entry used by USB_Write and USB_Read */
extern int32_t defaultTimeOut; /* read time-out in ms, 10000 */

/* The hidapi entry points the transport uses, with hidapi's signatures. */
typedef struct USB_HidBackend {
    int (*init)(void);
    int (*exit)(void);
    struct hid_device_info *(*enumerate)(unsigned short, unsigned short);
    void (*free_enumeration)(struct hid_device_info *);
    hid_device *(*open)(unsigned short, unsigned short, const wchar_t *);
    void (*close)(hid_device *);
    int (*write)(hid_device *, const unsigned char *, size_t);
    int (*read_timeout)(hid_device *, unsigned char *, size_t, int);
    /* hid_error: the last failure's text for the device, or (NULL device)
     * of the last open or enumeration; may return NULL. The entry itself may
     * be NULL in a backend that has no texts. */
    const wchar_t *(*error)(hid_device *);
} USB_HidBackend;

/* Install a backend table (copied). NULL restores the system hidapi. */
void USB_SetHidBackend(const USB_HidBackend *backend);
/* Copy of the table installed now (to restore it later). */
void USB_GetHidBackend(USB_HidBackend *out);

/* Install the millisecond sleep. NULL restores the real sleep. */
void USB_SetSleepFunction(void (*sleep_ms)(uint32_t ms));
/* Wait ms milliseconds through the installed sleep. */
void USB_Sleep(uint32_t ms);

/* hid_init's result: 0 on success, -1 on failure. */
int32_t USB_Init(void);
/* Fill devInfo with the interfaces of USB_VENDOR_ID (at most 4; further ones
 * are skipped). Returns the count, or -101 when hidapi can't be initialised. */
int32_t USB_Enumerate(void);
/* Make index current and open its entry: 0, or -102 (also for an index
 * outside 0 to 3, which changes nothing). */
int32_t USB_Open(int32_t index);
/* The system's reason the last USB_Open failed (the backend's error text
 * read right after the failed open), or an empty string when it succeeded
 * or the backend gave no text. Valid until the next USB_Open. */
const wchar_t *USB_LastOpenError(void);
/* Device path enumeration reported for the entry ("" when unknown or the
 * index is outside the table). */
const char *USB_DevicePath(int32_t index);
/* Close the entry's handle and clear it, so later writes and reads of that
 * entry return -103/-104. Returns 0, or -102 for an index outside 0 to 3. */
int32_t USB_Close(int32_t index);
/* Send one 65-byte report (report ID 0 first). hid_write's count, -1 on
 * failure, -103 when the current entry has no open device. */
int32_t USB_Write(const uint8_t *report);
/* Read one report of at most 64 bytes with the default time-out: the byte
 * count (1 to 64), 0 on time-out, -1 on failure, -104 when closed. */
int32_t USB_Read(uint8_t *buffer);
/* As USB_Read with an explicit time-out in ms (0: only what is waiting). */
int32_t USB_ReadTimeout(uint8_t *buffer, int32_t timeoutMs);
/* hid_exit's result. */
int32_t USB_Exit(void);

#ifdef __cplusplus
}
#endif

#endif
