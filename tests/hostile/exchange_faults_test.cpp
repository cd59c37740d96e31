// The device API while one exchange at a time meets each reply fault: the
// call fails with its step's code, leaves the caller's values alone, and the
// next call gets its own reply, not one the fault left in the HID layer.
#include <functional>
#include <map>

#include "hostile_fixture.h"

namespace hostile {
namespace {

using virt::Fault;

// velGetScanResults when the exchange of command `code` meets `fault`.
int32_t ExpectedResult(uint32_t code, Fault fault) {
    // An acknowledgement's length only says whether it carries a value; a
    // wrong one is read as "no value", which is success.
    if ((code == kSetActiveScanIndex || code == kPerformScan) &&
        (fault == Fault::ShortReply || fault == Fault::OversizeLength || fault == Fault::CutPayload))
        return VEL_OK;
    // No estimate means no wait: the scan goes on.
    const std::map<uint32_t, int32_t> step_code = {
        {kGetNumScanCfg, VEL_ERR_NUM_CONFIGS},   {kSetActiveScanIndex, VEL_ERR_SELECT_CONFIG},
        {kGetEstimatedScanTime, VEL_OK},         {kPerformScan, VEL_ERR_START_SCAN},
        {kGetFileSizeToRead, VEL_ERR_SCAN_SIZE}, {kGetFileData, VEL_ERR_FILE}};
    return step_code.at(code);
}

// Each reply fault and the framing code it turns into.
const std::pair<Fault, int32_t> kReplyFaults[] = {
    {Fault::NoReply, -5}, {Fault::LateReply, -5},      {Fault::ShortReply, -5},
    {Fault::Status1, -4}, {Fault::OversizeLength, -4}, {Fault::CutPayload, -4},
    {Fault::Status2, -3}, {Fault::Status3, -2},        {Fault::Disconnect, -1}};

TEST_F(HostileDeviceTest, EveryExchangeOfAScanFailsWithItsStepCode) {
    auto clean = Marked<scanResults>();
    ASSERT_EQ(velGetScanResults(clean.get()), VEL_OK);
    std::vector<uint32_t> exchanges;  // command codes of the frames the clean scan sent
    for (const std::vector<uint8_t> &frame : virt::SentFrames())
        if (frame.size() >= 6) exchanges.push_back(frame[4] | (frame[5] << 8));
    ASSERT_GE(exchanges.size(), 7u);
    for (const auto &[fault, framing_code] : kReplyFaults) {  // scan steps have codes of their own
        std::map<uint32_t, uint32_t> seen;
        for (uint32_t code : exchanges) {
            uint32_t occurrence = seen[code]++;
            SCOPED_TRACE(testing::Message() << "fault " << static_cast<int>(fault) << " on command 0x"
                                            << std::hex << code << std::dec << " #" << occurrence);
            ResetDevice();
            virt::InjectFault({.fault = fault, .command = code, .skip = occurrence});
            auto result = Marked<scanResults>();
            int32_t rc = velGetScanResults(result.get());
            EXPECT_EQ(virt::PendingFaults(), 0u) << "the fault never struck";
            EXPECT_EQ(rc, ExpectedResult(code, fault));
            EXPECT_TRUE(rc == VEL_OK || Untouched(result.get()));
            EXPECT_TRUE(code != kGetEstimatedScanTime || waits.empty());

            auto next = Marked<scanResults>();
            ASSERT_EQ(velGetScanResults(next.get()), VEL_OK);
            ASSERT_EQ(next->length, clean->length);
            EXPECT_EQ(0, std::memcmp(next->intensity, clean->intensity, sizeof(int32_t) * clean->length));
        }
    }
}

TEST_F(HostileDeviceTest, TheOtherScanFunctionsKeepTheirArraysOnFailure) {
    virt::InjectFault({.fault = Fault::NoReply, .command = kGetFileData, .skip = 1});
    std::vector<double> wavelengths(VEL_MAX_WAVELENGTHS, -1.0);
    EXPECT_EQ(velGetWavelengths(wavelengths.data(), VEL_MAX_WAVELENGTHS), VEL_ERR_FILE);
    EXPECT_EQ(wavelengths, std::vector<double>(VEL_MAX_WAVELENGTHS, -1.0));
    EXPECT_EQ(velGetWavelengths(wavelengths.data(), VEL_MAX_WAVELENGTHS), VEL_OK);

    virt::InjectFault({.fault = Fault::NoReply, .command = kGetFileData, .skip = 1});
    std::vector<int32_t> intensities(VEL_MAX_WAVELENGTHS, -7);
    EXPECT_EQ(velGetIntensities(0, intensities.data(), VEL_MAX_WAVELENGTHS), VEL_ERR_FILE);
    EXPECT_EQ(intensities, std::vector<int32_t>(VEL_MAX_WAVELENGTHS, -7));
    EXPECT_EQ(velGetIntensities(0, intensities.data(), VEL_MAX_WAVELENGTHS), VEL_OK);

    virt::InjectFault({.fault = Fault::Status2, .command = kGetNumScanCfg});
    auto config = Marked<slewScanCfg>();
    EXPECT_EQ(velGetConfigInfo(config.get()), VEL_ERR_NUM_CONFIGS);
    EXPECT_TRUE(Untouched(config.get()));
    EXPECT_EQ(velGetConfigInfo(config.get()), VEL_OK);
}

TEST_F(HostileDeviceTest, UnpluggedInMidTransferEveryCallFailsUntilReopened) {
    virt::InjectFault({.fault = Fault::Disconnect, .command = kGetFileData, .skip = 1, .persistent = true});
    auto gone = Marked<scanResults>();
    EXPECT_EQ(velGetScanResults(gone.get()), VEL_ERR_FILE);
    EXPECT_EQ(velGetScanResults(gone.get()), VEL_ERR_NUM_CONFIGS);
    EXPECT_TRUE(Untouched(gone.get()));
    int32_t gain = -99;
    EXPECT_EQ(velGetPgaGain(&gain), VEL_ERR_GET_GAIN);
    EXPECT_EQ(gain, -99);
    velClose(0);
    EXPECT_EQ(velInitUsb(), 0);  // gone from the bus
    virt::ClearFaults();
    ASSERT_EQ(velInitUsb(), 1);
    ASSERT_EQ(velOpenByUsb(0), 0);
    EXPECT_EQ(velGetScanResults(gone.get()), VEL_OK);
}

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
    std::vector<Outputs> good(std::size(calls));
    for (size_t i = 0; i < std::size(calls); ++i) ASSERT_EQ(calls[i].call(good[i]), VEL_OK) << calls[i].name;
    for (size_t i = 0; i < std::size(calls); ++i) {
        const StateCall &c = calls[i];
        const size_t other = (i + 1) % std::size(calls);
        for (const auto &[fault, framing_code] : kReplyFaults) {
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
