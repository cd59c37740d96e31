#include "fake_clock.h"

#include "usb.h"

namespace velscan_test {

FakeClock *FakeClock::instance_ = nullptr;

FakeClock::FakeClock() {
    instance_ = this;
    USB_SetSleepFunction(&FakeClock::sleep);
}

FakeClock::~FakeClock() {
    USB_SetSleepFunction(nullptr);
    instance_ = nullptr;
}

void FakeClock::sleep(uint32_t ms) {
    if (instance_ == nullptr) return;
    instance_->sleeps_.push_back(ms);
    instance_->now_ += ms;
}

}  // namespace velscan_test
