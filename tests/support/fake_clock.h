// Fake millisecond clock behind the transport's sleep seam: records every wait
// instead of waiting.
//
//   FakeClock clock;          // installs itself; the destructor restores sleep
//   ZOR_TestBT(1);
//   EXPECT_EQ(clock.sleeps(), std::vector<uint32_t>{2000});
//   EXPECT_EQ(clock.now(), 2000u);
#ifndef VELSCAN_FAKE_CLOCK_H
#define VELSCAN_FAKE_CLOCK_H

#include <cstdint>
#include <vector>

namespace velscan_test {

class FakeClock {
public:
    FakeClock();
    ~FakeClock();
    FakeClock(const FakeClock &) = delete;
    FakeClock &operator=(const FakeClock &) = delete;

    const std::vector<uint32_t> &sleeps() const { return sleeps_; }
    uint64_t now() const { return now_; }  // total milliseconds slept
    void clear() {
        sleeps_.clear();
        now_ = 0;
    }

private:
    static FakeClock *instance_;
    static void sleep(uint32_t ms);
    std::vector<uint32_t> sleeps_;
    uint64_t now_ = 0;
};

}  // namespace velscan_test

#endif
