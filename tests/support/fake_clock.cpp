#include "fake_clock.h"

#include "usb.h"

namespace velscan_test {

FakeClock *FakeClock::instance_ = nullptr;

FakeClock::FakeClock() {
    instance_ = this;
    USB_SetSleepFunction(&FakeClock::Sleep);
}

FakeClock::~FakeClock() {
    USB_SetSleepFunction(nullptr);
    instance_ = nullptr;
}

void FakeClock::Sleep(uint32_t ms) {
    if (instance_ != nullptr) instance_->sleeps_.push_back(ms);
}

}  // namespace velscan_test
