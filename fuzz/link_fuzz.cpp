// Fuzz target for the device link: framing, every command wrapper and the
// file transfer, against a device whose every reply comes from the input.
//
// The input is a sequence of steps: a byte choosing the command, a byte of
// options (bit 0: the command's write fails; bit 1: serial-link mode), the
// command's arguments, then whatever its reads consume (see scripted_hid.h).
// Out-parameters live in exact-size heap blocks filled with a marker; a
// command that fails must leave them as they were. No command, whatever it
// returns, may decode a payload byte beyond its reply's length field.
#include <cstdint>
#include <vector>

#include "API.h"
#include "exchange.h"
#include "fuzz_input.h"
#include "link_commands.h"
#include "scripted_hid.h"
#include "usb.h"

namespace {

constexpr int kMaxSteps = 32;

void no_sleep(uint32_t) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    USB_SetSleepFunction(no_sleep);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::ByteCursor in(data, size);
    fuzz::scripted_hid_begin(&in);
    const std::vector<fuzz::LinkCommand> &table = fuzz::link_commands();
    for (int step = 0; step < kMaxSteps && !in.empty(); ++step) {
        const fuzz::LinkCommand &command = table[in.byte() % table.size()];
        uint8_t options = in.byte();
        if (options & 1) fuzz::scripted_hid_fail_next_write();
        ZOR_SetUARTConnected((options & 2) ? 1 : 0);
        fuzz::Outputs outputs;
        const uint64_t past_before = zor::bytesDecodedPastReply();
        int32_t rc = command(in, outputs);
        if (rc < 0 && !outputs.untouched()) fuzz::link_fail("a failed command wrote its out-parameters");
        if (zor::bytesDecodedPastReply() != past_before) fuzz::link_fail("a command decoded past its reply");
    }
    ZOR_SetUARTConnected(0);
    fuzz::scripted_hid_end();
    return 0;
}
