// Fake millisecond clock behind the transport's sleep seam: while it lives,
// every wait is recorded instead of waited.
#ifndef VELSCAN_FAKE_CLOCK_H
#define VELSCAN_FAKE_CLOCK_H

#include <cstdint>
#include <vector>

#include "usb.h"

namespace velscan_test {

class FakeClock {
public:
    FakeClock() {
        instance_ = this;
        USB_SetSleepFunction([](uint32_t ms) { instance_->sleeps_.push_back(ms); });
    }
    ~FakeClock() { USB_SetSleepFunction(nullptr); }
    FakeClock(const FakeClock &) = delete;
    FakeClock &operator=(const FakeClock &) = delete;

    const std::vector<uint32_t> &sleeps() const { return sleeps_; }
    void clear() { sleeps_.clear(); }

private:
    static inline FakeClock *instance_ = nullptr;
    std::vector<uint32_t> sleeps_;
};

}  // namespace velscan_test

#endif
