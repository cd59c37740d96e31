// Fuzz target for the console: the input is the operator's standard input,
// run through the whole menu against the virtual spectrometer.
//
// The first two bytes may arm one fault of the instrument (bit 7 of the
// first byte set: fault kind and the number of exchanges it lets pass from
// the two bytes), so damaged replies meet every menu item too. The rest is
// typed at the menu; scans take no real time (no sleep, zero scan time).

#include "fuzz_input.h"
#include "menu.h"
#include "tpl.h"
#include "usb.h"
#include "virtual_control.h"
#include "virtual_device.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    USB_SetHidBackend(VIRT_Backend());
    USB_SetSleepFunction(fuzz::NoSleep);
    tpl_hook.report_error = fuzz::Quiet;
    if (!std::freopen("/dev/null", "w", stdout)) return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    virt::Reset();
    virt::SetScanTimeScale(0);
    if (size >= 2 && (data[0] & 0x80)) {
        using enum virt::Fault;
        const virt::Fault kFaults[] = {NoReply,        Status1,      Status2,    Status3,          ShortReply,
                                       OversizeLength, CorruptImage, Disconnect, SerialLinkPieces, LateReply};
        virt::FaultSpec armed;
        armed.fault = kFaults[(data[0] & 0x7F) % (sizeof kFaults / sizeof kFaults[0])];
        armed.skip = data[1] % 32;
        armed.offset = data[1] * 13u;
        virt::InjectFault(armed);
        data += 2;
        size -= 2;
    }
    constexpr size_t kMaxInput = 48;  // characters, so that a run stays short
    if (size > kMaxInput) size = kMaxInput;
    // An exact-size copy, so the stream never reads past what was typed.
    const char *chars = reinterpret_cast<const char *>(data);
    std::vector<char> typed(chars, chars + size);
    FILE *in = fmemopen(typed.empty() ? nullptr : typed.data(), typed.size(), "r");
    if (!in) return 0;
    FILE *saved = stdin;
    stdin = in;
    velscan::console::ConsoleRunMenu();
    stdin = saved;
    std::fclose(in);
    // A session cut off before "q" leaves the device open; close it so the
    // next run starts from the same state.
    USB_Close(0);
    return 0;
}
