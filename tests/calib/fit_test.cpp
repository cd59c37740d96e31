// Quadratic fits, curve selection across rows, and the shift vector.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "velspec_calib.h"

namespace {

TEST(QuadraticFit, ExactOverTheWholeDmdAndGoodnessOfFit) {
    // Normal equations over columns up to 853 are badly scaled; the fitted
    // curve must still match to far below a nanometre.
    const double truth[3] = {900.0, 0.85, 1.0e-4};
    std::vector<double> x, y;
    for (double col = 3.0; col < 854.0; col += 71.5) {
        x.push_back(col);
        y.push_back(truth[0] + truth[1] * col + truth[2] * col * col);
    }
    double c[3], r2 = 0;
    ASSERT_EQ(velspec_calib_genPxToPyCoeffs(static_cast<int32_t>(x.size()), x.data(), y.data(), c, &r2),
              VELSPEC_OK);
    for (double col = 0.0; col <= 853.0; col += 1.0)
        ASSERT_NEAR(c[0] + c[1] * col + c[2] * col * col, truth[0] + truth[1] * col + truth[2] * col * col,
                    1e-6);
    EXPECT_NEAR(r2, 1.0, 1e-12);

    // Exact least squares of this set: 3/7 + 29/35 x, R^2 = 841/1225.
    const double xs[] = {0, 1, 2, 3, 4, 5}, ys[] = {1, 0, 3, 2, 5, 4};
    ASSERT_EQ(velspec_calib_genPxToPyCoeffs(6, xs, ys, c, &r2), VELSPEC_OK);
    EXPECT_NEAR(c[0], 3.0 / 7.0, 1e-9);
    EXPECT_NEAR(c[1], 29.0 / 35.0, 1e-9);
    EXPECT_NEAR(c[2], 0.0, 1e-9);
    EXPECT_NEAR(r2, 841.0 / 1225.0, 1e-9);
}

TEST(QuadraticFit, TooFewPointsFlatOrNonFiniteAreRefused) {
    double c[3] = {7, 7, 7}, r2 = 7;
    const double x3[] = {1, 2, 3}, y3[] = {3, 4, 6}, flat[] = {5, 5, 5};
    const double xSame[] = {1, 1, 2, 2}, bad[] = {1, std::nan(""), 3};
    EXPECT_EQ(velspec_calib_genPxToPyCoeffs(2, x3, y3, c, &r2), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genPxToPyCoeffs(4, xSame, xSame, c, &r2), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genPxToPyCoeffs(3, x3, flat, c, &r2), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genPxToPyCoeffs(3, x3, bad, c, &r2), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genPxToPyCoeffs(3, bad, y3, c, &r2), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genPxToPyCoeffs(3, nullptr, y3, c, &r2), VELSPEC_ERR_NULL);
    EXPECT_EQ(c[0], 7.0);
    EXPECT_EQ(r2, 7.0);

    const double v[] = {2, 4, 4, 4, 5, 5, 7, 9};
    double m = 0, sd = 0;
    ASSERT_EQ(find_mean_and_standard_deviation(v, 8, &m, &sd), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(sd, 2.0);  // population form, divisor n
    EXPECT_EQ(find_mean_and_standard_deviation(v, 0, &m, &sd), VELSPEC_ERR_BAD_INPUT);
}

// positions[r * peaks + p] = base[p] + linear[p] r + quadratic[p] r^2.
std::vector<double> curves(const std::vector<double> &rows, const std::vector<double> &base,
                           const std::vector<double> &linear, const std::vector<double> &quadratic) {
    std::vector<double> m;
    for (double r : rows) {
        for (size_t p = 0; p < base.size(); p++) m.push_back(base[p] + linear[p] * r + quadratic[p] * r * r);
    }
    return m;
}

TEST(CurveCoeffs, FirstTypicalPeakRelativeToRowOne) {
    const std::vector<double> rows{0, 100, 200, 300, 400};
    // Peak 0 bends far more than the others: not representative.
    const std::vector<double> m =
        curves(rows, {50, 300, 550, 800}, {0.01, 0.01, 0.01, 0.01}, {6e-5, 2e-5, 2.01e-5, 2e-5});
    double c[3];
    ASSERT_EQ(velspec_calib_genPxyToCurveCoeffs(m.data(), rows.data(), 4, 5, c), VELSPEC_OK);
    EXPECT_NEAR(c[0], 300.0 - 301.2, 1e-6);  // row 1 of peak 1: 300 + 1 + 0.2
    EXPECT_NEAR(c[1], 0.01, 1e-9);
    EXPECT_NEAR(c[2], 2e-5, 1e-12);

    // A straight slit: every curve identical and flat, still a curve.
    const std::vector<double> flat = curves(rows, {100, 400, 700}, {0, 0, 0}, {0, 0, 0});
    ASSERT_EQ(velspec_calib_genPxyToCurveCoeffs(flat.data(), rows.data(), 3, 5, c), VELSPEC_OK);
    EXPECT_NEAR(std::fabs(c[0]) + std::fabs(c[1]) + std::fabs(c[2]), 0.0, 1e-9);
}

TEST(CurveCoeffs, TooFewRowsOrPeaksAndNoTypicalPeak) {
    const std::vector<double> rows{0, 1, 2, 3};
    std::vector<double> m(16, 1.0);
    double c[3] = {9, 9, 9};
    EXPECT_EQ(velspec_calib_genPxyToCurveCoeffs(m.data(), rows.data(), 3, 2, c), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genPxyToCurveCoeffs(m.data(), rows.data(), 2, 3, c), VELSPEC_ERR_BAD_INPUT);
    m[4] = std::nan("");
    EXPECT_EQ(velspec_calib_genPxyToCurveCoeffs(m.data(), rows.data(), 4, 4, c), VELSPEC_ERR_BAD_INPUT);

    // Each peak is atypical in one term: no curve is chosen, and that is
    // reported rather than passed off as success.
    m = curves(rows, {0, 10, 20, 30}, {0, 1, -1, 0}, {1, 0, 0, -1});
    EXPECT_EQ(velspec_calib_genPxyToCurveCoeffs(m.data(), rows.data(), 4, 4, c), VELSPEC_ERR_FAILED);
    EXPECT_EQ(c[0], 9.0);
}

TEST(ShiftVector, RoundsHalvesAwayFromZeroAndHoldsTheInt8Range) {
    int8_t s[4];
    const double up[3] = {0.5, 0, 0}, down[3] = {-0.5, 0, 0}, poly[3] = {1.0, -1.0, 0.25};
    const double big[3] = {0, 100, 0}, small[3] = {0, -100, 0}, bad[3] = {0, std::nan(""), 0};
    ASSERT_EQ(velspec_calib_genShiftVector(up, 4, s), VELSPEC_OK);
    EXPECT_EQ(s[3], 1);
    ASSERT_EQ(velspec_calib_genShiftVector(down, 4, s), VELSPEC_OK);
    EXPECT_EQ(s[0], -1);
    ASSERT_EQ(velspec_calib_genShiftVector(poly, 4, s), VELSPEC_OK);  // 1, 0.25, 0, 0.25
    EXPECT_EQ(std::vector<int>(s, s + 4), (std::vector<int>{1, 0, 0, 0}));
    ASSERT_EQ(velspec_calib_genShiftVector(big, 4, s), VELSPEC_OK);
    EXPECT_EQ(std::vector<int>(s, s + 4), (std::vector<int>{0, 100, 127, 127}));
    ASSERT_EQ(velspec_calib_genShiftVector(small, 4, s), VELSPEC_OK);
    EXPECT_EQ(s[3], -128);
    EXPECT_EQ(velspec_calib_genShiftVector(bad, 4, s), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genShiftVector(up, 0, s), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genShiftVector(up, 4, nullptr), VELSPEC_ERR_NULL);
}

}  // namespace
