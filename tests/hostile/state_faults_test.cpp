// The device-state functions that read values, each meeting every reply
// fault on its exchange: the defined code (the step's own code, or the
// command's result for the pass-through functions), untouched
// out-parameters, and a next call of another function that gets its own
// reply, not one the fault left waiting in the HID layer.
#include <functional>

#include "hostile_fixture.h"

namespace hostile {
namespace {

using virt::Fault;

struct Outputs {
    int32_t gain = -99;
    uint32_t humidity = 7, temperature = 7, voltage = 7, percent = 7, status = 7;
    uint8_t id[8] = {7, 7, 7, 7, 7, 7, 7, 7};
    uint8_t button = 7;
    bool operator==(const Outputs &) const = default;
};

struct StateCall {
    const char *name;
    uint32_t command;   // the exchange that fails
    int32_t step_code;  // 0: the command's own result is passed through
    std::function<int32_t(Outputs &)> call;
};

TEST_F(HostileDeviceTest, ReadingFunctionsKeepTheirOutputsOnEveryReplyFault) {
    const StateCall calls[] = {
        {"velGetPgaGain", 0x0228, VEL_ERR_GET_GAIN, [](Outputs &o) { return velGetPgaGain(&o.gain); }},
        {"velGetHumTemp", 0x0302, 0, [](Outputs &o) { return velGetHumTemp(&o.humidity, &o.temperature); }},
        {"velGetBatteryInfo", 0x030a, 0,
         [](Outputs &o) { return velGetBatteryInfo(&o.voltage, &o.percent); }},
        {"velGetDeviceUuid", 0x03ff, 0, [](Outputs &o) { return velGetDeviceUuid(o.id); }},
        {"velGetDeviceStatus", 0x0403, 0, [](Outputs &o) { return velGetDeviceStatus(&o.status); }},
        {"velGetButtonPressStatus", 0x010c, VEL_ERR_BUTTON,
         [](Outputs &o) { return velGetButtonPressStatus(&o.button); }},
    };
    // Each reply fault and the framing code it turns into.
    const std::pair<Fault, int32_t> faults[] = {
        {Fault::NoReply, -5},        {Fault::LateReply, -5},  {Fault::ShortReply, -5}, {Fault::Status1, -4},
        {Fault::OversizeLength, -4}, {Fault::CutPayload, -4}, {Fault::Status2, -3},    {Fault::Status3, -2}};
    std::vector<Outputs> good(std::size(calls));
    for (size_t i = 0; i < std::size(calls); ++i) ASSERT_EQ(calls[i].call(good[i]), VEL_OK) << calls[i].name;
    for (size_t i = 0; i < std::size(calls); ++i) {
        const StateCall &c = calls[i];
        const size_t other = (i + 1) % std::size(calls);
        for (const auto &[fault, framing_code] : faults) {
            SCOPED_TRACE(testing::Message() << c.name << " fault " << static_cast<int>(fault));
            virt::InjectFault({.fault = fault, .command = c.command});
            Outputs out;
            int32_t rc = c.call(out);
            EXPECT_EQ(virt::PendingFaults(), 0u);
            EXPECT_EQ(rc, c.step_code != 0 ? c.step_code : framing_code);
            EXPECT_TRUE(out == Outputs{});
            Outputs next;
            EXPECT_EQ(calls[other].call(next), VEL_OK);
            EXPECT_TRUE(next == good[other]) << "after it: " << calls[other].name;
        }
    }
}

}  // namespace
}  // namespace hostile
