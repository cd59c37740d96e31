// Linear resampling and width interpolation.
#include <gtest/gtest.h>

#include <vector>

#include "velspec_helper.h"

namespace {

TEST(InterpolateInt, BeforeInteriorExactAndPast) {
    double old_wl[4] = {500, 510, 0, 0};
    int32_t values[4] = {10, 20, 0, 0};
    const double new_wl[4] = {495, 505, 510, 520};
    ASSERT_EQ(velspec_interpolate_int_wavelengths(new_wl, 4, old_wl, values, 2), VELSPEC_OK);
    const int32_t expected[4] = {5, 15, 20, 30};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(values[i], expected[i]) << i;
        EXPECT_EQ(old_wl[i], new_wl[i]) << i;
    }
}

TEST(InterpolateInt, ClampsAndTruncates) {
    // Falling line (500, 10), (510, 2): at 517 the extrapolation is
    // trunc(-8 * 7 / 10) + 2 = -3, stored as 0. At 501 the interior value is
    // 2 - trunc(-8 * 0.9) = 2 + 7 = 9.
    double old_wl[2] = {500, 510};
    int32_t values[2] = {10, 2};
    const double new_wl[2] = {501, 517};
    ASSERT_EQ(velspec_interpolate_int_wavelengths(new_wl, 2, old_wl, values, 2), VELSPEC_OK);
    EXPECT_EQ(values[0], 9);
    EXPECT_EQ(values[1], 0);
}

TEST(InterpolateInt, RefusesBadCountsZeroWavelengthsAndShortTables) {
    double old_wl[3] = {500, 510, 520};
    int32_t values[3] = {1, 2, 3};
    const double zero_in_new[2] = {505, 0.0};
    EXPECT_EQ(velspec_interpolate_int_wavelengths(zero_in_new, 2, old_wl, values, 3),
              VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(values[0], 1);  // unchanged on failure
    EXPECT_EQ(old_wl[0], 500);
    const double one[1] = {505};
    EXPECT_EQ(velspec_interpolate_int_wavelengths(one, 0, old_wl, values, 3), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_interpolate_int_wavelengths(one, 865, old_wl, values, 3), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_interpolate_int_wavelengths(one, 1, old_wl, values, 0), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_interpolate_int_wavelengths(nullptr, 1, old_wl, values, 3), VELSPEC_ERR_NULL);

    // A one-point table has no slope for the end cases.
    const double before[1] = {490}, past[1] = {530}, hit[1] = {500};
    EXPECT_EQ(velspec_interpolate_int_wavelengths(before, 1, old_wl, values, 1), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_interpolate_int_wavelengths(past, 1, old_wl, values, 1), VELSPEC_ERR_BAD_INPUT);
    // A table that ends at a 0.0 wavelength right away has no points at all.
    double empty_wl[2] = {0.0, 510};
    EXPECT_EQ(velspec_interpolate_int_wavelengths(past, 1, empty_wl, values, 2), VELSPEC_ERR_BAD_INPUT);
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
    EXPECT_DOUBLE_EQ(factor[0], 1.0 - (0.01 * 5) / 10);
    EXPECT_DOUBLE_EQ(factor[1], 1.01 - (1.01 - 1.0) * ((1010.0 - 1005) / 10));
    EXPECT_DOUBLE_EQ(factor[2], (1.49 - 1.48) * (1500 - 1490.0) / 10 + 1.49);
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

TEST(ComputeFromReferences, ThreeFormsAndEqualWidths) {
    int32_t out = 0;
    ASSERT_EQ(velspec_compute_from_references(10, 20, 100, 200, 15, &out), VELSPEC_OK);
    EXPECT_EQ(out, 150);
    ASSERT_EQ(velspec_compute_from_references(10, 20, 100, 200, 5, &out), VELSPEC_OK);
    EXPECT_EQ(out, 50);
    ASSERT_EQ(velspec_compute_from_references(10, 20, 100, 200, 25, &out), VELSPEC_OK);
    EXPECT_EQ(out, 250);
    out = 7;
    EXPECT_EQ(velspec_compute_from_references(10, 10, 100, 200, 15, &out), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(out, 7);
}

TEST(ComputeFromReferences, TruncationFollowsTheFormOfTheCase) {
    // Line through (3, 10) and (6, 21): slope 11/3.
    // Inside, from b: 21 - (11 * 2) / 3 = 21 - 7 = 14 at x = 4.
    // Below, from a: 10 - (11 * 2) / 3 = 10 - 7 = 3 at x = 1.
    // Above, from b: (11 * 2) / 3 + 21 = 7 + 21 = 28 at x = 8.
    int32_t out = 0;
    velspec_compute_from_references(3, 6, 10, 21, 4, &out);
    EXPECT_EQ(out, 14);
    velspec_compute_from_references(3, 6, 10, 21, 1, &out);
    EXPECT_EQ(out, 3);
    velspec_compute_from_references(3, 6, 10, 21, 8, &out);
    EXPECT_EQ(out, 28);
    // Reversed widths (a above b), the form the matrix bracket uses.
    velspec_compute_from_references(6, 3, 21, 10, 4, &out);
    EXPECT_EQ(out, 10 - (-11 * -1) / -3);
}

}  // namespace
