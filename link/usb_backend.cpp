// The table of hidapi entry points the transport calls, and the sleep it
// waits with. Both are replaceable so tests and the virtual instrument can
// stand in for the device and the clock.
#include "usb.h"

#include <chrono>
#include <thread>

#include "usb_seams.h"

namespace {

constexpr USB_HidBackend kSystemHidapi = {
    hid_init,  hid_exit,         hid_enumerate, hid_free_enumeration, hid_open, hid_close,
    hid_write, hid_read_timeout, hid_error,
};

USB_HidBackend activeBackend = kSystemHidapi;

void RealSleep(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void (*activeSleep)(uint32_t) = RealSleep;

}  // namespace

const USB_HidBackend &velscan::link::UsbBackend() { return activeBackend; }

extern "C" void USB_SetHidBackend(const USB_HidBackend *backend) {
    activeBackend = backend ? *backend : kSystemHidapi;
}

extern "C" void USB_GetHidBackend(USB_HidBackend *out) {
    if (out) *out = activeBackend;
}

extern "C" void USB_SetSleepFunction(void (*sleep_ms)(uint32_t ms)) {
    activeSleep = sleep_ms ? sleep_ms : RealSleep;
}

extern "C" void USB_Sleep(uint32_t ms) { activeSleep(ms); }
