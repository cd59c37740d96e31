// Rectangle drawing: pixel layout per depth, the grouped 24-bit writer
// against a pixel-by-pixel model, and clipping at the frame.
#include <gtest/gtest.h>

#include <random>

#include "frames.h"

namespace {

TEST(DrawRectangle, PixelLayoutAndModes) {
    TestFrames f16(1, 3, 2, 16);
    rectangle set{1, 1, 2, 1, 0x12345678}, bit{0, 1, 3, 1, 0x8000};
    DrawRectangle(&set, &f16.desc(), 1);
    DrawRectangle(&bit, &f16.desc(), 0);
    EXPECT_EQ(f16.pixel(0, 2, 1), 0xD678u);  // cut to 16 bits, then OR
    EXPECT_EQ(f16.pixel(0, 0, 1), 0x8000u);
    EXPECT_EQ(f16.pixel(0, 2, 0), 0u);

    TestFrames f32(1, 2, 1, 32);
    rectangle all{0, 0, 2, 1, 0x80000001}, one{1, 0, 1, 1, 0x10};
    DrawRectangle(&all, &f32.desc(), 1);
    DrawRectangle(&one, &f32.desc(), 2);
    EXPECT_EQ(f32.pixel(0, 1, 0), 0x80000011u);

    f32.desc().bpp = 8;  // unknown depth: nothing drawn
    DrawRectangle(&all, &f32.desc(), 0x5);
    f32.desc().bpp = 32;
    EXPECT_EQ(f32.pixel(0, 1, 0), 0x80000011u);
}

// Every start column modulo 4 and every width up to two groups, in both
// modes, over random bytes: exactly the rectangle's pixels change, each as
// the pixel-by-pixel rule says.
TEST(DrawRectangle, TwentyFourBitGroupsMatchPixelModel) {
    std::mt19937 rng(7);
    for (uint8_t mode : {uint8_t{1}, uint8_t{0}}) {
        for (uint32_t x = 0; x < 8; x++) {
            for (uint32_t w = 0; w <= 10; w++) {
                TestFrames f(1, 21, 3, 24);
                for (size_t i = 0; i < f.frameBytes(); i++) f.bytes()[i] = static_cast<uint8_t>(rng());
                std::vector<uint8_t> expected = f.bytes();
                const uint32_t color = rng() & 0xFFFFFF;
                rectangle r{x, 1, w, 1, color | 0xAB000000u};
                DrawRectangle(&r, &f.desc(), mode);
                for (uint32_t px = x; px < x + w; px++) {
                    for (int k = 0; k < 3; k++) {
                        uint8_t &b = expected[(21 + px) * 3 + k];
                        const uint8_t c = static_cast<uint8_t>(color >> (8 * k));
                        b = mode == 1 ? c : static_cast<uint8_t>(b | c);
                    }
                }
                ASSERT_EQ(f.bytes(), expected) << "x " << x << " w " << w << " mode " << int(mode);
            }
        }
    }
}

TEST(DrawRectangle, ClipsAtFrameEdges) {
    for (uint32_t bpp : {16u, 24u, 32u}) {
        TestFrames f(1, 8, 4, bpp);
        rectangle past{5, 2, 100, 100, 0xFFFFFFFF};
        rectangle beyond{8, 0, 4, 4, 0xFFFFFFFF};
        rectangle wraps{0xFFFFFFF0u, 0, 0x20, 1, 0xFFFFFFFF};
        for (const rectangle &r : {past, beyond, wraps}) DrawRectangle(&r, &f.desc(), 1);
        EXPECT_TRUE(f.guardIntact()) << bpp;
        EXPECT_NE(f.pixel(0, 7, 3), 0u);
        EXPECT_EQ(f.pixel(0, 4, 3), 0u);
        EXPECT_EQ(f.pixel(0, 0, 0), 0u);
    }
}

}  // namespace
