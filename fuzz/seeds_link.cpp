// Seeds of the link target: each command of the table run against the
// virtual spectrometer, with the instrument's replies recorded in the
// target's input format (see link_fuzz.cpp), and whole file transfers.
#include <cstring>
#include <string>
#include <vector>

#include "API.h"
#include "link_commands.h"
#include "seeds.h"
#include "usb.h"
#include "virtual_control.h"
#include "virtual_device.h"

namespace fuzz {
namespace {

USB_HidBackend g_virtual;
Bytes *g_replies = nullptr;

// Passes every read to the instrument and writes what it returned in the
// scripted backend's format: a control byte, then a 64-byte report.
int recording_read(hid_device *device, unsigned char *data, size_t length, int timeout_ms) {
    int rc = g_virtual.read_timeout(device, data, length, timeout_ms);
    if (timeout_ms == 0 || !g_replies) return rc;
    if (rc < 0) {
        g_replies->push_back(1);
    } else if (rc == 0) {
        g_replies->push_back(0);
    } else {
        g_replies->push_back(2);
        Bytes report(USB_REPORT_SIZE, 0);
        std::memcpy(report.data(), data, static_cast<size_t>(rc));
        g_replies->insert(g_replies->end(), report.begin(), report.end());
    }
    return rc;
}

void NoSleep(uint32_t) {}

struct Step {
    uint8_t command;
    uint8_t options;
    Bytes args;
};

// Runs the steps against a freshly reset instrument and returns the input
// that replays them.
Bytes record(const std::vector<Step> &steps, const virt::FaultSpec *fault = nullptr) {
    virt::Reset();
    if (fault) virt::InjectFault(*fault);
    g_virtual = *VIRT_Backend();
    USB_HidBackend recording = g_virtual;
    recording.read_timeout = recording_read;
    USB_SetHidBackend(&recording);
    USB_SetSleepFunction(NoSleep);
    USB_Enumerate();
    USB_Open(0);
    Bytes seed;
    for (const Step &step : steps) {
        Bytes args = step.args;
        args.resize(args.size() + 16, 0);
        ByteCursor in(args.data(), args.size());
        Outputs outputs;
        Bytes replies;
        g_replies = &replies;
        ZOR_SetUARTConnected((step.options & 2) ? 1 : 0);
        link_commands()[step.command](in, outputs);
        g_replies = nullptr;
        seed.push_back(step.command);
        seed.push_back(step.options);
        seed.insert(seed.end(), args.begin(), args.begin() + static_cast<long>(in.consumed()));
        seed = concat(seed, replies);
    }
    ZOR_SetUARTConnected(0);
    USB_Close(0);
    USB_SetHidBackend(nullptr);
    USB_SetSleepFunction(nullptr);
    return seed;
}

Bytes le(uint32_t value, int bytes) {
    Bytes out;
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return out;
}

}  // namespace

void link_seeds() {
    const size_t count = link_commands().size();
    for (size_t k = 0; k < count; ++k)
        write_seed("link", "command" + std::to_string(k), record({{static_cast<uint8_t>(k), 0, {}}}));

    for (uint32_t file_type : {0u, 2u, 3u}) {
        // A scan first, so that the last-scan file exists; the instrument is
        // deterministic after a reset, so its size is known beforehand.
        const Step scan = {kLinkPerformScan, 0, {0}};
        record({scan});
        uint32_t size = static_cast<uint32_t>(virt::FileImage(file_type).size());
        std::vector<Step> transfer = {
            scan, {kLinkGetFileSizeToRead, 0, le(file_type, 4)}, {kLinkGetFile, 0, le(size, 2)}};
        write_seed("link", "file" + std::to_string(file_type), record(transfer));

        // The same over the serial link: pieces carry two extra bytes.
        virt::FaultSpec serial;
        serial.fault = virt::Fault::SerialLinkPieces;
        serial.command = 0x002e;
        serial.persistent = true;
        for (Step &step : transfer) step.options = 2;
        write_seed("link", "file" + std::to_string(file_type) + "_serial", record(transfer, &serial));
    }
}

}  // namespace fuzz
