// The uhid bridge's translation: output reports as the kernel delivers them
// (report ID first) in, reply reports out, without a kernel.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "report_relay.h"
#include "virtual_control.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A kernel output report: report ID 0, the frame bytes, zero padding.
Bytes KernelOutput(const Bytes &frame, size_t size = 65) {
    Bytes report(size, 0);
    std::memcpy(report.data() + 1, frame.data(), frame.size());
    return report;
}

}  // namespace

TEST(ReportRelay, OutputReportsInReplyReportsOut) {
    struct Step {
        const char *what;
        Bytes output;       // as the kernel delivers it
        size_t replies;     // reply reports expected
        Bytes first_bytes;  // leading bytes of the first reply
    };
    const Step steps[] = {
        {"GetNumScanCfg", KernelOutput({0xC0, 0x00, 0x02, 0x00, 0x22, 0x02}), 1, {0x00, 0x00, 0x01, 0x00, 0x03}},
        {"GetScanCfg 0: two reports", KernelOutput({0xC0, 0x00, 0x06, 0x00, 0x20, 0x02, 0, 0, 0, 0}), 2,
         {0x00, 0x00, 0x5F, 0x00}},
        {"ReadHum swallowed by the armed fault", KernelOutput({0xC0, 0x00, 0x02, 0x00, 0x02, 0x03}), 0, {}},
        {"ReadHum again answers", KernelOutput({0xC0, 0x00, 0x02, 0x00, 0x02, 0x03}), 1,
         {0x00, 0x00, 0x08, 0x00, 0xD0, 0x09}},
        {"unacknowledged HibernateMode", KernelOutput({0x40, 0x0B, 0x02, 0x00, 0x0D, 0x03}), 0, {}},
        {"SetPGAGain in a 64-byte report", KernelOutput({0x40, 0x05, 0x03, 0x00, 0x1B, 0x02, 0x08}, 64), 1,
         {0x00, 0x05, 0x00, 0x00}},
        {"empty report", {}, 0, {}},
    };
    virt::Reset();
    virt::InjectFault({.fault = virt::Fault::NoReply, .command = 0x0302});
    {
        virt::ReportRelay relay;
        ASSERT_TRUE(relay.IsOpen());
        for (const Step &step : steps) {
            std::vector<virt::Report> replies = relay.Relay(step.output.data(), step.output.size());
            ASSERT_EQ(replies.size(), step.replies) << step.what;
            if (replies.empty()) continue;
            EXPECT_EQ(Bytes(replies[0].begin(), replies[0].begin() + step.first_bytes.size()), step.first_bytes)
                << step.what;
        }
    }
    virt::Reset();
}
