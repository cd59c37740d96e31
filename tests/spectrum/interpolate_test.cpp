// Linear resampling and width interpolation.
#include <gtest/gtest.h>

#include <vector>

#include "velspec_helper.h"

namespace {

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
        {"before, inside, exact, past",
         {495, 505, 510, 520},
         {500, 510, 0, 0},
         {10, 20, 0, 0},
         4,
         2,
         VELSPEC_OK,
         {5, 15, 20, 30}},
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
    EXPECT_DOUBLE_EQ(factor[0], 0.995);
    EXPECT_DOUBLE_EQ(factor[1], 1.005);
    EXPECT_DOUBLE_EQ(factor[2], 1.5);
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

}  // namespace
