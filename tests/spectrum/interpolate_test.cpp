// Linear resampling and width interpolation.
#include <gtest/gtest.h>

#include <vector>

#include "velspec_helper.h"

namespace {

TEST(InterpolateInt, BeforeInteriorExactPastClampedAndTruncated) {
    // The table is resampled in place onto the new wavelengths. Falling line
    // (500, 10), (510, 2): at 501, 2 - trunc(-8 * 0.9) = 9; at 517 the
    // extrapolation trunc(-8 * 7 / 10) + 2 = -3 is stored as 0.
    const struct {
        int32_t v0, v1;
        std::vector<double> new_wl;
        std::vector<int32_t> expected;
    } cases[] = {
        {10, 20, {495, 505, 510, 520}, {5, 15, 20, 30}},
        {10, 2, {501, 517}, {9, 0}},
    };
    for (const auto &c : cases) {
        std::vector<double> old_wl(c.new_wl.size(), 0.0);
        std::vector<int32_t> values(c.new_wl.size(), 0);
        old_wl[0] = 500, old_wl[1] = 510, values[0] = c.v0, values[1] = c.v1;
        ASSERT_EQ(velspec_interpolate_int_wavelengths(c.new_wl.data(), static_cast<int32_t>(c.new_wl.size()),
                                                      old_wl.data(), values.data(), 2),
                  VELSPEC_OK);
        EXPECT_EQ(values, c.expected);
        EXPECT_EQ(old_wl, c.new_wl);
    }
}

// Bad counts, a 0.0 wavelength among the new ones, a one-point table (no
// slope for the end cases) and a table ending at 0.0 right away: refused,
// the tables unchanged. A one-point table hit exactly is fine.
TEST(InterpolateInt, RefusesBadCountsZeroWavelengthsAndShortTables) {
    const double zero_in_new[2] = {505, 0.0}, mid[1] = {505}, before[1] = {490}, past[1] = {530};
    const struct {
        const double *new_wl;
        int32_t new_n, old_n;
        double first_old;
        int32_t status;
    } cases[] = {
        {zero_in_new, 2, 3, 500, VELSPEC_ERR_BAD_INPUT}, {mid, 0, 3, 500, VELSPEC_ERR_BAD_INPUT},
        {mid, 865, 3, 500, VELSPEC_ERR_BAD_INPUT},       {mid, 1, 0, 500, VELSPEC_ERR_BAD_INPUT},
        {nullptr, 1, 3, 500, VELSPEC_ERR_NULL},          {before, 1, 1, 500, VELSPEC_ERR_BAD_INPUT},
        {past, 1, 1, 500, VELSPEC_ERR_BAD_INPUT},        {past, 1, 2, 0.0, VELSPEC_ERR_BAD_INPUT},
    };
    for (const auto &c : cases) {
        double old_wl[3] = {c.first_old, 510, 520};
        int32_t values[3] = {1, 2, 3};
        EXPECT_EQ(velspec_interpolate_int_wavelengths(c.new_wl, c.new_n, old_wl, values, c.old_n), c.status)
            << c.new_n << "," << c.old_n;
        EXPECT_EQ(values[0], 1);
        EXPECT_EQ(old_wl[0], c.first_old);
    }
    double old_wl[1] = {500};
    int32_t values[1] = {1};
    const double hit[1] = {500};
    EXPECT_EQ(velspec_interpolate_int_wavelengths(hit, 1, old_wl, values, 1), VELSPEC_OK);
    EXPECT_EQ(values[0], 1);
}

TEST(InterpolateInt, ExtremeValuesSaturateInsteadOfOverflowing) {
    double old_wl[2] = {500, 501};
    int32_t values[2] = {0, 2000000000};
    const double far[1] = {600};  // 2e9 * 99 cannot be a 32-bit integer
    ASSERT_EQ(velspec_interpolate_int_wavelengths(far, 1, old_wl, values, 2), VELSPEC_OK);
    EXPECT_EQ(values[0], 2147483647);
}

TEST(InterpolateDouble, FixedTableOfFiftyAndPositions) {
    std::vector<double> wl(50), factor(50);
    for (int k = 0; k < 50; ++k) {
        wl[k] = 1000 + 10 * k;
        factor[k] = 1.0 + 0.01 * k;
    }
    const double new_wl[3] = {995, 1005, 1500};
    ASSERT_EQ(velspec_interpolate_double_wavelengths(new_wl, wl.data(), factor.data(), 3), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(factor[0], 0.995);
    EXPECT_DOUBLE_EQ(factor[1], 1.005);
    EXPECT_DOUBLE_EQ(factor[2], 1.5);
    EXPECT_EQ(wl[2], 1500);
    EXPECT_EQ(velspec_interpolate_double_wavelengths(new_wl, wl.data(), factor.data(), 0),
              VELSPEC_ERR_BAD_INPUT);

    double pos[3] = {0.5, 1.5, 2.5};
    double val[3] = {1.0, 3.0, 3.0};
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
