#include "report_link.h"

#include <algorithm>

#include "byte_order.h"

namespace virt {

FrameAssembler::Step FrameAssembler::Feed(const uint8_t *report) {
    frame_.insert(frame_.end(), report, report + kReportBytes);
    if (expected_ == 0) {
        size_t length = GetU16(frame_.data() + 2);
        if (length < 2 || length > kMaxCommandBody) return Step::Malformed;
        expected_ = kFrameHeaderBytes + length;
    }
    if (frame_.size() < expected_) return Step::NeedMore;
    frame_.resize(expected_);  // bytes past the frame carry no meaning
    return Step::Complete;
}

void FrameAssembler::Clear() {
    frame_.clear();
    expected_ = 0;
}

void ReportQueue::PushFrame(const std::vector<uint8_t> &frame) {
    size_t at = 0;
    do {
        Report report{};
        size_t n = std::min(kReportBytes, frame.size() - at);
        std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>(at), n, report.begin());
        reports_.push_back(report);
        at += n;
    } while (at < frame.size());
}

bool ReportQueue::Pop(Report &out) {
    if (reports_.empty()) return false;
    out = reports_.front();
    reports_.pop_front();
    return true;
}

std::vector<uint8_t> BuildReplyFrame(uint8_t status, uint8_t sequence, const std::vector<uint8_t> &payload) {
    std::vector<uint8_t> frame;
    frame.reserve(kFrameHeaderBytes + payload.size());
    frame.push_back(static_cast<uint8_t>((status & 3u) << 4));
    frame.push_back(sequence);
    PutU16(frame, static_cast<uint16_t>(payload.size()));
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

}  // namespace virt
