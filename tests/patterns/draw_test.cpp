// Rectangle drawing: pixel layout per depth, the grouped 24-bit writer
// against a pixel-by-pixel model, and clipping at the frame.
#include <gtest/gtest.h>

#include <random>

#include "frames.h"

namespace {

TEST(DrawRectangle, PixelLayoutAndModes) {
    TestFrames f16(1, 3, 2, 16);
    const rectangle set{1, 1, 2, 1, 0x12345678}, bit{0, 1, 3, 1, 0x8000};
    DrawRectangle(&set, &f16.Desc(), 1);
    DrawRectangle(&bit, &f16.Desc(), 0);
    EXPECT_EQ(f16.Pixel(0, 2, 1), 0xD678u);  // cut to 16 bits, then OR
    EXPECT_EQ(f16.Pixel(0, 0, 1), 0x8000u);
    EXPECT_EQ(f16.Pixel(0, 2, 0), 0u);

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

}  // namespace
