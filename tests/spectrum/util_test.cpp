// Column and wavelength conversions.
#include <gtest/gtest.h>

#include <cmath>

#include "velspec_util.h"

namespace {

TEST(NmToColumn, LinearCalibration) {
    const double c[3] = {900.0, 2.0, 0.0};
    double x = -1.0;
    EXPECT_EQ(velspec_util_nmToColumn(1000.0, c, &x), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(x, 50.0);
    // The linear solution is returned even outside the DMD.
    EXPECT_EQ(velspec_util_nmToColumn(3000.0, c, &x), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(x, 1050.0);
    const double flat[3] = {900.0, 0.0, 0.0};
    EXPECT_EQ(velspec_util_nmToColumn(1000.0, flat, &x), VELSPEC_ERR_BAD_INPUT);
}

TEST(NmToColumn, QuadraticRoots) {
    // (x - 100)(x - 500) = x^2 - 600x + 50000: wavelength 0 at columns 100
    // and 500, both on the DMD; the root (sqrt(d) - c1) / (2 c2) is 500.
    const double both[3] = {50000.0, -600.0, 1.0};
    double x = -1.0;
    EXPECT_EQ(velspec_util_nmToColumn(0.0, both, &x), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(x, 500.0);
    // Roots at 100 and 1000: the preferred one is off the DMD, so the other
    // is taken.
    const double second[3] = {100000.0, -1100.0, 1.0};
    EXPECT_EQ(velspec_util_nmToColumn(0.0, second, &x), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(x, 100.0);
    // Roots at 1000 and 2000: neither on the DMD; output untouched.
    const double outside[3] = {2000000.0, -3000.0, 1.0};
    x = 7.0;
    EXPECT_EQ(velspec_util_nmToColumn(0.0, outside, &x), VELSPEC_ERR_FAILED);
    EXPECT_EQ(x, 7.0);
    // No real root at all.
    const double none[3] = {100.0, 0.0, 1.0};
    EXPECT_EQ(velspec_util_nmToColumn(0.0, none, &x), VELSPEC_ERR_FAILED);
    EXPECT_EQ(velspec_util_nmToColumn(0.0, nullptr, &x), VELSPEC_ERR_NULL);
}

TEST(ColumnToNm, QuadraticAndBandSpan) {
    const double c[3] = {1720.0, -0.95, 0.0001};
    double nm = 0.0;
    EXPECT_EQ(velspec_util_columnToNm(100.0, c, &nm), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(nm, 1720.0 + (0.0001 * 100 * 100 + -0.95 * 100));
    // Span of 10 columns from column 426: |w(436) - w(426)| = 8.638,
    // truncated to whole nanometres.
    double span = 0.0;
    EXPECT_EQ(velspec_util_columnToNmDistance(10.0, c, &span), VELSPEC_OK);
    EXPECT_EQ(span, 8.0);
    EXPECT_EQ(velspec_util_columnToNmDistance(10.0, nullptr, &span), VELSPEC_ERR_NULL);
}

TEST(ColumnToNm, HugeSpanSaturatesInsteadOfOverflowing) {
    const double c[3] = {0.0, 1e300, 0.0};
    double span = 0.0;
    EXPECT_EQ(velspec_util_columnToNmDistance(10.0, c, &span), VELSPEC_OK);
    EXPECT_EQ(span, 2147483647.0);
}

}  // namespace
