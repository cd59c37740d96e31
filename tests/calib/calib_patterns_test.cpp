// Calibration patterns (counts per type, frame advance, bands and blocks) and
// the interpretation of the scans taken with them.
#include <gtest/gtest.h>

#include <vector>

#include "../patterns/frames.h"
#include "velspec_calib.h"

namespace {

// Per type: the count, the buffer stepped over full frames only, the guard.
TEST(CalibPatterns, CountsPerTypeWithFramesToSpare) {
    const struct {
        uint32_t type, frames;
        int32_t patterns;
    } cases[] = {{2, 2, 48},   {2, 20, 213}, {3, 20, 219}, {4, 20, 427},
                 {7, 20, 427}, {8, 20, 423}, {11, 20, 423}};
    for (const auto &c : cases) {
        TestFrames f(c.frames, 854, 4, 24, 0xFF);
        EXPECT_EQ(velspec_calib_genPatterns(c.type, &f.Desc()), c.patterns) << c.type;
        EXPECT_EQ(f.Desc().buffer, f.Bytes().data() + (c.patterns / 24) * f.FrameBytes()) << c.type;
        EXPECT_TRUE(f.GuardIntact());
        // Band 25: frame 1, plane 1, columns 100 .. 105 on every line.
        for (uint32_t x = 96; c.type == 2 && x < 108; x++) EXPECT_EQ(f.Lit(1, 1, x, 3), x >= 100 && x <= 105);
    }
}

TEST(CalibPatterns, BlocksFillHalfTheLines) {
    TestFrames f(16, 854, 480, 16);
    ASSERT_EQ(velspec_calib_genPatterns(VELSPEC_CALIB_PAT_BLOCKS, &f.Desc()), 219);
    // Pattern 1: block 284 .. 538, upper half; 4: lower half; 6: 4-column band.
    EXPECT_TRUE(f.Lit(0, 1, 538, 239));
    EXPECT_FALSE(f.Lit(0, 1, 539, 0));
    EXPECT_FALSE(f.Lit(0, 1, 284, 240));
    EXPECT_TRUE(f.Lit(0, 4, 284, 479));
    EXPECT_FALSE(f.Lit(0, 4, 284, 239));
    EXPECT_TRUE(f.Lit(0, 6, 3, 479));
    EXPECT_FALSE(f.Lit(0, 6, 4, 0));
}

TEST(CalibPatterns, RefusesUnknownTypesAndDescriptors) {
    TestFrames f(1, 854, 2, 24, 0xA5);
    for (uint32_t type : {0u, 1u, 12u, 1000u})
        EXPECT_EQ(velspec_calib_genPatterns(type, &f.Desc()), VELSPEC_ERR_BAD_TYPE);
    EXPECT_EQ(velspec_calib_genPatterns(2, nullptr), VELSPEC_ERR_NULL);
    frameBufferDesc odd{f.Bytes().data(), 1, 5, 3, 24}, none{f.Bytes().data(), 0, 854, 2, 24};
    EXPECT_EQ(velspec_calib_genPatterns(2, &odd), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genPatterns(2, &none), 0);
    EXPECT_EQ(f.Bytes()[0], 0xA5);
}

double NmAt(double column) { return 900.0 + 0.9 * column + 1e-4 * column * column; }

TEST(CalibInterpret, WavelengthsIndicesAndRawReadingsByType) {
    // 30 readings 1000 + i, black readings (100) at 0, 10 and 20.
    scanData data{};
    data.header_version = 1;
    data.calibration_coeffs = {{}, {900.0, 0.9, 1e-4}};
    data.adc_data_length = 30;
    data.black_pattern_period = 10;
    data.num_patterns = 27;
    for (int32_t i = 0; i < 30; i++) data.adc_data[i] = i % 10 == 0 ? 100 : 1000 + i;
    std::vector<uint8_t> image(VELSPEC_IMG_SIZE_SCAN_DATA);
    ASSERT_EQ(velspec_serialize(&data, image.data(), image.size(), REC_SCAN_DATA), VELSPEC_OK);

    scanResults r{};
    ASSERT_EQ(velspec_calib_interpret(image.data(), image.size(), &r, 8), VELSPEC_OK);
    ASSERT_EQ(r.length, 27);
    EXPECT_DOUBLE_EQ(r.wavelength[26], NmAt(429 + 26));  // right half: centre of band 427 .. 431
    EXPECT_EQ(r.intensity[0], 1001 - 100);
    ASSERT_EQ(velspec_calib_interpret(image.data(), image.size(), &r, 4), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(r.wavelength[0], NmAt(2));
    ASSERT_EQ(velspec_calib_interpret(image.data(), image.size(), &r, 9), VELSPEC_OK);
    EXPECT_EQ(r.wavelength[5], 5.0);  // other types: the point index
    ASSERT_EQ(velspec_calib_interpret(image.data(), image.size(), &r, 3), VELSPEC_OK);
    EXPECT_EQ(r.length, 30);
    EXPECT_EQ(r.intensity[0], 100);  // black reading kept
    EXPECT_EQ(r.intensity[1], 1001);
    EXPECT_EQ(r.black_pattern_period, 10);

    // Truncated, another record, or no image: clean failures.
    EXPECT_LT(velspec_calib_interpret(image.data(), 100, &r, 4), 0);
    std::vector<uint8_t> other(VELSPEC_IMG_SIZE_CALIB_COEFFS);
    ASSERT_EQ(velspec_calib_write_data(&data.calibration_coeffs, other.data(), other.size()), VELSPEC_OK);
    EXPECT_LT(velspec_calib_interpret(other.data(), other.size(), &r, 4), 0);
    EXPECT_EQ(velspec_calib_interpret(nullptr, 10, &r, 4), VELSPEC_ERR_NULL);
}

}  // namespace
