// Scripted stand-in for hidapi behind the transport's backend seam, one at a
// time while it lives. Blocking reads take the next scripted read (none left:
// a time-out); zero-time-out reads take only a late reply's waiting reports.
#ifndef VELSCAN_FAKE_HID_H
#define VELSCAN_FAKE_HID_H

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "usb.h"

namespace velscan_test {

using Bytes = std::vector<uint8_t>;

// Cut a frame into 64-byte input reports (the last one zero-padded).
std::vector<Bytes> SplitIntoReports(const Bytes &frame);
// A reply frame: flags (status in bits 5-4), sequence 0, length, payload.
Bytes ReplyFrame(const Bytes &payload, int status = 0);

class FakeHid {
public:
    FakeHid();
    ~FakeHid();  // closes every transport entry and restores the system hidapi
    FakeHid(const FakeHid &) = delete;
    FakeHid &operator=(const FakeHid &) = delete;

    // An interface reported by enumerate; serial == nullptr: no serial string.
    void AddDevice(uint16_t vendor = USB_VENDOR_ID, uint16_t product = USB_PRODUCT_ID,
                   const wchar_t *serial = L"VS000001");
    // A default device, enumerated and opened as the current one.
    bool OpenOne() { return AddDevice(), USB_Enumerate() == 1 && USB_Open(0) == 0; }

    void QueueReport(const Bytes &report) { script_.push_back({static_cast<int>(report.size()), report}); }
    void QueueReply(const Bytes &payload, int status = 0);
    void QueueAck(int32_t value);  // length 4, value LE
    void QueueTimeout() { script_.push_back({0, {}}); }
    void QueueReadError() { script_.push_back({-1, {}}); }
    // The next blocking read times out; the reply's reports then wait.
    void QueueLateReply(const Bytes &payload);
    size_t ScriptedEventsLeft() const { return script_.size(); }

    // When set, answers every read in place of the script (fills `report` when > 0).
    std::function<int(int milliseconds, Bytes &report)> on_read;

    // A request frame, split into its code and the payload after it.
    struct Command {
        uint16_t code;
        Bytes data;
        bool operator==(const Command &) const = default;
    };
    // When set, called as each request frame is completely written.
    std::function<void(const Command &)> on_command;
    std::vector<Command> commands() const;  // the complete request frames

    bool fail_init = false;   // init returns -1
    bool fail_open = false;   // open returns NULL
    std::wstring open_error;  // with fail_open: what hid_error(NULL) then says
    int fail_write_at = -1;   // the write with this 0-based number returns -1

    const std::vector<Bytes> &writes() const { return writes_; }  // 65 bytes each
    // The frames written, report IDs dropped; the last may be unfinished.
    std::vector<Bytes> frames() const;
    const std::vector<int> &read_timeouts() const { return read_timeouts_; }
    int CloseCount() const { return closes_; }
    void ClearRecords();

private:
    struct Read {
        int result;  // > 0: deliver `report`
        Bytes report;
        bool waiting = false;  // seen by zero-time-out reads too
    };
    struct Device {
        uint16_t vendor, product;
        std::optional<std::wstring> serial;
    };

    static inline FakeHid *instance_ = nullptr;

    std::vector<Device> devices_;
    std::deque<Read> script_;
    std::vector<Bytes> writes_;
    std::vector<int> read_timeouts_;
    int closes_ = 0;
    size_t answered_ = 0;  // request frames already passed to on_command
};

}  // namespace velscan_test

#endif
