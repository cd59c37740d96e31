#include "virtual_instrument.h"

#include <algorithm>
#include <cstring>

#include "byte_order.h"
#include "instrument_pool.h"

namespace virt {

namespace {

constexpr uint16_t kGetFileSizeToRead = 0x002d;
// A length field well beyond the host's 576-byte reply capacity.
constexpr uint16_t kOversizeLength = 1000;

}  // namespace

VirtualInstrument &VirtualInstrument::Get() { return InstrumentPool::Get().Default(); }

std::wstring VirtualInstrument::SerialString() const {
    std::wstring serial;
    for (char c : firmware.stored.serial) {
        if (c == 0) break;
        serial.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    return serial;
}

hid_device *VirtualInstrument::Open(unsigned short vendor, unsigned short product, const wchar_t *serial) {
    if (unplugged_ || vendor != USB_VENDOR_ID || product != USB_PRODUCT_ID) return nullptr;
    if (serial != nullptr && SerialString() != serial) return nullptr;
    open_ = true;
    glitch_ = false;
    assembler_.Clear();
    queue_.Clear();
    late_.clear();
    return Handle();
}

void VirtualInstrument::Close(hid_device *device) {
    if (device != Handle()) return;
    open_ = false;
    assembler_.Clear();
    queue_.Clear();
    late_.clear();
}

int VirtualInstrument::Write(hid_device *device, const unsigned char *data, size_t length) {
    if (!IsOurs(device) || unplugged_ || data == nullptr || length < 1) return -1;
    ++counters.reports_written;
    glitch_ = false;
    uint8_t report[kReportBytes] = {};
    std::memcpy(report, data + 1, std::min(length - 1, kReportBytes));  // byte 0 is the report ID
    switch (assembler_.Feed(report)) {
        case FrameAssembler::Step::NeedMore:
            return static_cast<int>(length);
        case FrameAssembler::Step::Malformed: {
            sent_frames.push_back(assembler_.Frame());
            uint8_t sequence = assembler_.Frame()[1];
            uint16_t command = GetU16(assembler_.Frame().data() + 4);
            assembler_.Clear();
            SendReply(firmware.HandleMalformed(), sequence, command);
            return static_cast<int>(length);
        }
        case FrameAssembler::Step::Complete: {
            std::vector<uint8_t> frame = assembler_.Frame();
            assembler_.Clear();
            return TakeFrame(frame) ? static_cast<int>(length) : -1;
        }
    }
    return -1;
}

bool VirtualInstrument::TakeFrame(const std::vector<uint8_t> &frame) {
    sent_frames.push_back(frame);
    ++counters.frames_handled;
    uint16_t command = GetU16(frame.data() + 4);

    std::optional<FaultSpec> before = faults.Strike(command, {Fault::Disconnect, Fault::SerialLinkPieces});
    if (before && before->fault == Fault::Disconnect) {
        if (before->persistent)
            unplugged_ = true;
        else
            glitch_ = true;
        queue_.Clear();
        return false;
    }
    firmware.serial_link_pieces = before && before->fault == Fault::SerialLinkPieces;
    uint32_t scans_before = firmware.vol.scan_count;
    Reply reply = firmware.Handle(frame);
    firmware.serial_link_pieces = false;
    counters.scans += firmware.vol.scan_count - scans_before;

    if (command == kGetFileSizeToRead && reply.send && reply.status == 0) {
        if (std::optional<FaultSpec> corrupt = faults.StrikeDownload(firmware.download_type)) {
            if (corrupt->offset < firmware.vol.download.size())
                firmware.vol.download[corrupt->offset] ^= corrupt->xor_mask;
        }
    }
    SendReply(reply, frame[1], command);
    return true;
}

void VirtualInstrument::SendReply(const Reply &reply, uint8_t sequence, uint16_t command) {
    if (!reply.send) return;
    std::optional<FaultSpec> fault = faults.Strike(
        command, {Fault::NoReply, Fault::Status1, Fault::Status2, Fault::Status3, Fault::ShortReply,
                  Fault::OversizeLength, Fault::LateReply, Fault::CutPayload});
    std::vector<uint8_t> frame = BuildReplyFrame(reply.status, sequence, reply.payload);
    if (!fault) {
        queue_.PushFrame(frame);
        return;
    }
    switch (fault->fault) {
        case Fault::NoReply:
            return;
        case Fault::Status1:
        case Fault::Status2:
        case Fault::Status3: {
            uint8_t status = fault->fault == Fault::Status1 ? 1 : fault->fault == Fault::Status2 ? 2 : 3;
            queue_.PushFrame(BuildReplyFrame(status, sequence, {}));
            return;
        }
        case Fault::ShortReply: {
            ReportQueue reports;
            reports.PushFrame(frame);
            if (reports.Size() == 1) {
                // One report: promise a second that never comes.
                uint16_t promised = static_cast<uint16_t>(reply.payload.size() + kReportBytes);
                frame[2] = static_cast<uint8_t>(promised);
                frame[3] = static_cast<uint8_t>(promised >> 8);
                queue_.PushFrame(frame);
                return;
            }
            Report report;
            for (size_t n = reports.Size() - 1; n > 0 && reports.Pop(report); --n) queue_.PushReport(report);
            return;
        }
        case Fault::CutPayload: {
            std::vector<uint8_t> payload = reply.payload;
            payload.resize(payload.size() - std::min(fault->cut, payload.size()));
            queue_.PushFrame(BuildReplyFrame(reply.status, sequence, payload));
            return;
        }
        case Fault::OversizeLength:
            frame[2] = static_cast<uint8_t>(kOversizeLength);
            frame[3] = static_cast<uint8_t>(kOversizeLength >> 8);
            queue_.PushFrame(frame);
            return;
        case Fault::LateReply: {
            ReportQueue reports;
            reports.PushFrame(frame);
            Report report;
            while (reports.Pop(report)) late_.push_back(report);
            return;
        }
        default:
            queue_.PushFrame(frame);
            return;
    }
}

int VirtualInstrument::Read(hid_device *device, unsigned char *data, size_t length) {
    if (!IsOurs(device) || unplugged_ || glitch_ || data == nullptr) return -1;
    Report report;
    if (!queue_.Pop(report)) {
        // Nothing waiting: the read times out at once, and a held-back reply
        // arrives just after it.
        for (const Report &late : late_) queue_.PushReport(late);
        late_.clear();
        return 0;
    }
    size_t n = std::min(length, kReportBytes);
    std::memcpy(data, report.data(), n);
    ++counters.reports_read;
    return static_cast<int>(n);
}

void VirtualInstrument::Reset() {
    firmware.FactoryReset();
    ClearFaults();
    sent_frames.clear();
    counters = Counters{};
    assembler_.Clear();
    queue_.Clear();
}

void VirtualInstrument::ClearFaults() {
    faults.Clear();
    unplugged_ = false;
    glitch_ = false;
    late_.clear();
}

}  // namespace virt
