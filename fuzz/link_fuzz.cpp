// Fuzz target for the device link: framing, every command wrapper and the
// file transfer, against the scripted fake device answering every read from
// the input.
//
// The input is a sequence of steps: a byte choosing the command, a byte of
// options (bit 0: the command's write fails; bit 1: serial-link mode), the
// command's arguments, then whatever its reads consume. Each blocking read
// takes one control byte: low 3 bits 0, the read times out; 1, it fails;
// otherwise a 64-byte report follows, or with bit 3 set a short one of
// 1 + (next byte % 64) bytes; bit 6 leaves one stale report waiting for the
// zero-time-out reads that drain input before a command. Once the input is
// used up every read times out, so no exchange can hang.
// Out-parameters live in exact-size heap blocks filled with a marker; a
// command that fails must leave them as they were. No command, whatever it
// returns, may decode a payload byte beyond its reply's length field.

#include "exchange.h"
#include "fake_hid.h"
#include "fuzz_input.h"
#include "link_commands.h"
#include "usb.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    USB_SetSleepFunction(fuzz::NoSleep);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    constexpr int kMaxSteps = 32;
    fuzz::ByteCursor in(data, size);
    int stale = 0;
    velscan_test::FakeHid hid;
    hid.AddDevice();
    // One read as the input scripts it (see above).
    hid.on_read = [&](int timeout_ms, velscan_test::Bytes &report) {
        if (timeout_ms == 0) {
            if (stale == 0) return 0;
            --stale;
            report.assign(USB_REPORT_SIZE, 0xA5);
            return USB_REPORT_SIZE;
        }
        if (in.empty()) return 0;
        const uint8_t control = in.Byte();
        if (control & 0x40) ++stale;
        if ((control & 7) <= 1) return (control & 7) == 0 ? 0 : -1;
        size_t n = USB_REPORT_SIZE;
        if (control & 8) n = std::min<size_t>(n, 1 + in.Byte() % 64);
        report = in.Take(n);
        return static_cast<int>(report.size());
    };
    USB_Enumerate();
    USB_Open(0);
    const std::vector<fuzz::LinkCommand> &table = fuzz::LinkCommands();
    for (int step = 0; step < kMaxSteps && !in.empty(); ++step) {
        const fuzz::LinkCommand &command = table[in.Byte() % table.size()];
        uint8_t options = in.Byte();
        if (options & 1) hid.fail_write_at = static_cast<int>(hid.writes().size());
        ZOR_SetUARTConnected((options & 2) ? 1 : 0);
        fuzz::Outputs outputs;
        const uint64_t past_before = zor::BytesDecodedPastReply();
        int32_t rc = command(in, outputs);
        if (rc < 0 && !outputs.Untouched()) fuzz::Fail("a failed command wrote its out-parameters");
        if (zor::BytesDecodedPastReply() != past_before) fuzz::Fail("a command decoded past its reply");
    }
    ZOR_SetUARTConnected(0);
    // The transport always sends whole 65-byte reports with report ID 0.
    for (const velscan_test::Bytes &report : hid.writes())
        if (report.size() != USB_OUTPUT_REPORT_SIZE || report[0] != 0) fuzz::Fail("a malformed report");
    return 0;
}
