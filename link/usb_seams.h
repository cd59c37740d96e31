// Internal to the transport: the backend table currently installed.
#ifndef VELSCAN_USB_SEAMS_H
#define VELSCAN_USB_SEAMS_H

#include "usb.h"

const USB_HidBackend &usb_backend();

#endif
