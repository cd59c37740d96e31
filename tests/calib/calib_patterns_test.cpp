// Calibration patterns: counts per type, frame advance, bands and blocks.
#include <gtest/gtest.h>

#include "../patterns/frames.h"
#include "velspec_calib.h"

namespace {

// Per type: the count, the buffer stepped over completely filled frames only,
// and nothing written past the last frame.
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
        f.Desc().buffer = f.Bytes().data();
        for (uint32_t x = 96; c.type == 2 && x < 108; x++)
            EXPECT_EQ(f.Lit(1, 1, x, 3), x >= 100 && x <= 105) << x;
    }
}

TEST(CalibPatterns, BlocksFillHalfTheLinesAndSmallFramesAreClipped) {
    TestFrames f(16, 854, 480, 16);
    ASSERT_EQ(velspec_calib_genPatterns(VELSPEC_CALIB_PAT_BLOCKS, &f.Desc()), 219);
    // Pattern 1: block at column 284, upper half; pattern 4 the same block
    // in the lower half; pattern 6 the first 4-column band.
    EXPECT_TRUE(f.Lit(0, 1, 538, 239));
    EXPECT_FALSE(f.Lit(0, 1, 539, 0));
    EXPECT_FALSE(f.Lit(0, 1, 284, 240));
    EXPECT_TRUE(f.Lit(0, 4, 284, 479));
    EXPECT_FALSE(f.Lit(0, 4, 284, 239));
    EXPECT_TRUE(f.Lit(0, 6, 3, 479));
    EXPECT_FALSE(f.Lit(0, 6, 4, 0));

    // Narrower and shorter than the DMD: blocks at line 240 and bands past
    // column 63 fall outside and are cut.
    TestFrames small(10, 64, 100, 24);
    EXPECT_EQ(velspec_calib_genPatterns(VELSPEC_CALIB_PAT_BLOCKS, &small.Desc()), 219);
    EXPECT_TRUE(small.GuardIntact());
}

TEST(CalibPatterns, RefusesUnknownTypesAndDescriptors) {
    TestFrames f(1, 854, 2, 24, 0xA5);
    for (uint32_t type : {0u, 1u, 12u, 1000u})
        EXPECT_EQ(velspec_calib_genPatterns(type, &f.Desc()), VELSPEC_ERR_BAD_TYPE) << type;
    EXPECT_EQ(velspec_calib_genPatterns(2, nullptr), VELSPEC_ERR_NULL);
    frameBufferDesc odd{f.Bytes().data(), 1, 5, 3, 24};
    EXPECT_EQ(velspec_calib_genPatterns(2, &odd), VELSPEC_ERR_BAD_INPUT);
    frameBufferDesc none{f.Bytes().data(), 0, 854, 2, 24};
    EXPECT_EQ(velspec_calib_genPatterns(2, &none), 0);
    EXPECT_EQ(f.Bytes()[0], 0xA5);
}

}  // namespace
