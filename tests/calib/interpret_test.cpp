// Interpretation of calibration scans: wavelengths by band centre column,
// point indices, raw readings, and images that are not scans.
#include <gtest/gtest.h>

#include <vector>

#include "velspec_calib.h"
#include "velspec_helper.h"

namespace {

std::vector<uint8_t> scanImage(uint16_t readings, uint8_t blackFirst, uint8_t blackPeriod)
{
    scanData data{};
    data.header_version = 1;
    data.calibration_coeffs.pixel_to_wavelength_coeffs[0] = 900.0;
    data.calibration_coeffs.pixel_to_wavelength_coeffs[1] = 0.9;
    data.calibration_coeffs.pixel_to_wavelength_coeffs[2] = 1e-4;
    data.adc_data_length = readings;
    data.black_pattern_first = blackFirst;
    data.black_pattern_period = blackPeriod;
    data.num_patterns = readings;
    for (uint16_t i = 0; i < readings; i++)
        data.adc_data[i] = (i - blackFirst) % blackPeriod == 0 ? 100 : 1000 + i;
    std::vector<uint8_t> image(VELSPEC_IMG_SIZE_SCAN_DATA);
    EXPECT_EQ(velspec_serialize(&data, image.data(), image.size(), REC_SCAN_DATA), VELSPEC_OK);
    return image;
}

double wavelengthOf(double column)
{
    return 900.0 + 0.9 * column + 1e-4 * column * column;
}

TEST(CalibInterpret, RightHalfPointsLieAtTheirBandCentres)
{
    const std::vector<uint8_t> image = scanImage(30, 0, 10);
    scanResults results{};
    ASSERT_EQ(velspec_calib_interpret(image.data(), image.size(), &results, 8), VELSPEC_OK);
    ASSERT_EQ(results.length, 27); // three black readings removed
    EXPECT_DOUBLE_EQ(results.wavelength[0], wavelengthOf(429));
    EXPECT_DOUBLE_EQ(results.wavelength[26], wavelengthOf(429 + 26));
    EXPECT_EQ(results.intensity[0], 1001 - 100);

    ASSERT_EQ(velspec_calib_interpret(image.data(), image.size(), &results, 4), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(results.wavelength[0], wavelengthOf(2));
}

TEST(CalibInterpret, OtherTypesNumberThePointsAndTypeThreeKeepsRawReadings)
{
    const std::vector<uint8_t> image = scanImage(30, 0, 10);
    scanResults results{};
    ASSERT_EQ(velspec_calib_interpret(image.data(), image.size(), &results, 9), VELSPEC_OK);
    EXPECT_EQ(results.wavelength[5], 5.0);

    ASSERT_EQ(velspec_calib_interpret(image.data(), image.size(), &results, 3), VELSPEC_OK);
    EXPECT_EQ(results.length, 30);
    EXPECT_EQ(results.intensity[0], 100); // black reading kept
    EXPECT_EQ(results.intensity[1], 1001);
    EXPECT_EQ(results.black_pattern_period, 10);
    EXPECT_EQ(results.wavelength[29], 29.0);
}

TEST(CalibInterpret, ImagesThatAreNotScansFailCleanly)
{
    std::vector<uint8_t> image = scanImage(30, 0, 10);
    scanResults results{};
    // Truncated: shorter than the record the decoder writes into.
    EXPECT_LT(velspec_calib_interpret(image.data(), 100, &results, 4), 0);
    // A calibration coefficient image is not a scan.
    calibCoeffSet coeffs{};
    std::vector<uint8_t> other(VELSPEC_IMG_SIZE_CALIB_COEFFS);
    ASSERT_EQ(velspec_calib_write_data(&coeffs, other.data(), other.size()), VELSPEC_OK);
    EXPECT_LT(velspec_calib_interpret(other.data(), other.size(), &results, 4), 0);
    EXPECT_EQ(velspec_calib_interpret(nullptr, 10, &results, 4), VELSPEC_ERR_NULL);
    EXPECT_EQ(velspec_calib_interpret(image.data(), image.size(), nullptr, 4), VELSPEC_ERR_NULL);
}

} // namespace
