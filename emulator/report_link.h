// The instrument's side of the HID link: command frames reassembled from
// 65-byte output reports, reply frames cut into 64-byte input reports.
#ifndef VELSCAN_EMULATOR_REPORT_LINK_H
#define VELSCAN_EMULATOR_REPORT_LINK_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace virt {

inline constexpr size_t kReportBytes = 64;
inline constexpr size_t kFrameHeaderBytes = 4;
// Largest command body the instrument accepts: the 16-bit code plus 512
// bytes of data, the size of the host's message buffer.
inline constexpr size_t kMaxCommandBody = 2 + 512;

using Report = std::array<uint8_t, kReportBytes>;

class FrameAssembler {
public:
    enum class Step { NeedMore, Complete, Malformed };

    // Takes the 64 frame bytes of one output report (report ID removed).
    // A frame whose length field is below 2 or beyond kMaxCommandBody is
    // Malformed: its first report is kept in frame() so the code can be read.
    Step Feed(const uint8_t *report);
    const std::vector<uint8_t> &Frame() const { return frame_; }
    void Clear();

private:
    std::vector<uint8_t> frame_;
    size_t expected_ = 0;
};

class ReportQueue {
public:
    // Cuts a frame into reports, the last one zero-padded. A frame of fewer
    // than 64 bytes still takes one whole report.
    void PushFrame(const std::vector<uint8_t> &frame);
    void PushReport(const Report &report) { reports_.push_back(report); }
    bool Pop(Report &out);
    bool Empty() const { return reports_.empty(); }
    size_t Size() const { return reports_.size(); }
    void Clear() { reports_.clear(); }

private:
    std::deque<Report> reports_;
};

// A reply frame: flags carry the status in bits 5-4, the sequence of the
// command it answers, the payload length, the payload.
std::vector<uint8_t> BuildReplyFrame(uint8_t status, uint8_t sequence, const std::vector<uint8_t> &payload);

}  // namespace virt

#endif
