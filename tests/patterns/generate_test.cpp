// Column, Hadamard and multi-section pattern generation: frame and plane
// positions, clearing rules, band clipping, and refused frame descriptors.
#include <gtest/gtest.h>

#include <cstring>

#include "frames.h"
#include "velspec_scan.h"
#include "velspec_scan_col.h"
#include "velspec_scan_had.h"

namespace {

std::string band(uint32_t width, uint32_t from, uint32_t to)
{
    std::string s(width, '.');
    for (uint32_t x = from; x <= to && x < width; x++)
        s[x] = '#';
    return s;
}

colPatDef columnDef(uint16_t count, uint16_t widthPx, uint16_t firstCenter, uint16_t step)
{
    colPatDef def{};
    def.num_patterns = count;
    def.width_px = widthPx;
    for (uint16_t i = 0; i < count; i++)
        def.center_column[i] = static_cast<uint16_t>(firstCenter + i * step);
    return def;
}

// 64 columns, 2 lines, 24 bits: 384 bytes per frame. Pattern i lights
// columns i+1 .. i+2 (centre i+2, width 2).
constexpr uint32_t kW = 64;

TEST(ColumnPatterns, ThirtyPatternsFillFrameZeroThenSixPlanesOfFrameOne)
{
    TestFrames f(2, kW, 2, 24, 0xFF);
    const colPatDef def = columnDef(30, 2, 2, 1);
    EXPECT_EQ(velspec_scan_col_genPatterns(&def, &f.desc(), 0), 30);
    for (uint32_t i = 0; i < 30; i++) {
        for (uint32_t y = 0; y < 2; y++)
            EXPECT_EQ(f.row(i / 24, i % 24, y), band(kW, i + 1, i + 2)) << "pattern " << i;
    }
    // Both frames were cleared before their first pattern.
    for (uint32_t plane = 6; plane < 24; plane++)
        EXPECT_EQ(f.row(1, plane), std::string(kW, '.'));
    EXPECT_EQ(f.pixel(1, 0, 0) >> 24, 0u);
    EXPECT_TRUE(f.guardIntact());
}

TEST(ColumnPatterns, StartingMidFrameKeepsThatFrameAndClearsTheNext)
{
    TestFrames f(2, kW, 2, 24);
    for (size_t px = 0; px < f.frameBytes() * 2; px += 3)
        f.bytes()[px] = 0x01; // plane 0 lit everywhere in both frames
    const colPatDef def = columnDef(30, 2, 2, 1);
    EXPECT_EQ(velspec_scan_col_genPatterns(&def, &f.desc(), 20), 30);
    EXPECT_EQ(f.row(0, 0), std::string(kW, '#')); // frame 0 not cleared
    for (uint32_t i = 0; i < 4; i++)
        EXPECT_EQ(f.row(0, 20 + i), band(kW, i + 1, i + 2));
    EXPECT_EQ(f.row(1, 0), band(kW, 5, 6)); // frame 1 cleared: only pattern 4
    EXPECT_EQ(f.row(1, 25 - 20), band(kW, 10, 11));
    EXPECT_TRUE(f.guardIntact());
}

TEST(ColumnPatterns, StopsWhenFramesRunOutButReportsAllPatterns)
{
    TestFrames f(1, kW, 2, 24);
    const colPatDef def = columnDef(30, 2, 2, 1);
    EXPECT_EQ(velspec_scan_col_genPatterns(&def, &f.desc(), 0), 30);
    EXPECT_EQ(f.row(0, 23), band(kW, 24, 25));
    EXPECT_TRUE(f.guardIntact());

    // A first position beyond the frames draws nothing.
    TestFrames g(1, kW, 2, 24, 0x5A);
    EXPECT_EQ(velspec_scan_col_genPatterns(&def, &g.desc(), 24), 30);
    for (size_t i = 0; i < g.frameBytes(); i++)
        ASSERT_EQ(g.bytes()[i], 0x5A);
}

TEST(ColumnPatterns, BandsAreHeldAtTheLeftEdgeAndCutAtTheRight)
{
    TestFrames f(1, kW, 1, 32);
    colPatDef def = columnDef(3, 6, 1, 0);
    def.center_column[1] = 62; // columns 59 .. 64 would pass the edge
    def.center_column[2] = 300; // wholly beyond the frame
    EXPECT_EQ(velspec_scan_col_genPatterns(&def, &f.desc(), 0), 3);
    EXPECT_EQ(f.row(0, 0), band(kW, 0, 5));
    EXPECT_EQ(f.row(0, 1), band(kW, 59, 63));
    EXPECT_EQ(f.row(0, 2), std::string(kW, '.'));
    EXPECT_TRUE(f.guardIntact());
}

TEST(ColumnPatterns, SixteenBitFramesHoldSixteenPlanes)
{
    TestFrames f(2, kW, 2, 16);
    const colPatDef def = columnDef(20, 2, 2, 1);
    EXPECT_EQ(velspec_scan_col_genPatterns(&def, &f.desc(), 0), 20);
    EXPECT_EQ(f.row(1, 1), band(kW, 18, 19)); // pattern 17: frame 1, bit 1
    EXPECT_EQ(f.row(0, 15), band(kW, 16, 17));
}

TEST(HadamardPatterns, RowsOfTheMatrixLightTheFirstLineOnly)
{
    TestFrames f(1, 16, 2, 24, 0xFF);
    hadPatDef def{};
    def.num_patterns = 3;
    def.width_px = 2;
    def.num_groups = 1;
    def.groups[0].num_columns = 3;
    def.groups[0].paley_order = 3;
    const uint16_t centers[3] = {2, 7, 12};
    std::memcpy(def.groups[0].center_column, centers, sizeof centers);
    EXPECT_EQ(velspec_scan_had_genPatterns(&def, &f.desc(), 0), 3);
    // Order-3 rows 110, 101, 011.
    EXPECT_EQ(f.row(0, 0), ".##...##........");
    EXPECT_EQ(f.row(0, 1), ".##........##...");
    EXPECT_EQ(f.row(0, 2), "......##...##...");
    EXPECT_EQ(f.row(0, 3), std::string(16, '.')); // line 0 cleared
    EXPECT_EQ(f.row(0, 3, 1), std::string(16, '#')); // line 1 untouched
}

TEST(HadamardPatterns, ContinuesFromTheFirstIndexAndRefusesOversizedGroups)
{
    TestFrames f(2, 16, 1, 16);
    hadPatDef def{};
    def.num_patterns = 3;
    def.width_px = 1;
    def.num_groups = 1;
    def.groups[0].num_columns = 2;
    def.groups[0].paley_order = 3;
    def.groups[0].center_column[0] = 0;
    def.groups[0].center_column[1] = 15;
    EXPECT_EQ(velspec_scan_had_genPatterns(&def, &f.desc(), 15), 3);
    EXPECT_EQ(f.row(0, 15), "#..............#");
    EXPECT_EQ(f.row(1, 0), "#...............");
    EXPECT_EQ(f.row(1, 1), "...............#");

    def.groups[0].num_columns = 4; // more bands than the matrix has columns
    EXPECT_EQ(velspec_scan_had_genPatterns(&def, &f.desc(), 0), VELSPEC_ERR_BAD_INPUT);
    def.groups[0].num_columns = 2;
    def.groups[0].paley_order = 5; // no stored matrix of order 5
    EXPECT_LT(velspec_scan_had_genPatterns(&def, &f.desc(), 0), 0);
}

calibCoeffSet linearCoeffs()
{
    calibCoeffSet c{};
    c.pixel_to_wavelength_coeffs[0] = 900.0; // 1 nm per column
    c.pixel_to_wavelength_coeffs[1] = 1.0;
    return c;
}

slewScanCfg twoSections(uint8_t secondType)
{
    slewScanCfg cfg{};
    cfg.scan_type = SCAN_TYPE_SLEW;
    cfg.num_sections = 2;
    cfg.sections[0] = {SCAN_TYPE_COLUMN, 2, 910, 929, 20, 0};
    cfg.sections[1] = {secondType, 2, 940, 959, 20, 0};
    return cfg;
}

TEST(ConfigurationPatterns, SectionsFollowEachOtherWithoutAGap)
{
    TestFrames f(2, kW, 1, 24);
    const calibCoeffSet c = linearCoeffs();
    const slewScanCfg cfg = twoSections(SCAN_TYPE_COLUMN);
    EXPECT_EQ(velspec_scan_genPatterns(&cfg, &c, &f.desc()), 40);
    EXPECT_EQ(f.row(0, 0), band(kW, 9, 10));   // centre 10
    EXPECT_EQ(f.row(0, 19), band(kW, 28, 29));
    EXPECT_EQ(f.row(0, 20), band(kW, 39, 40)); // section 1 at plane 20
    EXPECT_EQ(f.row(1, 15), band(kW, 58, 59));
}

TEST(ConfigurationPatterns, UnknownSectionTypeFailsAfterEarlierSectionsAreDrawn)
{
    TestFrames f(2, kW, 1, 24);
    const calibCoeffSet c = linearCoeffs();
    const slewScanCfg cfg = twoSections(5);
    EXPECT_EQ(velspec_scan_slew_genPatterns(&cfg, &c, &f.desc()), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(f.row(0, 19), band(kW, 28, 29));

    slewScanCfg tooMany = twoSections(SCAN_TYPE_COLUMN);
    tooMany.num_sections = 6;
    EXPECT_EQ(velspec_scan_slew_genPatterns(&tooMany, &c, &f.desc()), VELSPEC_ERR_BAD_INPUT);

    scanCfg single{};
    single.scan_type = 7;
    EXPECT_EQ(velspec_scan_genPatterns(&single, &c, &f.desc()), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_scan_genPatterns(nullptr, &c, &f.desc()), VELSPEC_ERR_NULL);
}

TEST(FrameDescriptors, UnusableDescriptorsAreRefused)
{
    const colPatDef def = columnDef(2, 2, 2, 1);
    uint8_t storage[64] = {};
    struct Case {
        frameBufferDesc desc;
        int32_t status;
    } cases[] = {
        {{storage, 1, 4, 4, 8}, VELSPEC_ERR_BAD_INPUT},     // depth
        {{storage, 1, 0, 4, 24}, VELSPEC_ERR_BAD_INPUT},    // no columns
        {{storage, 1, 4, 0, 24}, VELSPEC_ERR_BAD_INPUT},    // no lines
        {{storage, 1, 5, 3, 24}, VELSPEC_ERR_BAD_INPUT},    // 45 bytes: frames would overlap
        {{storage, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x7FFFFFFFu, 32}, VELSPEC_ERR_BAD_INPUT}, // overflow
        {{nullptr, 1, 4, 4, 24}, VELSPEC_ERR_NULL},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(velspec_scan_col_genPatterns(&def, &c.desc, 0), c.status);
        EXPECT_EQ(velspec_scan_bendPatterns(&c.desc, linearCoeffs().shift_vector_coeffs, 1), c.status);
    }
    for (uint8_t b : storage)
        ASSERT_EQ(b, 0);

    // No frames at all: nothing to draw into.
    frameBufferDesc none{storage, 0, 4, 4, 24};
    EXPECT_EQ(velspec_scan_col_genPatterns(&def, &none, 0), 2);
    for (uint8_t b : storage)
        ASSERT_EQ(b, 0);
}

} // namespace
