// Scan acquisition and configuration functions, and the console's report of
// the configuration: command sequences, the wait for the estimated scan time,
// the code of each failing step, and results left untouched on failure.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <tuple>

#include "scan_items.h"
#include "api_device.h"
#include "wrapper.h"

using namespace api_test;

namespace {

// `codes`, then the fetch of `file`: its size query and its pieces.
std::vector<uint16_t> Fetch(std::vector<uint16_t> codes, const Bytes &file) {
    codes.push_back(kGetFileSizeToRead);
    codes.insert(codes.end(), (file.size() + 575) / 576, kGetFileData);
    return codes;
}

// `first`, then a scan of the selected configuration and the fetch of `file`.
std::vector<uint16_t> ScanCodes(uint16_t first, const Bytes &file) {
    return Fetch({first, kSetActiveScanIndex, kGetEstimatedScanTime, kPerformScan}, file);
}

// A device with three configurations holding a column scan as its last scan
// (file 0), a stored reference scan (2) and a reference matrix (3).
struct ScanDevice : ApiDevice {
    ScanDevice() {
        num_configs = 3;
        files[0] = ColumnScanImage();
        files[2] = ColumnScanImage(228, 2500, 2000);
        files[3] = ReferenceMatrixImage();
    }
};

using Arrange = std::function<void(ScanDevice &)>;

Arrange Failing(uint16_t code, int occurrence = 0, Failure failure = Failure::Status3) {
    return [=](ScanDevice &device) { device.Fail(code, failure, occurrence); };
}

Arrange DamagingFile(uint32_t type) {
    return [=](ScanDevice &device) { device.files[type][12] ^= 0x20; };  // inside the format string
}

}  // namespace

// The scan sequence waits the estimated time (a failed or absurd, over an
// hour, estimate means no wait at all); each failure ends the call with its
// code, sends nothing more, and leaves the caller's record alone.
TEST(ScanResults, RunsTheScanSequenceOrEndsWithTheFailingStepsCode) {
    const size_t all = ScanCodes(kGetNumScanCfg, ColumnScanImage()).size();
    // How the device behaves, the code, the commands sent, the waits.
    const std::tuple<Arrange, int32_t, size_t, std::vector<uint32_t>> cases[] = {
        {[](ScanDevice &) {}, 0, all, {1500}},
        {[](ScanDevice &d) { d.num_configs = 0; }, VEL_ERR_NUM_CONFIGS, 1, {}},
        {Failing(kGetNumScanCfg, 0, Failure::Timeout), VEL_ERR_NUM_CONFIGS, 1, {}},
        {Failing(kSetActiveScanIndex), VEL_ERR_SELECT_CONFIG, 2, {}},
        {Failing(kPerformScan), VEL_ERR_START_SCAN, 4, {}},
        {Failing(kGetFileSizeToRead), VEL_ERR_SCAN_SIZE, 5, {1500}},
        {Failing(kGetFileData), VEL_ERR_FILE, 6, {1500}},
        {Failing(kGetFileData, 3), VEL_ERR_FILE, 9, {1500}},  // a transfer cut short after three pieces
        // A file shorter than its stated size is not interpreted.
        {[](ScanDevice &d) { d.stated_extra = 10; }, VEL_ERR_FILE, all + 1, {1500}},
        {DamagingFile(0), VEL_ERR_INTERPRET, all, {1500}},
        {Failing(kGetEstimatedScanTime, 0, Failure::Timeout), 0, all, {}},
        {[](ScanDevice &d) { d.estimated_scan_ms = 3600001; }, 0, all, {}},
        {[](ScanDevice &d) { d.estimated_scan_ms = 3600000; }, 0, all, {3600000}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        ScanDevice device;
        const auto &[arrange, code, commands_sent, sleeps] = cases[i];
        arrange(device);
        auto result = std::make_unique<scanResults>();
        std::memset(result.get(), 0x5A, sizeof(scanResults));
        EXPECT_EQ(Captured([&] { return velGetScanResults(result.get()); }).first, code);
        EXPECT_EQ(device.Sent().size(), commands_sent);
        EXPECT_EQ(device.clock.sleeps(), sleeps);
        if (code != 0) {
            EXPECT_EQ(result->length, 0x5A5A5A5A);
            continue;
        }
        EXPECT_EQ(device.Codes(), ScanCodes(kGetNumScanCfg, device.files[0]));
        EXPECT_EQ(device.Sent()[1].data, Bytes{0});             // configuration 0
        EXPECT_EQ(device.Sent()[3].data, Bytes{0});             // perform scan option 0
        EXPECT_EQ(device.Sent()[4].data, (Bytes{0, 0, 0, 0}));  // file type 0
        EXPECT_EQ(std::make_tuple(result->length, result->system_temp_hundredths, result->humidity_hundredths,
                                  result->intensity[0], result->intensity[227]),
                  std::make_tuple(228, 2650, 3140, 1001, 1228));
    }
}

TEST(Wavelengths, ResetsAveragingScansConfigurationZeroAndRefusesMorePointsThanTheScanHas) {
    ScanDevice device;
    device.Fail(kSetScanNumRepeats, Failure::Status3);  // ignored
    double wavelengths[VEL_MAX_WAVELENGTHS] = {};
    ASSERT_EQ(velGetWavelengths(wavelengths, VEL_MAX_WAVELENGTHS), 0);
    EXPECT_EQ(device.Codes(), ScanCodes(kSetScanNumRepeats, device.files[0]));
    EXPECT_EQ(device.Sent()[0].data, (Bytes{1, 0}));
    // Calibration maps column c to 850 + c nm; even bands sit half a column left.
    EXPECT_NEAR(wavelengths[0], 899.5, 1e-9);
    EXPECT_GT(wavelengths[227], 1690.0);

    device.files[0] = ColumnScanImage(100);  // refused after the scan, the buffer left alone
    wavelengths[0] = -1.0;
    EXPECT_EQ(velGetWavelengths(wavelengths, 101), VEL_ERR_POINT_COUNT);
    EXPECT_EQ(device.Sent().size(), 2 * ScanCodes(kSetScanNumRepeats, device.files[0]).size());
    EXPECT_EQ(wavelengths[0], -1.0);
}

TEST(Intensities, ChecksTheIndexAndSelectsItsLowEightBits) {
    ScanDevice device;
    int32_t intensities[SCAN_MAX_ADC] = {};
    EXPECT_EQ(velGetIntensities(3, intensities, 5), VEL_ERR_CONFIG_INDEX);
    EXPECT_EQ(device.Codes(), std::vector<uint16_t>{kGetNumScanCfg});
    ASSERT_EQ(velGetIntensities(-1, intensities, 5), 0);
    EXPECT_EQ(device.Sent()[2], (SentCommand{kSetActiveScanIndex, {0xFF}}));
    EXPECT_EQ(std::make_pair(intensities[4], intensities[5]), std::make_pair(1005, 0));

    // An unreadable count, then no configuration at all; the results stay.
    device.Fail(kGetNumScanCfg, Failure::Status3, 2);
    EXPECT_EQ(velGetIntensities(0, intensities, 4), VEL_ERR_NUM_CONFIGS);
    device.num_configs = 0;
    EXPECT_EQ(velGetIntensities(0, intensities, 4), VEL_ERR_CONFIG_INDEX);
    EXPECT_EQ(intensities[3], 1004);

    // No averaging is set, and points past the scan are zero.
    device.num_configs = 3;
    device.hid.ClearRecords();
    std::vector<int32_t> all(SCAN_MAX_ADC, -7);
    ASSERT_EQ(velGetIntensities(1, all.data(), SCAN_MAX_ADC), 0);
    EXPECT_EQ(device.Codes(), ScanCodes(kGetNumScanCfg, device.files[0]));
    EXPECT_EQ(device.Sent()[1].data, Bytes{1});
    EXPECT_EQ(std::make_tuple(all[227], all[228], all[863]), std::make_tuple(1228, 0, 0));
}

// Configuration 0 in either form as the console reports it: a scanCfg for one
// section, a slewScanCfg (the first section's range) for more. A failure, or
// an image that does not fit, leaves the record alone and prints nothing but
// the decoder's own diagnostic line.
TEST(ConfigInfo, DecodesConfigurationZeroInEitherFormOrLeavesTheRecordAlone) {
    const Bytes good = ConfigImage(false, "VS000001");
    Bytes too_long = good, damaged = good;
    too_long.resize(513, 0);  // stated length beyond the 512-byte buffer, though the reply holds it
    damaged[1] ^= 0xFF;       // damaged magic
    // The configurations counted, the image, whether its read times out, the
    // code, what is printed; the scan type and the last field checked (one
    // section's num_patterns, the second section's end).
    const std::tuple<uint8_t, Bytes, bool, int32_t, std::string, int, int> cases[] = {
        {1, good, false, 0, "Device serial number: VS000001\nWavelength range: 900 - 1700 nm\n\n", 0, 228},
        {1, ConfigImage(true, "VS2"), false, 0,
         "Device serial number: VS2\nWavelength range: 950 - 1300 nm\n\n", 2, 1650},
        {0, good, false, VEL_ERR_NUM_CONFIGS, "", 0, 0},
        {1, good, true, VEL_ERR_READ_CONFIG, "", 0, 0},
        {1, too_long, false, VEL_ERR_READ_CONFIG, "", 0, 0},
        {1, damaged, false, VEL_ERR_READ_CONFIG, "------velspec_deserialize debug 3\n", 0, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const auto &[num_configs, image, timeout, code, printed, scan_type, last_field] = cases[i];
        ApiDevice device;
        device.num_configs = num_configs;
        device.config_image = image;
        if (timeout) device.Fail(kGetScanCfg, Failure::Timeout);
        auto state = std::make_unique<velscan::console::ScanItemsState>();
        slewScanCfg &config = state->config;
        std::memset(&config, 0x33, sizeof config);
        int32_t status = 1;
        EXPECT_EQ(
            Captured([&] { return velscan::console::ConsoleReportConfiguration(*state, status), 0; }).second,
            printed);
        EXPECT_EQ(status, code);
        if (code != 0) {
            EXPECT_EQ(config.num_sections, 0x33);
            continue;
        }
        EXPECT_EQ(device.Sent(),
                  (std::vector<SentCommand>{{kGetNumScanCfg, {}}, {kGetScanCfg, {0, 0, 0, 0}}}));
        EXPECT_EQ(config.scan_type, scan_type);
        scanCfg single;
        std::memcpy(&single, &config, sizeof single);
        EXPECT_EQ(scan_type == 0 ? single.num_patterns : config.sections[1].wavelength_end_nm, last_field);
        EXPECT_TRUE(scan_type == 0 || config.num_sections == 2);
    }
}

// The reference matrix and scan in order with six diagnostics; each failure
// ends the call with its code and last diagnostic, sends nothing more (a
// failed size query is not followed by a piece request), and leaves the
// caller's values alone.
TEST(Reference, FetchesReferenceMatrixAndScanOrEndsWithTheFailingStepsCode) {
    ScanDevice device;
    int32_t reference[228] = {};
    const auto [status, out] = Captured([&] { return velGetRefIntensityFromDevice(reference, 228); });
    ASSERT_EQ(status, 0) << out;
    char expected[512];
    std::snprintf(expected, sizeof expected,
                  "calSize: %zu\nZOR_FILE_MATRIX_DATA size: %zu\n*****debug pMatrix****\n"
                  "ZOR_FILE_SCAN_DATA size: %zu\nsize of uScanData: %zu\nsize of scanResults: %zu\n",
                  device.files[2].size(), device.files[3].size(), device.files[0].size(), sizeof(uScanData),
                  sizeof(scanResults));
    EXPECT_EQ(out, expected);
    EXPECT_EQ(device.Codes(), Fetch(Fetch(Fetch({}, device.files[2]), device.files[3]), device.files[0]));
    EXPECT_TRUE(device.clock.sleeps().empty());  // no scan is taken
    EXPECT_NE(reference[0], 0);

    // How the device fails, the code, the last command sent and the last diagnostic.
    const std::tuple<Arrange, int32_t, uint16_t, std::string> cases[] = {
        {Failing(kGetFileSizeToRead, 0), VEL_ERR_FILE, kGetFileSizeToRead, "calSize: -2\n"},
        {Failing(kGetFileSizeToRead, 1), VEL_ERR_FILE, kGetFileSizeToRead, "ZOR_FILE_MATRIX_DATA size: -2\n"},
        {Failing(kGetFileSizeToRead, 2), VEL_ERR_SCAN_SIZE, kGetFileSizeToRead, "*****debug pMatrix****\n"},
        {Failing(kGetFileData, 0), VEL_ERR_FILE, kGetFileData, ""},
        {DamagingFile(0), VEL_ERR_INTERPRET, kGetFileData, ""},
        {DamagingFile(3), VEL_ERR_REFERENCE, kGetFileData, "velspec_scan_interpReference error: -4\n"},
    };
    for (const auto &[arrange, result, last_sent, last_diagnostic] : cases) {
        SCOPED_TRACE(last_diagnostic);
        ScanDevice failing;
        arrange(failing);
        int32_t values[4] = {1, 2, 3, 4};
        const auto [code, printed] = Captured([&] { return velGetRefIntensityFromDevice(values, 4); });
        EXPECT_EQ(code, result);
        EXPECT_TRUE(printed.ends_with(last_diagnostic)) << printed;
        EXPECT_EQ(failing.Codes().back(), last_sent);
        EXPECT_EQ(values[3], 4);
    }
}
