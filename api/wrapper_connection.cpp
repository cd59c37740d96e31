// Connection: find, open and close the device through the transport.
#include "usb.h"
#include "wrapper.h"

extern "C" int32_t velInitUsb(void)
{
    return USB_Enumerate();
}

extern "C" int32_t velOpenByUsb(int32_t index)
{
    return USB_Open(index) != 0 ? VEL_ERR_OPEN : VEL_OK;
}

extern "C" void velClose(int32_t index)
{
    USB_Close(index);
}
