// Scan acquisition functions: command sequences, the wait for the estimated
// scan time, the code of each failing step, refused arguments, and results
// left untouched on failure.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "scripted_device.h"
#include "wrapper.h"

using namespace api_test;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

// The scan sequence for configuration `index`, after whatever came before.
std::vector<uint16_t> scanCodes(size_t pieces)
{
    std::vector<uint16_t> codes = {kSetActiveScanIndex, kGetEstimatedScanTime, kPerformScan,
                                   kGetFileSizeToRead};
    codes.insert(codes.end(), pieces, kGetFileData);
    return codes;
}

std::vector<uint16_t> concat(std::vector<uint16_t> a, const std::vector<uint16_t> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

size_t piecesOf(const Bytes &file)
{
    return (file.size() + 575) / 576;
}

// A device holding a column scan as its last scan.
struct ScanDevice : ScriptedDevice {
    ScanDevice()
    {
        numConfigs = 3;
        files[0] = columnScanImage();
    }
};

} // namespace

TEST(ScanResults, RunsTheScanSequenceAndWaitsTheEstimatedTime)
{
    ScanDevice device;
    auto result = std::make_unique<scanResults>();
    ASSERT_EQ(velGetScanResults(result.get()), 0);
    EXPECT_EQ(device.codes(), concat({kGetNumScanCfg}, scanCodes(piecesOf(device.files[0]))));
    EXPECT_EQ(device.sent()[1].data, Bytes{0});             // configuration 0
    EXPECT_EQ(device.sent()[3].data, Bytes{0});             // perform scan option 0
    EXPECT_EQ(device.sent()[4].data, (Bytes{0, 0, 0, 0}));  // file type 0
    EXPECT_EQ(device.sleeps(), std::vector<uint32_t>{1500});
    EXPECT_EQ(result->length, 228);
    EXPECT_EQ(result->system_temp_hundredths, 2650);
    EXPECT_EQ(result->humidity_hundredths, 3140);
    EXPECT_EQ(result->intensity[0], 1001);
    EXPECT_EQ(result->intensity[227], 1228);
}

TEST(ScanResults, NoStoredConfigurationOrAnUnreadableCount)
{
    {
        ScanDevice device;
        device.numConfigs = 0;
        scanResults result;
        EXPECT_EQ(velGetScanResults(&result), VEL_ERR_NUM_CONFIGS);
        EXPECT_EQ(device.codes(), std::vector<uint16_t>{kGetNumScanCfg});
    }
    {
        ScanDevice device;
        device.fail(kGetNumScanCfg, Failure::Timeout);
        scanResults result;
        EXPECT_EQ(velGetScanResults(&result), VEL_ERR_NUM_CONFIGS);
    }
}

// Each step of the scan sequence fails in turn; the call ends there with the
// step's code, sends nothing more, and leaves the caller's record alone.
TEST(ScanResults, EachFailingStepEndsTheCallWithItsCode)
{
    struct Case {
        uint16_t code;
        int occurrence;
        int32_t expected;
        size_t commandsSent;
    };
    const Case cases[] = {
        {kSetActiveScanIndex, 0, VEL_ERR_SELECT_CONFIG, 2},
        {kPerformScan, 0, VEL_ERR_START_SCAN, 4},
        {kGetFileSizeToRead, 0, VEL_ERR_SCAN_SIZE, 5},
        {kGetFileData, 0, VEL_ERR_FILE, 6},
        {kGetFileData, 3, VEL_ERR_FILE, 9},  // a transfer cut short after three pieces
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.code);
        ScanDevice device;
        device.fail(c.code, Failure::Status3, c.occurrence);
        auto result = std::make_unique<scanResults>();
        std::memset(result.get(), 0x5A, sizeof(scanResults));
        EXPECT_EQ(velGetScanResults(result.get()), c.expected);
        EXPECT_EQ(device.sent().size(), c.commandsSent);
        EXPECT_EQ(result->length, 0x5A5A5A5A);
    }
}

TEST(ScanResults, AFileShorterThanItsStatedSizeIsNotInterpreted)
{
    ScanDevice device;
    device.sizeOverride[0] = static_cast<int64_t>(device.files[0].size()) + 10;
    scanResults result;
    EXPECT_EQ(velGetScanResults(&result), VEL_ERR_FILE);
}

TEST(ScanResults, AnImageThatDoesNotDecodeIsAnInterpretationFailure)
{
    ScanDevice device;
    device.files[0][12] ^= 0x20;  // inside the format string
    scanResults result;
    CaptureStdout();
    EXPECT_EQ(velGetScanResults(&result), VEL_ERR_INTERPRET);
    GetCapturedStdout();
}

TEST(ScanResults, AFailedOrAbsurdEstimateMeansNoWaitAtAll)
{
    {
        ScanDevice device;
        device.fail(kGetEstimatedScanTime, Failure::Timeout);
        scanResults result;
        EXPECT_EQ(velGetScanResults(&result), 0);
        EXPECT_TRUE(device.sleeps().empty());
    }
    {
        ScanDevice device;
        device.estimatedScanMs = 3600001;
        scanResults result;
        EXPECT_EQ(velGetScanResults(&result), 0);
        EXPECT_TRUE(device.sleeps().empty());
    }
    {
        ScanDevice device;
        device.estimatedScanMs = 3600000;
        scanResults result;
        EXPECT_EQ(velGetScanResults(&result), 0);
        EXPECT_EQ(device.sleeps(), std::vector<uint32_t>{3600000});
    }
}

TEST(Wavelengths, ResetsAveragingThenScansConfigurationZero)
{
    ScanDevice device;
    device.fail(kSetScanNumRepeats, Failure::Status3);  // ignored
    double wavelengths[VEL_MAX_WAVELENGTHS] = {};
    ASSERT_EQ(velGetWavelengths(wavelengths, VEL_MAX_WAVELENGTHS), 0);
    EXPECT_EQ(device.codes(), concat({kSetScanNumRepeats}, scanCodes(piecesOf(device.files[0]))));
    EXPECT_EQ(device.sent()[0].data, (Bytes{1, 0}));
    // Calibration maps column c to 850 + c nm; even bands sit half a column left.
    EXPECT_NEAR(wavelengths[0], 899.5, 1e-9);
    EXPECT_GT(wavelengths[227], 1690.0);
}

TEST(Wavelengths, CountsOutsideTheLimitAreRefusedBeforeAnyCommand)
{
    ScanDevice device;
    double wavelengths[VEL_MAX_WAVELENGTHS + 1] = {};
    EXPECT_EQ(velGetWavelengths(wavelengths, 229), VEL_ERR_TOO_MANY_POINTS);
    EXPECT_EQ(velGetWavelengths(wavelengths, -1), VEL_ERR_TOO_MANY_POINTS);
    EXPECT_TRUE(device.sent().empty());
}

TEST(Wavelengths, MorePointsThanTheScanHasIsRefusedAfterTheScan)
{
    ScanDevice device;
    device.files[0] = columnScanImage(100);
    double wavelengths[VEL_MAX_WAVELENGTHS] = {};
    wavelengths[0] = -1.0;
    EXPECT_EQ(velGetWavelengths(wavelengths, 101), VEL_ERR_POINT_COUNT);
    EXPECT_EQ(device.codes().size(), 1 + scanCodes(piecesOf(device.files[0])).size());
    EXPECT_EQ(wavelengths[0], -1.0);
    EXPECT_EQ(velGetWavelengths(wavelengths, 100), 0);
    EXPECT_NEAR(wavelengths[0], 899.5, 1e-9);
}

TEST(Intensities, ChecksTheIndexAndSelectsItsLowEightBits)
{
    ScanDevice device;
    int32_t intensities[SCAN_MAX_ADC] = {};
    EXPECT_EQ(velGetIntensities(3, intensities, 5), VEL_ERR_CONFIG_INDEX);
    EXPECT_EQ(device.codes(), std::vector<uint16_t>{kGetNumScanCfg});

    ASSERT_EQ(velGetIntensities(-1, intensities, 5), 0);
    EXPECT_EQ(device.sent()[2], (SentCommand{kSetActiveScanIndex, {0xFF}}));
    EXPECT_EQ(intensities[4], 1005);
    EXPECT_EQ(intensities[5], 0);
}

TEST(Intensities, NoAveragingIsSetAndPointsPastTheScanAreZero)
{
    ScanDevice device;
    std::vector<int32_t> intensities(SCAN_MAX_ADC, -7);
    ASSERT_EQ(velGetIntensities(1, intensities.data(), SCAN_MAX_ADC), 0);
    EXPECT_EQ(device.codes(), concat({kGetNumScanCfg}, scanCodes(piecesOf(device.files[0]))));
    EXPECT_EQ(device.sent()[1].data, Bytes{1});
    EXPECT_EQ(intensities[227], 1228);
    EXPECT_EQ(intensities[228], 0);
    EXPECT_EQ(intensities[863], 0);
}

TEST(Intensities, RefusesBadCountsAndUnreadableCounts)
{
    ScanDevice device;
    int32_t intensities[4] = {1, 2, 3, 4};
    EXPECT_EQ(velGetIntensities(0, intensities, SCAN_MAX_ADC + 1), VEL_ERR_POINT_COUNT);
    EXPECT_EQ(velGetIntensities(0, intensities, -1), VEL_ERR_POINT_COUNT);
    EXPECT_TRUE(device.sent().empty());

    device.fail(kGetNumScanCfg, Failure::Status3);
    EXPECT_EQ(velGetIntensities(0, intensities, 4), VEL_ERR_NUM_CONFIGS);
    device.numConfigs = 0;
    EXPECT_EQ(velGetIntensities(0, intensities, 4), VEL_ERR_CONFIG_INDEX);
    EXPECT_EQ(intensities[3], 4);
}

TEST(ConfigInfo, DecodesASingleSectionConfigurationAtTheStart)
{
    ScriptedDevice device;
    device.configImage = singleSectionConfigImage("VS000001");
    slewScanCfg config;
    ASSERT_EQ(velGetConfigInfo(&config), 0);
    EXPECT_EQ(device.sent(), (std::vector<SentCommand>{{kGetNumScanCfg, {}}, {kGetScanCfg, {0, 0, 0, 0}}}));
    scanCfg single;
    std::memcpy(&single, &config, sizeof single);
    EXPECT_EQ(single.scan_type, 0);
    EXPECT_EQ(std::string(single.serial_number, 8), "VS000001");
    EXPECT_EQ(single.wavelength_start_nm, 900);
    EXPECT_EQ(single.num_patterns, 228);
}

TEST(ConfigInfo, DecodesAMultiSectionConfiguration)
{
    ScriptedDevice device;
    device.configImage = multiSectionConfigImage("VS000002");
    slewScanCfg config;
    ASSERT_EQ(velGetConfigInfo(&config), 0);
    EXPECT_EQ(config.scan_type, 2);
    EXPECT_EQ(config.num_sections, 2);
    EXPECT_EQ(config.sections[0].wavelength_start_nm, 950);
    EXPECT_EQ(config.sections[1].wavelength_end_nm, 1650);
}

TEST(ConfigInfo, FailuresAndImagesThatDoNotFit)
{
    slewScanCfg config;
    std::memset(&config, 0x33, sizeof config);
    {
        ScriptedDevice device;
        device.numConfigs = 0;
        EXPECT_EQ(velGetConfigInfo(&config), VEL_ERR_NUM_CONFIGS);
    }
    {
        ScriptedDevice device;
        device.configImage = singleSectionConfigImage("VS000001");
        device.fail(kGetScanCfg, Failure::Timeout);
        EXPECT_EQ(velGetConfigInfo(&config), VEL_ERR_READ_CONFIG);
    }
    {
        // A stated length beyond the 512-byte buffer, though the reply holds it.
        ScriptedDevice device;
        device.configImage = singleSectionConfigImage("VS000001");
        device.configImage.resize(513, 0);
        EXPECT_EQ(velGetConfigInfo(&config), VEL_ERR_READ_CONFIG);
    }
    {
        ScriptedDevice device;
        device.configImage = singleSectionConfigImage("VS000001");
        device.configImage[1] ^= 0xFF;  // damaged magic
        CaptureStdout();
        EXPECT_EQ(velGetConfigInfo(&config), VEL_ERR_READ_CONFIG);
        GetCapturedStdout();
    }
    EXPECT_EQ(config.num_sections, 0x33);
}

namespace {

// A device whose last scan, stored reference and matrix are all present.
struct ReferenceDevice : ScanDevice {
    ReferenceDevice()
    {
        files[2] = columnScanImage(228, 2500, 2000);
        files[3] = referenceMatrixImage();
    }
};

std::string expectedDiagnostics(const ReferenceDevice &device)
{
    char text[512];
    std::snprintf(text, sizeof text,
                  "calSize: %zu\nZOR_FILE_MATRIX_DATA size: %zu\n*****debug pMatrix****\n"
                  "ZOR_FILE_SCAN_DATA size: %zu\nsize of uScanData: %zu\nsize of scanResults: %zu\n",
                  device.files.at(2).size(), device.files.at(3).size(), device.files.at(0).size(),
                  sizeof(uScanData), sizeof(scanResults));
    return text;
}

} // namespace

TEST(Reference, FetchesReferenceMatrixAndScanInOrderWithSixDiagnostics)
{
    ReferenceDevice device;
    int32_t reference[228] = {};
    CaptureStdout();
    const int32_t status = velGetRefIntensityFromDevice(reference, 228);
    const std::string out = GetCapturedStdout();
    ASSERT_EQ(status, 0) << out;
    EXPECT_EQ(out, expectedDiagnostics(device));
    std::vector<uint16_t> expected = {kGetFileSizeToRead};
    expected.insert(expected.end(), piecesOf(device.files[2]), kGetFileData);
    expected.push_back(kGetFileSizeToRead);
    expected.insert(expected.end(), piecesOf(device.files[3]), kGetFileData);
    expected.push_back(kGetFileSizeToRead);
    expected.insert(expected.end(), piecesOf(device.files[0]), kGetFileData);
    EXPECT_EQ(device.codes(), expected);
    EXPECT_TRUE(device.sleeps().empty());  // no scan is taken
    EXPECT_NE(reference[0], 0);
}

TEST(Reference, EachFailingFetchEndsTheCallWithItsCode)
{
    struct Case {
        int sizeQuery;  // which of the three size queries fails (-1: none)
        int pieceFailure; // which piece read fails (-1: none)
        int32_t expected;
        const char *lastDiagnostic;
    };
    const Case cases[] = {
        {0, -1, VEL_ERR_FILE, "calSize: -2\n"},
        {1, -1, VEL_ERR_FILE, "ZOR_FILE_MATRIX_DATA size: -2\n"},
        {2, -1, VEL_ERR_SCAN_SIZE, "*****debug pMatrix****\n"},
        {-1, 0, VEL_ERR_FILE, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expected);
        ReferenceDevice device;
        if (c.sizeQuery >= 0)
            device.fail(kGetFileSizeToRead, Failure::Status3, c.sizeQuery);
        if (c.pieceFailure >= 0)
            device.fail(kGetFileData, Failure::Status3, c.pieceFailure);
        int32_t reference[4] = {1, 2, 3, 4};
        CaptureStdout();
        EXPECT_EQ(velGetRefIntensityFromDevice(reference, 4), c.expected);
        const std::string out = GetCapturedStdout();
        if (c.lastDiagnostic) {
            const std::string last = c.lastDiagnostic;
            EXPECT_EQ(out.substr(out.size() - last.size()), last);
        }
        EXPECT_EQ(reference[3], 4);
        // A failed size query is never followed by a piece request.
        const auto codes = device.codes();
        if (c.sizeQuery >= 0) {
            EXPECT_EQ(codes.back(), kGetFileSizeToRead);
        }
    }
}

TEST(Reference, UninterpretableScanOrReference)
{
    {
        ReferenceDevice device;
        device.files[0][12] ^= 0x20;
        int32_t reference[4] = {};
        CaptureStdout();
        EXPECT_EQ(velGetRefIntensityFromDevice(reference, 4), VEL_ERR_INTERPRET);
        GetCapturedStdout();
    }
    {
        ReferenceDevice device;
        device.files[3][12] ^= 0x20;  // matrix format string damaged
        int32_t reference[4] = {};
        CaptureStdout();
        EXPECT_EQ(velGetRefIntensityFromDevice(reference, 4), VEL_ERR_REFERENCE);
        const std::string out = GetCapturedStdout();
        EXPECT_NE(out.find("velspec_scan_interpReference error: "), std::string::npos) << out;
    }
}

TEST(Reference, BadCountsAreRefusedBeforeAnyCommand)
{
    ReferenceDevice device;
    int32_t reference[4] = {};
    EXPECT_EQ(velGetRefIntensityFromDevice(reference, -1), VEL_ERR_POINT_COUNT);
    EXPECT_EQ(velGetRefIntensityFromDevice(reference, SCAN_MAX_ADC + 1), VEL_ERR_POINT_COUNT);
    EXPECT_TRUE(device.sent().empty());
}
