// Bending: every line becomes the first line moved sideways by the shift
// of its row, dark pixels entering at the edge.
#include <gtest/gtest.h>

#include <cmath>

#include "frames.h"
#include "velspec_scan.h"

namespace {

// First line of a frame: pixel x holds x + 1; other lines hold 0xEE.
void fillFrame(TestFrames &f, uint32_t frame) {
    const size_t pb = f.desc().bpp / 8;
    for (uint32_t y = 0; y < f.desc().height; y++) {
        for (uint32_t x = 0; x < f.desc().width; x++) {
            const size_t at = frame * f.frameBytes() + (static_cast<size_t>(y) * f.desc().width + x) * pb;
            for (size_t k = 0; k < pb; k++)
                f.bytes()[at + k] = static_cast<uint8_t>((y == 0 ? x + 1 : 0xEE) >> (8 * k));
        }
    }
}

// What pixel x of a line moved by `shift` from the first line holds.
uint32_t moved(int32_t x, int32_t shift, int32_t width) {
    const int32_t from = x - shift;
    return from >= 0 && from < width ? static_cast<uint32_t>(from + 1) : 0;
}

void expectLines(const TestFrames &f, uint32_t frame, const std::vector<int32_t> &shifts) {
    const int32_t width = static_cast<int32_t>(f.desc().width);
    for (size_t y = 0; y < shifts.size(); y++) {
        for (int32_t x = 0; x < width; x++)
            ASSERT_EQ(f.pixel(frame, x, y), moved(x, shifts[y], width)) << "x " << x << " line " << y;
    }
}

TEST(Bend, ShiftsFollowTheRowPolynomial) {
    for (uint32_t bpp : {16u, 24u, 32u}) {
        TestFrames f(1, 12, 3, bpp);
        fillFrame(f, 0);
        const double two[3] = {2.0, 0.0, 0.0};  // the first line moves too
        ASSERT_EQ(velspec_scan_bendPatterns(&f.desc(), two, 1), VELSPEC_OK);
        expectLines(f, 0, {2, 2, 2});
    }
    TestFrames f(1, 16, 5, 24);
    fillFrame(f, 0);
    const double slope[3] = {-2.0, 1.0, 0.0};
    ASSERT_EQ(velspec_scan_bendPatterns(&f.desc(), slope, 24), VELSPEC_OK);
    expectLines(f, 0, {-2, -1, 0, 1, 2});

    // Beyond half a line the shift is held at half the width.
    TestFrames wide(1, 16, 2, 24);
    fillFrame(wide, 0);
    const double far[3] = {100.0, -200.0, 0.0};
    ASSERT_EQ(velspec_scan_bendPatterns(&wide.desc(), far, 1), VELSPEC_OK);
    expectLines(wide, 0, {8, -8});
    EXPECT_TRUE(wide.guardIntact());
}

TEST(Bend, FramesAreCountedAsGenerationFillsThem) {
    // 25 patterns in 32-bit frames: 24 per frame, so two frames are bent.
    TestFrames f(3, 8, 2, 32);
    for (uint32_t frame = 0; frame < 3; frame++) fillFrame(f, frame);
    const double one[3] = {1.0, 0.0, 0.0};
    ASSERT_EQ(velspec_scan_bendPatterns(&f.desc(), one, 25), VELSPEC_OK);
    expectLines(f, 1, {1, 1});
    EXPECT_EQ(f.pixel(2, 3, 1), 0xEEu);

    // More patterns than frames: only the caller's frames are touched.
    ASSERT_EQ(velspec_scan_bendPatterns(&f.desc(), one, 24 * 50), VELSPEC_OK);
    EXPECT_TRUE(f.guardIntact());

    const double notANumber[3] = {0.0, std::nan(""), 0.0};
    EXPECT_EQ(velspec_scan_bendPatterns(&f.desc(), notANumber, 1), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_scan_bendPatterns(&f.desc(), one, -1), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_scan_bendPatterns(&f.desc(), nullptr, 1), VELSPEC_ERR_NULL);
}

}  // namespace
