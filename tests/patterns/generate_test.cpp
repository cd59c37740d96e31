// Column, Hadamard and multi-section pattern generation: frame and plane
// positions, clearing rules, band clipping, refused frame descriptors.
#include <gtest/gtest.h>

#include "frames.h"
#include "velspec_scan.h"
#include "velspec_scan_col.h"
#include "velspec_scan_had.h"

namespace {

constexpr uint32_t kW = 64;

std::string band(uint32_t from, uint32_t to) {
    std::string s(kW, '.');
    for (uint32_t x = from; x <= to && x < kW; x++) s[x] = '#';
    return s;
}

// Pattern i lights columns i+1 .. i+2 (centre i+2, width 2).
colPatDef stepDef(uint16_t count) {
    colPatDef def{};
    def.num_patterns = count;
    def.width_px = 2;
    for (uint16_t i = 0; i < count; i++) def.center_column[i] = static_cast<uint16_t>(i + 2);
    return def;
}

TEST(ColumnPatterns, PlanesFramesAndClearing) {
    const colPatDef def = stepDef(30);
    // From position 0 into two prefilled frames: both are cleared first.
    TestFrames f(2, kW, 2, 24, 0xFF);
    EXPECT_EQ(velspec_scan_col_genPatterns(&def, &f.desc(), 0), 30);
    for (uint32_t i = 0; i < 30; i++) EXPECT_EQ(f.row(i / 24, i % 24, 1), band(i + 1, i + 2)) << i;
    EXPECT_EQ(f.row(1, 6), std::string(kW, '.'));
    EXPECT_EQ(f.pixel(1, 0, 0) >> 24, 0u);

    // From position 20: frame 0 keeps what it held, frame 1 is cleared.
    TestFrames g(2, kW, 2, 24);
    for (size_t at = 0; at < g.frameBytes() * 2; at += 3) g.bytes()[at] = 0x01;
    EXPECT_EQ(velspec_scan_col_genPatterns(&def, &g.desc(), 20), 30);
    EXPECT_EQ(g.row(0, 0), std::string(kW, '#'));
    EXPECT_EQ(g.row(0, 23), band(4, 5));
    EXPECT_EQ(g.row(1, 0), band(5, 6));

    // One frame: drawing stops after plane 23, the count is still 30.
    TestFrames one(1, kW, 2, 24);
    EXPECT_EQ(velspec_scan_col_genPatterns(&def, &one.desc(), 0), 30);
    EXPECT_EQ(one.row(0, 23), band(24, 25));
    EXPECT_TRUE(one.guardIntact());

    // 16-bit frames hold 16 planes: pattern 17 is frame 1, bit 1.
    TestFrames s(2, kW, 2, 16);
    EXPECT_EQ(velspec_scan_col_genPatterns(&def, &s.desc(), 0), 30);
    EXPECT_EQ(s.row(1, 1), band(18, 19));
}

TEST(ColumnPatterns, BandsAreHeldAtTheLeftEdgeAndCutAtTheRight) {
    TestFrames f(1, kW, 1, 32);
    colPatDef def = stepDef(3);
    def.width_px = 6;
    def.center_column[0] = 1;    // keeps its 6 columns from column 0
    def.center_column[1] = 62;   // 59 .. 64 passes the edge
    def.center_column[2] = 300;  // wholly beyond the frame
    EXPECT_EQ(velspec_scan_col_genPatterns(&def, &f.desc(), 0), 3);
    EXPECT_EQ(f.row(0, 0), band(0, 5));
    EXPECT_EQ(f.row(0, 1), band(59, 63));
    EXPECT_EQ(f.row(0, 2), std::string(kW, '.'));
    EXPECT_TRUE(f.guardIntact());
}

TEST(HadamardPatterns, MatrixRowsOnTheFirstLineFromAnyPosition) {
    hadPatDef def{};
    def.num_patterns = 3;
    def.width_px = 2;
    def.num_groups = 1;
    def.groups[0] = {3, 3, {}, {2, 7, 12}};
    TestFrames f(1, 16, 2, 24, 0xFF);
    EXPECT_EQ(velspec_scan_had_genPatterns(&def, &f.desc(), 0), 3);
    EXPECT_EQ(f.row(0, 0), ".##...##........");  // rows 110, 101, 011
    EXPECT_EQ(f.row(0, 1), ".##........##...");
    EXPECT_EQ(f.row(0, 2), "......##...##...");
    EXPECT_EQ(f.row(0, 3), std::string(16, '.'));     // first line cleared
    EXPECT_EQ(f.row(0, 3, 1), std::string(16, '#'));  // other lines kept

    // From position 15 of 16-bit frames the group spans two frames.
    TestFrames g(2, 16, 1, 16);
    EXPECT_EQ(velspec_scan_had_genPatterns(&def, &g.desc(), 15), 3);
    EXPECT_EQ(g.row(0, 15), ".##...##........");
    EXPECT_EQ(g.row(1, 1), "......##...##...");

    def.groups[0].num_columns = 4;  // more bands than the matrix has columns
    EXPECT_EQ(velspec_scan_had_genPatterns(&def, &g.desc(), 0), VELSPEC_ERR_BAD_INPUT);
}

TEST(ConfigurationPatterns, SectionsFollowEachOtherAndUnknownTypesFail) {
    calibCoeffSet c{};
    c.pixel_to_wavelength_coeffs[0] = 900.0;  // 1 nm per column
    c.pixel_to_wavelength_coeffs[1] = 1.0;
    slewScanCfg cfg{};
    cfg.scan_type = SCAN_TYPE_SLEW;
    cfg.num_sections = 2;
    cfg.sections[0] = {SCAN_TYPE_COLUMN, 2, 910, 929, 20, 0};
    cfg.sections[1] = {SCAN_TYPE_COLUMN, 2, 940, 959, 20, 0};
    TestFrames f(2, kW, 1, 24);
    EXPECT_EQ(velspec_scan_genPatterns(&cfg, &c, &f.desc()), 40);
    EXPECT_EQ(f.row(0, 19), band(28, 29));  // centre 29
    EXPECT_EQ(f.row(0, 20), band(39, 40));  // section 1 goes on at plane 20
    EXPECT_EQ(f.row(1, 15), band(58, 59));

    TestFrames g(2, kW, 1, 24);
    cfg.sections[1].section_scan_type = 5;
    EXPECT_EQ(velspec_scan_genPatterns(&cfg, &c, &g.desc()), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(g.row(0, 19), band(28, 29));  // drawn before the failure
    cfg.num_sections = 6;
    EXPECT_EQ(velspec_scan_slew_genPatterns(&cfg, &c, &g.desc()), VELSPEC_ERR_BAD_INPUT);
    scanCfg single{};
    single.scan_type = 7;
    EXPECT_EQ(velspec_scan_genPatterns(&single, &c, &g.desc()), VELSPEC_ERR_BAD_INPUT);
}

TEST(FrameDescriptors, UnusableDescriptorsAreRefusedWithoutWriting) {
    const colPatDef def = stepDef(2);
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
    const frameBufferDesc none{storage, 0, 4, 4, 24};
    EXPECT_EQ(velspec_scan_col_genPatterns(&def, &none, 0), 2);
    const frameBufferDesc one{storage, 1, 4, 4, 24};
    EXPECT_EQ(velspec_scan_col_genPatterns(&def, &one, 24), 2);
    for (uint8_t b : storage) ASSERT_EQ(b, 0);
}

}  // namespace
