// Internal to the transport: the backend table currently installed.
#ifndef VELSCAN_USB_SEAMS_H
#define VELSCAN_USB_SEAMS_H

#include "usb.h"

namespace velscan::link {

const USB_HidBackend &UsbBackend();

}  // namespace velscan::link

#endif
