// Rectangles (layout per depth, 24-bit groups against a pixel model, clipping)
// and bending (each line the first line moved by its row's shift).
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "frames.h"
#include "velspec_scan.h"

namespace {

TEST(DrawRectangle, PixelLayoutAndModes) {
    TestFrames f16(1, 3, 2, 16);
    const rectangle set{1, 1, 2, 1, 0x12345678}, bit{0, 1, 3, 1, 0x8000};
    DrawRectangle(&set, &f16.Desc(), 1);
    DrawRectangle(&bit, &f16.Desc(), 0);
    EXPECT_EQ(f16.Pixel(0, 2, 1), 0xD678u);  // cut to 16 bits, then OR
    EXPECT_EQ(f16.Pixel(0, 0, 1), 0x8000u);

    TestFrames f32(1, 2, 1, 32);
    const rectangle all{0, 0, 2, 1, 0x80000001}, one{1, 0, 1, 1, 0x10};
    DrawRectangle(&all, &f32.Desc(), 1);
    DrawRectangle(&one, &f32.Desc(), 2);
    f32.Desc().bpp = 8;  // unknown depth: nothing drawn
    DrawRectangle(&all, &f32.Desc(), 0x5);
    f32.Desc().bpp = 32;
    EXPECT_EQ(f32.Pixel(0, 1, 0), 0x80000011u);
}

// Every start column modulo 4 and every width up to two groups, in both
// modes, over random bytes: exactly the rectangle's pixels change.
TEST(DrawRectangle, TwentyFourBitGroupsMatchPixelModel) {
    std::mt19937 rng(7);
    for (uint8_t mode : {1, 0}) {
        for (uint32_t x = 0; x < 8; x++) {
            for (uint32_t w = 0; w <= 10; w++) {
                TestFrames f(1, 21, 3, 24);
                for (size_t i = 0; i < f.FrameBytes(); i++) f.Bytes()[i] = static_cast<uint8_t>(rng());
                std::vector<uint8_t> expected = f.Bytes();
                const uint32_t color = rng() & 0xFFFFFF;
                const rectangle r{x, 1, w, 1, color | 0xAB000000u};
                DrawRectangle(&r, &f.Desc(), mode);
                for (size_t at = (21 + x) * 3; at < (21 + x + w) * 3; at++) {
                    const uint8_t c = static_cast<uint8_t>(color >> (8 * (at % 3)));
                    expected[at] = mode == 1 ? c : static_cast<uint8_t>(expected[at] | c);
                }
                ASSERT_EQ(f.Bytes(), expected) << "x " << x << " w " << w << " mode " << int(mode);
            }
        }
    }
}

TEST(DrawRectangle, ClipsAtFrameEdges) {
    for (uint32_t bpp : {16u, 24u, 32u}) {
        TestFrames f(1, 8, 4, bpp);
        const rectangle past{5, 2, 100, 100, ~0u}, beyond{8, 0, 4, 4, ~0u},
            wraps{0xFFFFFFF0u, 0, 0x20, 1, ~0u};
        for (const rectangle &r : {past, beyond, wraps}) DrawRectangle(&r, &f.Desc(), 1);
        EXPECT_TRUE(f.GuardIntact()) << bpp;
        EXPECT_NE(f.Pixel(0, 7, 3), 0u);
        EXPECT_EQ(f.Pixel(0, 4, 3), 0u);
        EXPECT_EQ(f.Pixel(0, 0, 0), 0u);
    }
}

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

TEST(Bend, ShiftsFollowTheRowPolynomialOnEveryFrameGenerationFilled) {
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
