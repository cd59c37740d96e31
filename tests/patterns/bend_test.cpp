// Bending: every line becomes the first line moved sideways by the shift of
// its row, dark pixels entering at the edge.
#include <gtest/gtest.h>

#include <cmath>

#include "frames.h"
#include "velspec_scan.h"

namespace {

// First line of every frame: pixel x holds x + 1; other lines hold 0xEE.
void Fill(TestFrames &f) {
    const frameBufferDesc &d = f.Desc();
    for (size_t at = 0; at < f.FrameBytes() * d.num_frames; at += d.bpp / 8) {
        const size_t pixel = at % f.FrameBytes() / (d.bpp / 8);
        const uint32_t value = pixel < d.width ? static_cast<uint32_t>(pixel + 1) : 0xEE;
        for (size_t k = 0; k < d.bpp / 8; k++) f.Bytes()[at + k] = static_cast<uint8_t>(value >> (8 * k));
    }
}

// Line y of the frame must be the first line moved by shifts[y].
void ExpectLines(const TestFrames &f, uint32_t frame, const std::vector<int32_t> &shifts) {
    const int32_t width = static_cast<int32_t>(f.Desc().width);
    for (size_t y = 0; y < shifts.size(); y++) {
        for (int32_t x = 0; x < width; x++) {
            const int32_t from = x - shifts[y];
            ASSERT_EQ(f.Pixel(frame, x, y), from >= 0 && from < width ? uint32_t(from + 1) : 0u)
                << "x " << x << " line " << y;
        }
    }
}

TEST(Bend, ShiftsFollowTheRowPolynomialHeldAtHalfALine) {
    const struct {
        uint32_t width, height, bpp;
        double coeffs[3];
        std::vector<int32_t> shifts;
    } cases[] = {
        {12, 3, 16, {2.0, 0.0, 0.0}, {2, 2, 2}},  // the first line moves too
        {12, 3, 24, {2.0, 0.0, 0.0}, {2, 2, 2}},
        {12, 3, 32, {2.0, 0.0, 0.0}, {2, 2, 2}},
        {16, 5, 24, {-2.0, 1.0, 0.0}, {-2, -1, 0, 1, 2}},
        {16, 2, 24, {100.0, -200.0, 0.0}, {8, -8}},  // beyond half a line: held there
    };
    for (const auto &c : cases) {
        TestFrames f(1, c.width, c.height, c.bpp);
        Fill(f);
        ASSERT_EQ(velspec_scan_bendPatterns(&f.Desc(), c.coeffs, 1), VELSPEC_OK);
        ExpectLines(f, 0, c.shifts);
        EXPECT_TRUE(f.GuardIntact());
    }
}

TEST(Bend, FramesAreCountedAsGenerationFillsThem) {
    // 25 patterns in 32-bit frames: 24 per frame, so two frames are bent.
    TestFrames f(3, 8, 2, 32);
    Fill(f);
    const double one[3] = {1.0, 0.0, 0.0};
    ASSERT_EQ(velspec_scan_bendPatterns(&f.Desc(), one, 25), VELSPEC_OK);
    ExpectLines(f, 1, {1, 1});
    EXPECT_EQ(f.Pixel(2, 3, 1), 0xEEu);

    // More patterns than frames: only the caller's frames are touched.
    ASSERT_EQ(velspec_scan_bendPatterns(&f.Desc(), one, 24 * 50), VELSPEC_OK);
    EXPECT_TRUE(f.GuardIntact());

    const double notANumber[3] = {0.0, std::nan(""), 0.0};
    EXPECT_EQ(velspec_scan_bendPatterns(&f.Desc(), notANumber, 1), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_scan_bendPatterns(&f.Desc(), one, -1), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_scan_bendPatterns(&f.Desc(), nullptr, 1), VELSPEC_ERR_NULL);
}

}  // namespace
