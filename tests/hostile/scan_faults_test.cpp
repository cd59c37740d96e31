// A scan through the device API while the instrument fails one exchange at a
// time: every failure ends the call with its step's code, leaves the
// caller's record alone, and the next call works, undisturbed by a reply
// the fault left waiting.
#include <map>

#include "hostile_fixture.h"
#include "wrapper.h"

namespace hostile {
namespace {

using virt::Fault;

// What velGetScanResults returns when the exchange of command `code` meets
// `fault`.
int32_t expected_result(uint32_t code, Fault fault) {
    // An acknowledgement's length only says whether it carries a value; a
    // wrong one is read as "no value", which is success.
    if ((code == kSetActiveScanIndex || code == kPerformScan) &&
        (fault == Fault::ShortReply || fault == Fault::OversizeLength || fault == Fault::CutPayload))
        return VEL_OK;
    switch (code) {
        case kGetNumScanCfg:
            return VEL_ERR_NUM_CONFIGS;
        case kSetActiveScanIndex:
            return VEL_ERR_SELECT_CONFIG;
        case kGetEstimatedScanTime:
            return VEL_OK;  // no estimate: no wait, the scan goes on
        case kPerformScan:
            return VEL_ERR_START_SCAN;
        case kGetFileSizeToRead:
            return VEL_ERR_SCAN_SIZE;
        case kGetFileData:
            return VEL_ERR_FILE;
        default:
            return 1;  // not an exchange of a scan
    }
}

const Fault kReplyFaults[] = {Fault::NoReply,    Fault::Status1,    Fault::Status2,
                              Fault::Status3,    Fault::ShortReply, Fault::LateReply,
                              Fault::CutPayload, Fault::Disconnect, Fault::OversizeLength};

void arm(Fault fault, uint32_t code, uint32_t skip) {
    virt::FaultSpec fault_spec;
    fault_spec.fault = fault;
    fault_spec.command = code;
    fault_spec.skip = skip;
    virt::InjectFault(fault_spec);
}

TEST_F(HostileDeviceTest, EveryExchangeOfAScanFailsWithItsStepCode) {
    auto clean = CleanScan();
    const std::vector<uint32_t> exchanges = SentCommands();
    ASSERT_GE(exchanges.size(), 7u);
    for (Fault fault : kReplyFaults) {
        std::map<uint32_t, uint32_t> seen;
        for (uint32_t code : exchanges) {
            uint32_t occurrence = seen[code]++;
            SCOPED_TRACE(testing::Message() << "fault " << static_cast<int>(fault) << " on command 0x"
                                            << std::hex << code << std::dec << " #" << occurrence);
            ResetDevice();
            arm(fault, code, occurrence);
            auto result = marked<scanResults>();
            int32_t rc = velGetScanResults(result.get());
            EXPECT_EQ(virt::PendingFaults(), 0u) << "the fault never struck";
            EXPECT_EQ(rc, expected_result(code, fault));
            if (rc != VEL_OK) {
                EXPECT_TRUE(untouched(result.get()));
            }
            if (code == kGetEstimatedScanTime) {
                EXPECT_TRUE(Waits().empty());
            }

            auto next = marked<scanResults>();
            ASSERT_EQ(velGetScanResults(next.get()), VEL_OK);
            ASSERT_EQ(next->length, clean->length);
            EXPECT_EQ(0, std::memcmp(next->intensity, clean->intensity, sizeof(int32_t) * clean->length));
        }
    }
}

TEST_F(HostileDeviceTest, EveryExchangeOfTheReferenceFunctionFailsWithItsStepCode) {
    CleanScan();
    virt::ClearSentFrames();
    std::vector<int32_t> clean(VEL_MAX_WAVELENGTHS);
    ASSERT_EQ(velGetRefIntensityFromDevice(clean.data(), VEL_MAX_WAVELENGTHS), VEL_OK);
    const std::vector<uint32_t> exchanges = SentCommands();
    ASSERT_GE(exchanges.size(), 6u);
    for (Fault fault :
         {Fault::NoReply, Fault::Status3, Fault::ShortReply, Fault::OversizeLength, Fault::CutPayload}) {
        std::map<uint32_t, uint32_t> seen;
        int size_queries = 0;
        for (uint32_t code : exchanges) {
            uint32_t occurrence = seen[code]++;
            // The third size query is the last scan's; the first two are the
            // reference's and the matrix's, whose failure is a failed fetch.
            int32_t expected =
                (code == kGetFileSizeToRead && ++size_queries == 3) ? VEL_ERR_SCAN_SIZE : VEL_ERR_FILE;
            SCOPED_TRACE(testing::Message() << "fault " << static_cast<int>(fault) << " on 0x" << std::hex
                                            << code << std::dec << " #" << occurrence);
            arm(fault, code, occurrence);
            std::vector<int32_t> out(VEL_MAX_WAVELENGTHS, -7);
            EXPECT_EQ(velGetRefIntensityFromDevice(out.data(), VEL_MAX_WAVELENGTHS), expected);
            EXPECT_EQ(virt::PendingFaults(), 0u);
            EXPECT_EQ(out, std::vector<int32_t>(VEL_MAX_WAVELENGTHS, -7));
            std::vector<int32_t> next(VEL_MAX_WAVELENGTHS);
            EXPECT_EQ(velGetRefIntensityFromDevice(next.data(), VEL_MAX_WAVELENGTHS), VEL_OK);
            EXPECT_EQ(next, clean);
        }
    }
}

TEST_F(HostileDeviceTest, TheOtherScanFunctionsKeepTheirArraysOnFailure) {
    arm(Fault::NoReply, kGetFileData, 1);
    std::vector<double> wavelengths(VEL_MAX_WAVELENGTHS, -1.0);
    EXPECT_EQ(velGetWavelengths(wavelengths.data(), VEL_MAX_WAVELENGTHS), VEL_ERR_FILE);
    EXPECT_EQ(wavelengths, std::vector<double>(VEL_MAX_WAVELENGTHS, -1.0));
    EXPECT_EQ(velGetWavelengths(wavelengths.data(), VEL_MAX_WAVELENGTHS), VEL_OK);

    arm(Fault::NoReply, kGetFileData, 1);
    std::vector<int32_t> intensities(VEL_MAX_WAVELENGTHS, -7);
    EXPECT_EQ(velGetIntensities(0, intensities.data(), VEL_MAX_WAVELENGTHS), VEL_ERR_FILE);
    EXPECT_EQ(intensities, std::vector<int32_t>(VEL_MAX_WAVELENGTHS, -7));
    EXPECT_EQ(velGetIntensities(0, intensities.data(), VEL_MAX_WAVELENGTHS), VEL_OK);

    arm(Fault::Status2, kGetNumScanCfg, 0);
    auto config = marked<slewScanCfg>();
    EXPECT_EQ(velGetConfigInfo(config.get()), VEL_ERR_NUM_CONFIGS);
    EXPECT_TRUE(untouched(config.get()));
    EXPECT_EQ(velGetConfigInfo(config.get()), VEL_OK);
}

TEST_F(HostileDeviceTest, UnpluggedInMidTransferEveryCallFailsUntilReopened) {
    virt::FaultSpec fault_spec;
    fault_spec.fault = Fault::Disconnect;
    fault_spec.command = kGetFileData;
    fault_spec.skip = 1;
    fault_spec.persistent = true;
    virt::InjectFault(fault_spec);
    auto gone = marked<scanResults>();
    EXPECT_EQ(velGetScanResults(gone.get()), VEL_ERR_FILE);
    EXPECT_EQ(velGetScanResults(gone.get()), VEL_ERR_NUM_CONFIGS);
    EXPECT_TRUE(untouched(gone.get()));
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

}  // namespace
}  // namespace hostile
