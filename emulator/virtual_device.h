/* The virtual spectrometer as an HID backend.
 *
 * Install it in the transport with USB_SetHidBackend(VIRT_Backend()) and the
 * host talks to an in-process instrument model instead of real hardware:
 * enumeration reports one interface (USB_VENDOR_ID, USB_PRODUCT_ID, serial
 * VIRT_SERIAL_NUMBER), writes take 65-byte reports and reassemble command
 * frames, reads hand out the queued 64-byte reply reports and return 0 at
 * once when nothing is queued, so a time-out costs no real time.
 *
 * Single-threaded, like the transport it plugs into. */
#ifndef VELSCAN_VIRTUAL_DEVICE_H
#define VELSCAN_VIRTUAL_DEVICE_H

#include "usb.h"

#ifdef __cplusplus
extern "C" {
#endif

/* USB serial-number string of the virtual instrument (8 characters). */
#define VIRT_SERIAL_NUMBER "VS260417"

/* The backend table of the virtual spectrometer; valid for the whole process. */
const USB_HidBackend *VIRT_Backend(void);

#ifdef __cplusplus
}
#endif

#endif
