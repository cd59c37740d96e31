// The console's start-up configuration report reads configuration 0 in the
// form the API hands it back: a scanCfg for a single-section configuration,
// a slewScanCfg (first section's range) for a multi-section one.
#include <gtest/gtest.h>

#include <memory>

#include "scan_items.h"
#include "scripted_device.h"

using namespace api_test;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

std::string report(const Bytes &image)
{
    ScriptedDevice device;
    device.configImage = image;
    auto state = std::make_unique<ScanItemsState>();
    int32_t status = 1;
    CaptureStdout();
    console_report_configuration(*state, status);
    return GetCapturedStdout();
}

} // namespace

TEST(ConsoleConfigurationReport, PrintsSerialAndRangeOfEitherForm)
{
    EXPECT_EQ(report(singleSectionConfigImage("VS000001")),
              "Device serial number: VS000001\nWavelength range: 900 - 1700 nm\n\n");
    EXPECT_EQ(report(multiSectionConfigImage("VS2")),
              "Device serial number: VS2\nWavelength range: 950 - 1300 nm\n\n");
}

TEST(ConsoleConfigurationReport, PrintsNothingWhenTheConfigurationIsUnreadable)
{
    Bytes damaged = singleSectionConfigImage("VS000001");
    damaged[1] ^= 0xFF;
    // Only the decoder's own diagnostic line; no report.
    EXPECT_EQ(report(damaged), "------velspec_deserialize debug 3\n");
}
