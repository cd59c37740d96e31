// Interpretation of calibration scans: wavelengths of band centre columns,
// point indices, raw readings, and images that are not scans.
#include <gtest/gtest.h>

#include <vector>

#include "velspec_calib.h"

namespace {

// 30 readings 1000 + i, black readings (100) at 0, 10 and 20.
std::vector<uint8_t> scanImage() {
    scanData data{};
    data.header_version = 1;
    const double coeffs[3] = {900.0, 0.9, 1e-4};
    for (int k = 0; k < 3; k++) data.calibration_coeffs.pixel_to_wavelength_coeffs[k] = coeffs[k];
    data.adc_data_length = 30;
    data.black_pattern_period = 10;
    data.num_patterns = 27;
    for (int32_t i = 0; i < 30; i++) data.adc_data[i] = i % 10 == 0 ? 100 : 1000 + i;
    std::vector<uint8_t> image(VELSPEC_IMG_SIZE_SCAN_DATA);
    EXPECT_EQ(velspec_serialize(&data, image.data(), image.size(), REC_SCAN_DATA), VELSPEC_OK);
    return image;
}

double nmAt(double column) { return 900.0 + 0.9 * column + 1e-4 * column * column; }

TEST(CalibInterpret, WavelengthsIndicesAndRawReadingsByType) {
    const std::vector<uint8_t> image = scanImage();
    scanResults r{};
    ASSERT_EQ(velspec_calib_interpret(image.data(), image.size(), &r, 8), VELSPEC_OK);
    ASSERT_EQ(r.length, 27);
    EXPECT_DOUBLE_EQ(r.wavelength[0], nmAt(429));
    EXPECT_DOUBLE_EQ(r.wavelength[26], nmAt(429 + 26));
    EXPECT_EQ(r.intensity[0], 1001 - 100);

    ASSERT_EQ(velspec_calib_interpret(image.data(), image.size(), &r, 4), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(r.wavelength[0], nmAt(2));
    ASSERT_EQ(velspec_calib_interpret(image.data(), image.size(), &r, 9), VELSPEC_OK);
    EXPECT_EQ(r.wavelength[5], 5.0);

    ASSERT_EQ(velspec_calib_interpret(image.data(), image.size(), &r, 3), VELSPEC_OK);
    EXPECT_EQ(r.length, 30);
    EXPECT_EQ(r.intensity[0], 100);  // black reading kept
    EXPECT_EQ(r.intensity[1], 1001);
    EXPECT_EQ(r.black_pattern_period, 10);
}

TEST(CalibInterpret, ImagesThatAreNotScansFailCleanly) {
    const std::vector<uint8_t> image = scanImage();
    scanResults r{};
    EXPECT_LT(velspec_calib_interpret(image.data(), 100, &r, 4), 0);  // truncated
    calibCoeffSet coeffs{};
    std::vector<uint8_t> other(VELSPEC_IMG_SIZE_CALIB_COEFFS);
    ASSERT_EQ(velspec_calib_write_data(&coeffs, other.data(), other.size()), VELSPEC_OK);
    EXPECT_LT(velspec_calib_interpret(other.data(), other.size(), &r, 4), 0);
    EXPECT_EQ(velspec_calib_interpret(nullptr, 10, &r, 4), VELSPEC_ERR_NULL);
}

}  // namespace
