// Column and wavelength conversions.
#include <gtest/gtest.h>

#include <cmath>

#include "velspec_util.h"

namespace {

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
