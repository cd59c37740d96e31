// A reply that arrives after the host's read gave up stays waiting in the
// HID layer. It must be thrown away before the next command, or every later
// command would take the previous command's reply for its own.
#include "hostile_fixture.h"
#include "wrapper.h"

namespace hostile {
namespace {

void arm_late_reply(uint32_t code, uint32_t skip = 0) {
    virt::FaultSpec fault_spec;
    fault_spec.fault = virt::Fault::LateReply;
    fault_spec.command = code;
    fault_spec.skip = skip;
    virt::InjectFault(fault_spec);
}

TEST_F(HostileDeviceTest, LateReplyIsNotTakenForTheNextCommandsReply) {
    int32_t gain = 0;
    uint32_t humidity = 0, temperature = 0;
    ASSERT_EQ(velGetPgaGain(&gain), VEL_OK);
    ASSERT_EQ(velGetHumTemp(&humidity, &temperature), VEL_OK);

    arm_late_reply(kGetPGAGain);
    int32_t late_gain = -99;
    EXPECT_EQ(velGetPgaGain(&late_gain), VEL_ERR_GET_GAIN);
    EXPECT_EQ(virt::PendingFaults(), 0u);
    EXPECT_EQ(late_gain, -99);
    // The gain reply is now waiting; the humidity command must get its own.
    uint32_t h = 0, t = 0;
    EXPECT_EQ(velGetHumTemp(&h, &t), VEL_OK);
    EXPECT_EQ(h, humidity);
    EXPECT_EQ(t, temperature);

    arm_late_reply(kReadHum);
    uint32_t late_h = 7, late_t = 7;
    EXPECT_NE(velGetHumTemp(&late_h, &late_t), VEL_OK);
    EXPECT_EQ(late_h, 7u);
    EXPECT_EQ(late_t, 7u);
    int32_t next_gain = -99;
    EXPECT_EQ(velGetPgaGain(&next_gain), VEL_OK);
    EXPECT_EQ(next_gain, gain);
}

TEST_F(HostileDeviceTest, LateReplyDuringAScanLeavesTheNextScanIntact) {
    auto clean = CleanScan();
    for (uint32_t code : {kGetNumScanCfg, kGetFileSizeToRead, kGetFileData}) {
        SCOPED_TRACE(testing::Message() << "late reply to 0x" << std::hex << code);
        arm_late_reply(code, code == kGetFileData ? 3 : 0);
        auto failed = marked<scanResults>();
        EXPECT_LT(velGetScanResults(failed.get()), 0);
        EXPECT_EQ(virt::PendingFaults(), 0u);
        EXPECT_TRUE(untouched(failed.get()));
        auto next = marked<scanResults>();
        ASSERT_EQ(velGetScanResults(next.get()), VEL_OK);
        ASSERT_EQ(next->length, clean->length);
        for (int32_t i = 0; i < clean->length; ++i) {
            ASSERT_EQ(next->wavelength[i], clean->wavelength[i]);
            ASSERT_EQ(next->intensity[i], clean->intensity[i]);
        }
    }
}

} // namespace
} // namespace hostile
