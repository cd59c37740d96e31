// Column, Hadamard and multi-section pattern generation: frame and plane
// positions, clearing rules, band clipping, refused frame descriptors.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>

#include "frames.h"
#include "velspec_scan.h"
#include "velspec_scan_col.h"
#include "velspec_scan_had.h"

namespace {

constexpr uint32_t kW = 64;
const std::string kDark(kW, '.');

std::string Band(uint32_t from, uint32_t to) {
    std::string s = kDark;
    for (uint32_t x = from; x <= to && x < kW; x++) s[x] = '#';
    return s;
}

// Pattern i lights columns i+1 .. i+2 (centre i+2, width 2).
colPatDef StepDef(uint16_t count) {
    colPatDef def{};
    def.num_patterns = count;
    def.width_px = 2;
    for (uint16_t i = 0; i < count; i++) def.center_column[i] = static_cast<uint16_t>(i + 2);
    return def;
}

TEST(ColumnPatterns, FramesPlanesClearingAndClipping) {
    colPatDef def = StepDef(30);
    const std::string kLit(kW, '#');
    const struct {
        uint32_t frames, bpp;
        uint8_t fill;
        uint16_t start;
        std::vector<std::tuple<uint32_t, uint32_t, std::string>> rows;  // frame, plane, line 1
    } cases[] = {
        // From position 0 every frame is cleared first.
        {2, 24, 0xFF, 0, {{0, 0, Band(1, 2)}, {0, 23, Band(24, 25)}, {1, 5, Band(30, 31)}, {1, 6, kDark}}},
        // From position 20 frame 0 keeps what it held, frame 1 is cleared.
        {2, 24, 0x01, 20, {{0, 0, kLit}, {0, 23, Band(4, 5)}, {1, 0, Band(5, 6)}}},
        {1, 24, 0, 0, {{0, 23, Band(24, 25)}}},  // one frame: stops after plane 23
    };
    for (const auto &c : cases) {
        TestFrames f(c.frames, kW, 2, c.bpp, c.fill);
        EXPECT_EQ(velspec_scan_col_genPatterns(&def, &f.Desc(), c.start), 30);
        for (const auto &[frame, plane, row] : c.rows) EXPECT_EQ(f.Row(frame, plane, 1), row) << plane;
        EXPECT_TRUE(f.GuardIntact());
    }

    // Bands are held at the left edge, cut at the right, or wholly outside.
    def = StepDef(3);
    def.width_px = 6;
    def.center_column[0] = 1;
    def.center_column[1] = 62;
    def.center_column[2] = 300;
    TestFrames e(1, kW, 1, 32);
    EXPECT_EQ(velspec_scan_col_genPatterns(&def, &e.Desc(), 0), 3);
    EXPECT_EQ(e.Row(0, 0), Band(0, 5));
    EXPECT_EQ(e.Row(0, 1), Band(59, 63));
    EXPECT_EQ(e.Row(0, 2), kDark);
    EXPECT_TRUE(e.GuardIntact());
}

TEST(HadamardPatterns, MatrixRowsOnTheFirstLineFromAnyPosition) {
    hadPatDef def{};
    def.num_patterns = 3;
    def.width_px = 2;
    def.num_groups = 1;
    def.groups[0] = {3, 3, {}, {2, 7, 12}};
    TestFrames f(1, 16, 2, 24, 0xFF);
    EXPECT_EQ(velspec_scan_had_genPatterns(&def, &f.Desc(), 0), 3);
    EXPECT_EQ(f.Row(0, 0), ".##...##........");  // rows 110, 101, 011
    EXPECT_EQ(f.Row(0, 1), ".##........##...");
    EXPECT_EQ(f.Row(0, 2), "......##...##...");
    EXPECT_EQ(f.Row(0, 3), std::string(16, '.'));     // first line cleared
    EXPECT_EQ(f.Row(0, 3, 1), std::string(16, '#'));  // other lines kept

    // From position 15 of 16-bit frames the group spans two frames.
    TestFrames g(2, 16, 1, 16);
    EXPECT_EQ(velspec_scan_had_genPatterns(&def, &g.Desc(), 15), 3);
    EXPECT_EQ(g.Row(0, 15), ".##...##........");
    EXPECT_EQ(g.Row(1, 1), "......##...##...");

    def.groups[0].num_columns = 4;  // more bands than the matrix has columns
    EXPECT_EQ(velspec_scan_had_genPatterns(&def, &g.Desc(), 0), VELSPEC_ERR_BAD_INPUT);
}

TEST(ConfigurationPatterns, SectionsFollowEachOtherAndUnknownTypesFail) {
    const calibCoeffSet c{{}, {900.0, 1.0, 0.0}};  // 1 nm per column
    slewScanCfg cfg{};
    cfg.scan_type = SCAN_TYPE_SLEW;
    cfg.num_sections = 2;
    cfg.sections[0] = {SCAN_TYPE_COLUMN, 2, 910, 929, 20, 0};
    cfg.sections[1] = {SCAN_TYPE_COLUMN, 2, 940, 959, 20, 0};
    TestFrames f(2, kW, 1, 24);
    EXPECT_EQ(velspec_scan_genPatterns(&cfg, &c, &f.Desc()), 40);
    EXPECT_EQ(f.Row(0, 19), Band(28, 29));  // centre 29
    EXPECT_EQ(f.Row(0, 20), Band(39, 40));  // section 1 goes on at plane 20
    EXPECT_EQ(f.Row(1, 15), Band(58, 59));

    TestFrames g(2, kW, 1, 24);
    cfg.sections[1].section_scan_type = 5;
    EXPECT_EQ(velspec_scan_genPatterns(&cfg, &c, &g.Desc()), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(g.Row(0, 19), Band(28, 29));  // drawn before the failure
    cfg.num_sections = 6;
    EXPECT_EQ(velspec_scan_slew_genPatterns(&cfg, &c, &g.Desc()), VELSPEC_ERR_BAD_INPUT);
    cfg.scan_type = 7;
    EXPECT_EQ(velspec_scan_genPatterns(&cfg, &c, &g.Desc()), VELSPEC_ERR_BAD_INPUT);
}

TEST(FrameDescriptors, UnusableDescriptorsAreRefusedWithoutWriting) {
    const colPatDef def = StepDef(2);
    const double noShift[3] = {0, 0, 0};
    uint8_t storage[64] = {};
    const struct {
        frameBufferDesc desc;
        int32_t status;
    } cases[] = {
        {{storage, 1, 4, 4, 8}, VELSPEC_ERR_BAD_INPUT},   // depth
        {{storage, 1, 0, 4, 24}, VELSPEC_ERR_BAD_INPUT},  // no columns
        {{storage, 1, 4, 0, 24}, VELSPEC_ERR_BAD_INPUT},  // no lines
        {{storage, 1, 5, 3, 24}, VELSPEC_ERR_BAD_INPUT},  // 45 bytes: steps would overlap frames
        {{storage, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x7FFFFFFFu, 32}, VELSPEC_ERR_BAD_INPUT},  // overflow
        {{nullptr, 1, 4, 4, 24}, VELSPEC_ERR_NULL},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(velspec_scan_col_genPatterns(&def, &c.desc, 0), c.status);
        EXPECT_EQ(velspec_scan_bendPatterns(&c.desc, noShift, 1), c.status);
    }
    // No frames, or a start beyond them: nothing to draw into.
    const frameBufferDesc none{storage, 0, 4, 4, 24}, one{storage, 1, 4, 4, 24};
    EXPECT_EQ(velspec_scan_col_genPatterns(&def, &none, 0), 2);
    EXPECT_EQ(velspec_scan_col_genPatterns(&def, &one, 24), 2);
    EXPECT_THAT(storage, testing::Each(0));
}

}  // namespace
