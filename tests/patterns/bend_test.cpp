// Bending: every line becomes the first line moved sideways by the shift
// of its row, dark pixels entering at the edge.
#include <gtest/gtest.h>

#include <cmath>

#include "frames.h"
#include "velspec_scan.h"

namespace {

// First line: pixel x has value x + 1 (all planes), other lines garbage.
void fillFirstLine(TestFrames &f, uint32_t frame)
{
    for (uint32_t y = 0; y < f.desc().height; y++) {
        for (uint32_t x = 0; x < f.desc().width; x++) {
            const uint32_t value = y == 0 ? x + 1 : 0xEE;
            const size_t pb = f.desc().bpp / 8;
            const size_t at = frame * f.frameBytes() + (static_cast<size_t>(y) * f.desc().width + x) * pb;
            for (size_t k = 0; k < pb; k++)
                f.bytes()[at + k] = static_cast<uint8_t>(value >> (8 * k));
        }
    }
}

uint32_t shiftedValue(int32_t x, int32_t shift, int32_t width)
{
    const int32_t from = x - shift;
    return from >= 0 && from < width ? static_cast<uint32_t>(from + 1) : 0;
}

TEST(Bend, ConstantShiftOfTwoMovesEveryLineIncludingTheFirst)
{
    for (uint32_t bpp : {16u, 24u, 32u}) {
        TestFrames f(1, 12, 3, bpp);
        fillFirstLine(f, 0);
        const double coeffs[3] = {2.0, 0.0, 0.0};
        ASSERT_EQ(velspec_scan_bendPatterns(&f.desc(), coeffs, 1), VELSPEC_OK);
        for (uint32_t y = 0; y < 3; y++) {
            for (uint32_t x = 0; x < 12; x++)
                ASSERT_EQ(f.pixel(0, x, y), shiftedValue(x, 2, 12)) << bpp << " " << x << "," << y;
        }
    }
}

TEST(Bend, ShiftFollowsTheRowPolynomialInBothDirections)
{
    TestFrames f(1, 16, 5, 24);
    fillFirstLine(f, 0);
    const double coeffs[3] = {-2.0, 1.0, 0.0}; // rows shift -2, -1, 0, 1, 2
    ASSERT_EQ(velspec_scan_bendPatterns(&f.desc(), coeffs, 24), VELSPEC_OK);
    for (int32_t y = 0; y < 5; y++) {
        for (int32_t x = 0; x < 16; x++)
            ASSERT_EQ(f.pixel(0, x, y), shiftedValue(x, y - 2, 16)) << x << "," << y;
    }
}

TEST(Bend, ShiftsBeyondHalfALineAreHeldAtHalf)
{
    TestFrames f(1, 16, 2, 24);
    fillFirstLine(f, 0);
    const double coeffs[3] = {100.0, -200.0, 0.0}; // +100, then -100 pixels
    ASSERT_EQ(velspec_scan_bendPatterns(&f.desc(), coeffs, 1), VELSPEC_OK);
    for (int32_t x = 0; x < 16; x++) {
        EXPECT_EQ(f.pixel(0, x, 0), shiftedValue(x, 8, 16));
        EXPECT_EQ(f.pixel(0, x, 1), shiftedValue(x, -8, 16));
    }
    EXPECT_TRUE(f.guardIntact());
}

TEST(Bend, FramesAreCountedAsGenerationFillsThem)
{
    // 25 patterns in 32-bit frames: 24 per frame, so two frames are bent.
    TestFrames f(3, 8, 2, 32);
    for (uint32_t frame = 0; frame < 3; frame++)
        fillFirstLine(f, frame);
    const double coeffs[3] = {1.0, 0.0, 0.0};
    ASSERT_EQ(velspec_scan_bendPatterns(&f.desc(), coeffs, 25), VELSPEC_OK);
    EXPECT_EQ(f.pixel(1, 3, 1), shiftedValue(3, 1, 8));
    EXPECT_EQ(f.pixel(2, 3, 1), 0xEEu); // third frame untouched

    // More patterns than frames: only the caller's frames are touched.
    ASSERT_EQ(velspec_scan_bendPatterns(&f.desc(), coeffs, 24 * 50), VELSPEC_OK);
    EXPECT_TRUE(f.guardIntact());
}

TEST(Bend, RefusesNullAndNegativeCounts)
{
    TestFrames f(1, 8, 2, 24);
    const double coeffs[3] = {0.0, 0.0, 0.0};
    EXPECT_EQ(velspec_scan_bendPatterns(nullptr, coeffs, 1), VELSPEC_ERR_NULL);
    EXPECT_EQ(velspec_scan_bendPatterns(&f.desc(), nullptr, 1), VELSPEC_ERR_NULL);
    EXPECT_EQ(velspec_scan_bendPatterns(&f.desc(), coeffs, -1), VELSPEC_ERR_BAD_INPUT);
    const double notANumber[3] = {0.0, std::nan(""), 0.0};
    EXPECT_EQ(velspec_scan_bendPatterns(&f.desc(), notANumber, 1), VELSPEC_ERR_BAD_INPUT);
}

} // namespace
