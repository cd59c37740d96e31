// Connection: find, open and close the device through the transport.
#include "api_guard.h"
#include "usb.h"
#include "wrapper.h"

using velscan::api::ApiGuarded;

extern "C" int32_t velInitUsb(void) {
    return ApiGuarded(USB_ERR_INIT, [] { return USB_Enumerate(); });
}

extern "C" int32_t velOpenByUsb(int32_t index) {
    return ApiGuarded(VEL_ERR_OPEN, [&] { return USB_Open(index) != 0 ? VEL_ERR_OPEN : VEL_OK; });
}

extern "C" void velClose(int32_t index) {
    ApiGuarded(VEL_OK, [&] { return USB_Close(index); });
}
