// Calibration patterns: counts per type, frame advance, bands and blocks.
#include <gtest/gtest.h>

#include <vector>

#include "velspec_calib.h"

namespace {

struct Frames {
    Frames(uint32_t count, uint32_t width, uint32_t height, uint32_t bpp)
        : bytes(static_cast<size_t>(count) * width * height * (bpp / 8) + 16, 0xA5),
          desc{bytes.data(), count, width, height, bpp}
    {
    }
    size_t frameBytes() const { return static_cast<size_t>(desc.width) * desc.height * (desc.bpp / 8); }
    bool lit(uint32_t frame, uint32_t plane, uint32_t x, uint32_t y) const
    {
        const size_t pb = desc.bpp / 8;
        const size_t at = frame * frameBytes() + (static_cast<size_t>(y) * desc.width + x) * pb;
        uint32_t v = 0;
        for (size_t k = 0; k < pb; k++)
            v |= static_cast<uint32_t>(bytes[at + k]) << (8 * k);
        return (v >> plane) & 1u;
    }
    std::vector<uint8_t> bytes;
    frameBufferDesc desc;
};

TEST(CalibPatterns, TwoFramesHoldFortyEightBandsAndTheBufferAdvances)
{
    Frames f(2, 854, 4, 24);
    uint8_t *const start = f.desc.buffer;
    EXPECT_EQ(velspec_calib_genPatterns(VELSPEC_CALIB_PAT_BANDS6, &f.desc), 48);
    EXPECT_EQ(f.desc.buffer, start + 2 * f.frameBytes());
    // Band 25: frame 1, plane 1, columns 100 .. 105, all lines.
    for (uint32_t x = 98; x < 108; x++)
        EXPECT_EQ(f.lit(1, 1, x, 3), x >= 100 && x <= 105) << x;
    for (size_t i = 2 * f.frameBytes(); i < f.bytes.size(); i++)
        ASSERT_EQ(f.bytes[i], 0xA5);
}

TEST(CalibPatterns, PatternCountsWithFramesToSpare)
{
    const struct {
        uint32_t type;
        int32_t patterns;
    } cases[] = {{2, 213}, {3, 219}, {4, 427}, {7, 427}, {8, 423}, {11, 423}};
    for (const auto &c : cases) {
        Frames f(20, 854, 2, 24);
        uint8_t *const start = f.desc.buffer;
        EXPECT_EQ(velspec_calib_genPatterns(c.type, &f.desc), c.patterns) << c.type;
        // Only completely filled frames are stepped over.
        EXPECT_EQ(f.desc.buffer, start + (c.patterns / 24) * f.frameBytes()) << c.type;
    }
}

TEST(CalibPatterns, BlocksOfTypeThreeFillHalfTheLines)
{
    Frames f(16, 854, 480, 16);
    ASSERT_EQ(velspec_calib_genPatterns(VELSPEC_CALIB_PAT_BLOCKS, &f.desc), 219);
    // Pattern 1: block at column 284 in the upper half; pattern 4 in the
    // lower half; pattern 6 the first 4-column band.
    EXPECT_TRUE(f.lit(0, 1, 284, 0));
    EXPECT_TRUE(f.lit(0, 1, 538, 239));
    EXPECT_FALSE(f.lit(0, 1, 539, 0));
    EXPECT_FALSE(f.lit(0, 1, 284, 240));
    EXPECT_TRUE(f.lit(0, 4, 284, 240));
    EXPECT_TRUE(f.lit(0, 4, 284, 479));
    EXPECT_FALSE(f.lit(0, 4, 284, 239));
    EXPECT_TRUE(f.lit(0, 6, 3, 479));
    EXPECT_FALSE(f.lit(0, 6, 4, 0));
}

TEST(CalibPatterns, SmallFramesAreClippedNotOverrun)
{
    // A frame narrower and shorter than the DMD: blocks at line 240 and
    // bands past column 63 fall outside and are cut.
    Frames f(10, 64, 100, 24);
    EXPECT_EQ(velspec_calib_genPatterns(VELSPEC_CALIB_PAT_BLOCKS, &f.desc), 219);
    for (size_t i = 10 * f.frameBytes(); i < f.bytes.size(); i++)
        ASSERT_EQ(f.bytes[i], 0xA5);
}

TEST(CalibPatterns, RefusesUnknownTypesAndDescriptors)
{
    Frames f(1, 854, 2, 24);
    for (uint32_t type : {0u, 1u, 12u, 1000u})
        EXPECT_EQ(velspec_calib_genPatterns(type, &f.desc), VELSPEC_ERR_BAD_TYPE) << type;
    EXPECT_EQ(velspec_calib_genPatterns(2, nullptr), VELSPEC_ERR_NULL);
    frameBufferDesc odd{f.bytes.data(), 1, 5, 3, 24};
    EXPECT_EQ(velspec_calib_genPatterns(2, &odd), VELSPEC_ERR_BAD_INPUT);
    frameBufferDesc none{f.bytes.data(), 0, 854, 2, 24};
    EXPECT_EQ(velspec_calib_genPatterns(2, &none), 0);
    EXPECT_EQ(f.bytes[0], 0xA5);
}

} // namespace
