#include "hostile_fixture.h"

#include "usb.h"
#include "virtual_device.h"
#include "wrapper.h"

namespace hostile {
namespace {

void record_wait(uint32_t ms) { HostileDeviceTest::Waits().push_back(ms); }

}  // namespace

std::vector<uint32_t> &HostileDeviceTest::Waits() {
    static std::vector<uint32_t> waits;
    return waits;
}

void HostileDeviceTest::SetUp() {
    USB_SetHidBackend(VIRT_Backend());
    USB_SetSleepFunction(record_wait);
    ResetDevice();
    ASSERT_EQ(velInitUsb(), 1);
    ASSERT_EQ(velOpenByUsb(0), 0);
}

void HostileDeviceTest::TearDown() {
    velClose(0);
    USB_SetHidBackend(nullptr);
    USB_SetSleepFunction(nullptr);
    virt::Reset();
}

void HostileDeviceTest::ResetDevice() {
    virt::Reset();
    virt::SetNoiseEnabled(false);
    Waits().clear();
}

std::vector<uint32_t> HostileDeviceTest::SentCommands() {
    std::vector<uint32_t> codes;
    for (const std::vector<uint8_t> &frame : virt::SentFrames())
        if (frame.size() >= 6) codes.push_back(frame[4] | (frame[5] << 8));
    return codes;
}

std::unique_ptr<scanResults> HostileDeviceTest::CleanScan() {
    auto result = std::make_unique<scanResults>();
    EXPECT_EQ(velGetScanResults(result.get()), VEL_OK);
    return result;
}

}  // namespace hostile
