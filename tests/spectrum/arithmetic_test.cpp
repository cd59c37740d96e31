// Spectral arithmetic: dark-level removal, linear resampling, width
// interpolation, and conversions between columns and wavelengths.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "velspec_helper.h"
#include "velspec_util.h"

namespace {

// The truncated mean of the black readings is subtracted: the removing form
// drops the blacks, the in-place form zeroes them.
TEST(DarkLevel, MeanOfBlackReadingsIsRemoved) {
    const struct Case {
        std::vector<int32_t> adc;
        uint8_t first, period;
        std::vector<int32_t> removed, in_place;
    } cases[] = {
        {{10, 110, 12, 112}, 0, 2, {99, 101}, {0, 99, 0, 101}},
        {{100, 20, 300, 40, 500}, 1, 2, {70, 270, 470}, {70, 0, 270, 0, 470}},
        // Entries 1 and 3 are black: positions before the first count too.
        {{20, 4, 30, 6, 40}, 3, 2, {15, 25, 35}, {15, 0, 25, 0, 35}},
        // Mean of a negative sum truncates toward zero: -7 / 2 = -3.
        {{-3, 50, -4}, 0, 2, {53}, {0, 53, 0}},
        // First black past the data, or period 0: no blacks, dark level 0.
        {{7, 8, 9}, 5, 10, {7, 8, 9}, {7, 8, 9}},
        {{7, 8, 9}, 0, 0, {7, 8, 9}, {7, 8, 9}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.adc[0]);
        scanData d{};
        slewScanData s{};
        std::memcpy(d.adc_data, c.adc.data(), sizeof(int32_t) * c.adc.size());
        std::memcpy(s.adc_data, c.adc.data(), sizeof(int32_t) * c.adc.size());
        d.adc_data_length = s.adc_data_length = static_cast<uint16_t>(c.adc.size());
        d.black_pattern_first = s.black_pattern_first = c.first;
        d.black_pattern_period = s.black_pattern_period = c.period;
        scanResults r;
        for (int32_t &v : r.intensity) v = 555;
        ASSERT_EQ(velspec_subtract_remove_dc_level(&d, &r), VELSPEC_OK);
        ASSERT_EQ(r.length, static_cast<int32_t>(c.removed.size()));
        EXPECT_EQ(std::vector<int32_t>(r.intensity, r.intensity + r.length), c.removed);
        EXPECT_EQ(r.intensity[c.removed.size()], 555);  // entries past length untouched
        ASSERT_EQ(velspec_subtract_dc_level(&s), VELSPEC_OK);
        EXPECT_EQ(std::vector<int32_t>(s.adc_data, s.adc_data + c.adc.size()), c.in_place);
        // Lengths past the array are refused before anything changes.
        d.adc_data_length = s.adc_data_length = SCAN_MAX_ADC + 1;
        EXPECT_EQ(velspec_subtract_remove_dc_level(&d, &r), VELSPEC_ERR_BAD_INPUT);
        EXPECT_EQ(velspec_subtract_dc_level(&s), VELSPEC_ERR_BAD_INPUT);
        EXPECT_EQ(s.adc_data[1], c.in_place[1]);
    }
    EXPECT_EQ(velspec_subtract_dc_level(nullptr), VELSPEC_ERR_NULL);
}

// The table is resampled in place onto the new wavelengths; a refused call
// leaves both tables as they were.
TEST(InterpolateInt, ResamplesInPlaceOrLeavesTheTablesAlone) {
    const std::vector<double> table = {500, 510, 520};
    const std::vector<int32_t> values = {1, 2, 3};
    const int32_t kBad = VELSPEC_ERR_BAD_INPUT;
    const struct Case {
        const char *name;
        std::vector<double> new_wl, old_wl;
        std::vector<int32_t> values;
        int32_t new_n, old_n, status;
        std::vector<int32_t> expected;
    } cases[] = {
        // Before the table, inside it, exactly on a point, past it.
        {"spots", {495, 505, 510, 520}, {500, 510, 0, 0}, {10, 20, 0, 0}, 4, 2, VELSPEC_OK, {5, 15, 20, 30}},
        // Falling line (500, 10), (510, 2): at 501, 2 - trunc(-8 * 0.9) = 9;
        // at 517 the extrapolation trunc(-8 * 7 / 10) + 2 = -3 is stored as 0.
        {"falling, truncated and clamped", {501, 517}, {500, 510}, {10, 2}, 2, 2, VELSPEC_OK, {9, 0}},
        // 2e9 * 99 cannot be a 32-bit integer.
        {"saturated", {600}, {500, 501}, {0, 2000000000}, 1, 2, VELSPEC_OK, {2147483647}},
        {"one-point table hit exactly", {500}, {500}, {1}, 1, 1, VELSPEC_OK, {1}},
        {"0.0 among the new", {505, 0.0}, table, values, 2, 3, kBad, {}},
        {"no new points", {505}, table, values, 0, 3, kBad, {}},
        {"865 new points", {505}, table, values, 865, 3, kBad, {}},
        {"empty table", {505}, table, values, 1, 0, kBad, {}},
        {"no new table", {}, table, values, 1, 3, VELSPEC_ERR_NULL, {}},
        // A one-point table has no slope for the end cases.
        {"before a one-point table", {490}, table, values, 1, 1, kBad, {}},
        {"past a one-point table", {530}, table, values, 1, 1, kBad, {}},
        {"table ending at 0.0 at once", {530}, {0.0, 510, 520}, values, 1, 2, kBad, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<double> old_wl = c.old_wl;
        std::vector<int32_t> v = c.values;
        ASSERT_EQ(velspec_interpolate_int_wavelengths(c.new_wl.empty() ? nullptr : c.new_wl.data(), c.new_n,
                                                      old_wl.data(), v.data(), c.old_n),
                  c.status);
        if (c.status != VELSPEC_OK) {
            EXPECT_EQ(v, c.values);
            EXPECT_EQ(old_wl, c.old_wl);
        } else {
            EXPECT_EQ(std::vector<int32_t>(v.begin(), v.begin() + c.new_n), c.expected);
            EXPECT_EQ(std::vector<double>(old_wl.begin(), old_wl.begin() + c.new_n), c.new_wl);
        }
    }
}

TEST(InterpolateDouble, FixedTableOfFiftyAndPositions) {
    std::vector<double> wl(50), factor(50);
    for (int k = 0; k < 50; ++k) wl[k] = 1000 + 10 * k, factor[k] = 1.0 + 0.01 * k;
    const double new_wl[3] = {995, 1005, 1500};
    ASSERT_EQ(velspec_interpolate_double_wavelengths(new_wl, wl.data(), factor.data(), 3), VELSPEC_OK);
    const double expected[3] = {0.995, 1.005, 1.5};
    for (int k = 0; k < 3; ++k) EXPECT_DOUBLE_EQ(factor[k], expected[k]) << k;
    EXPECT_EQ(wl[2], 1500);
    EXPECT_EQ(velspec_interpolate_double_wavelengths(new_wl, wl.data(), factor.data(), 0),
              VELSPEC_ERR_BAD_INPUT);

    double pos[3] = {0.5, 1.5, 2.5}, val[3] = {1.0, 3.0, 3.0};
    const double new_pos[2] = {1.0, 2.0};
    ASSERT_EQ(velspec_interpolate_double_positions(new_pos, pos, val, 2, 3), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(val[0], 2.0);
    EXPECT_DOUBLE_EQ(val[1], 3.0);  // equal neighbours: the value itself
}

TEST(ComputeFromReferences, ThreeFormsAndTheirTruncation) {
    // Line through (3, 10) and (6, 21), slope 11/3, truncates the step
    // before adding it: 21 - 22 / 3 = 14 at 4, 10 - 7 = 3 at 1, 21 + 7 = 28
    // at 8. Reversed widths (a above b) are the form the matrix bracket uses.
    const int32_t cases[][6] = {
        {10, 20, 100, 200, 15, 150}, {10, 20, 100, 200, 5, 50}, {10, 20, 100, 200, 25, 250},
        {3, 6, 10, 21, 4, 14},       {3, 6, 10, 21, 1, 3},      {3, 6, 10, 21, 8, 28},
        {6, 3, 21, 10, 4, 13},
    };
    for (const auto &c : cases) {
        int32_t out = 0;
        ASSERT_EQ(velspec_compute_from_references(c[0], c[1], c[2], c[3], c[4], &out), VELSPEC_OK);
        EXPECT_EQ(out, c[5]) << c[0] << "," << c[1] << " at " << c[4];
    }
    int32_t out = 7;
    EXPECT_EQ(velspec_compute_from_references(10, 10, 100, 200, 15, &out), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(out, 7);
}

TEST(NmToColumn, LinearAndQuadraticCalibrations) {
    // Failures leave the output alone (7 stays 7).
    const struct {
        double c[3];
        double nm;
        int32_t status;
        double x;
    } cases[] = {
        {{900.0, 2.0, 0.0}, 1000.0, VELSPEC_OK, 50.0},
        {{900.0, 2.0, 0.0}, 3000.0, VELSPEC_OK, 1050.0},  // linear: even off the DMD
        {{900.0, 0.0, 0.0}, 1000.0, VELSPEC_ERR_BAD_INPUT, 7.0},
        // (x - 100)(x - 500): both roots on the DMD; (sqrt(d) - c1) / (2 c2) is 500.
        {{50000.0, -600.0, 1.0}, 0.0, VELSPEC_OK, 500.0},
        // Roots 100 and 1000: the preferred one is off the DMD, the other is taken.
        {{100000.0, -1100.0, 1.0}, 0.0, VELSPEC_OK, 100.0},
        // Roots 1000 and 2000, both off the DMD; then no real root at all.
        {{2000000.0, -3000.0, 1.0}, 0.0, VELSPEC_ERR_FAILED, 7.0},
        {{100.0, 0.0, 1.0}, 0.0, VELSPEC_ERR_FAILED, 7.0},
    };
    for (const auto &c : cases) {
        double x = 7.0;
        EXPECT_EQ(velspec_util_nmToColumn(c.nm, c.c, &x), c.status) << c.c[0] << " at " << c.nm;
        EXPECT_DOUBLE_EQ(x, c.x) << c.c[0] << " at " << c.nm;
    }
    double x = 0.0;
    EXPECT_EQ(velspec_util_nmToColumn(0.0, nullptr, &x), VELSPEC_ERR_NULL);
}

TEST(ColumnToNm, QuadraticAndBandSpan) {
    const double c[3] = {1720.0, -0.95, 0.0001};
    double nm = 0.0;
    EXPECT_EQ(velspec_util_columnToNm(100.0, c, &nm), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(nm, 1626.0);
    // Span of 10 columns from column 426: |w(436) - w(426)| = 8.638,
    // truncated to whole nanometres.
    double span = 0.0;
    EXPECT_EQ(velspec_util_columnToNmDistance(10.0, c, &span), VELSPEC_OK);
    EXPECT_EQ(span, 8.0);
    EXPECT_EQ(velspec_util_columnToNmDistance(10.0, nullptr, &span), VELSPEC_ERR_NULL);
    // A huge span saturates instead of overflowing.
    const double steep[3] = {0.0, 1e300, 0.0};
    EXPECT_EQ(velspec_util_columnToNmDistance(10.0, steep, &span), VELSPEC_OK);
    EXPECT_EQ(span, 2147483647.0);
}

}  // namespace
