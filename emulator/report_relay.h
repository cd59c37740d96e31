// Carries reports between a HID host outside this process and the virtual
// spectrometer: an output report as the kernel hands it over (report ID byte
// first) goes in through the instrument's backend write path, and the reply
// reports it queued come back, 64 bytes each, ready to be sent as input
// reports. The uhid bridge is its one user; tests drive it without a kernel.
#ifndef VELSCAN_EMULATOR_REPORT_RELAY_H
#define VELSCAN_EMULATOR_REPORT_RELAY_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "report_link.h"
#include "usb.h"

namespace virt {

class ReportRelay {
public:
    // Opens the in-process instrument through VIRT_Backend().
    ReportRelay();
    ~ReportRelay();
    ReportRelay(const ReportRelay &) = delete;
    ReportRelay &operator=(const ReportRelay &) = delete;

    bool IsOpen() const { return device_ != nullptr; }

    // One output report, report ID first (65 bytes for the instrument's
    // descriptor; shorter ones are zero-padded, longer ones cut). Returns the
    // reply reports queued in answer, none for an unacknowledged command, a
    // swallowed reply or a report without even the ID byte.
    std::vector<Report> Relay(const uint8_t *output, size_t size);

private:
    hid_device *device_ = nullptr;
};

}  // namespace virt

#endif
