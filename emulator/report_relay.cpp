#include "report_relay.h"

#include "virtual_device.h"

namespace virt {

ReportRelay::ReportRelay() { device_ = VIRT_Backend()->open(USB_VENDOR_ID, USB_PRODUCT_ID, nullptr); }

ReportRelay::~ReportRelay() {
    if (device_ != nullptr) VIRT_Backend()->close(device_);
}

std::vector<Report> ReportRelay::Relay(const uint8_t *output, size_t size) {
    std::vector<Report> replies;
    if (device_ == nullptr || output == nullptr || size < 1) return replies;
    const USB_HidBackend &backend = *VIRT_Backend();
    // A failed write (an armed disconnect) leaves nothing to answer with.
    if (backend.write(device_, output, size) < 0) return replies;
    // The model answers at once: everything it will send is queued by now,
    // and a read with nothing queued returns 0 without waiting.
    Report report{};
    while (backend.read_timeout(device_, report.data(), report.size(), 0) > 0) {
        replies.push_back(report);
        report.fill(0);
    }
    return replies;
}

}  // namespace virt
