// Quadratic fits, mean and deviation, curve selection across rows, and the
// shift vector.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "velspec_calib.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(QuadraticFit, RecoversAnExactQuadraticOverTheWholeDmd)
{
    const double truth[3] = {900.0, 0.85, 1.0e-4};
    std::vector<double> x, y;
    for (double c = 3.0; c < 854.0; c += 71.5) {
        x.push_back(c);
        y.push_back(truth[0] + truth[1] * c + truth[2] * c * c);
    }
    double coeffs[3], r2 = 0;
    ASSERT_EQ(velspec_calib_genPxToPyCoeffs(static_cast<int32_t>(x.size()), x.data(), y.data(), coeffs, &r2),
              VELSPEC_OK);
    for (double c = 0.0; c <= 853.0; c += 1.0) {
        const double fitted = coeffs[0] + coeffs[1] * c + coeffs[2] * c * c;
        ASSERT_NEAR(fitted, truth[0] + truth[1] * c + truth[2] * c * c, 1e-6) << c;
    }
    EXPECT_NEAR(r2, 1.0, 1e-12);
}

TEST(QuadraticFit, GoodnessOfFitOfNoisyLine)
{
    // y = x with residuals +1, -1, +1, -1, ... about a straight line.
    std::vector<double> x{0, 1, 2, 3, 4, 5}, y{1, 0, 3, 2, 5, 4};
    double c[3], r2;
    ASSERT_EQ(velspec_calib_genPxToPyCoeffs(6, x.data(), y.data(), c, &r2), VELSPEC_OK);
    // Exact least squares: y = 3/7 + 29/35 x + 0 x^2, SSres 192/35, SStot 35/2.
    EXPECT_NEAR(c[0], 3.0 / 7.0, 1e-9);
    EXPECT_NEAR(c[1], 29.0 / 35.0, 1e-9);
    EXPECT_NEAR(c[2], 0.0, 1e-9);
    EXPECT_NEAR(r2, 841.0 / 1225.0, 1e-9);
}

TEST(QuadraticFit, TooFewPointsFlatOrNonFiniteAreRefused)
{
    double c[3] = {7, 7, 7}, r2 = 7;
    const double x2[] = {1, 2}, y2[] = {3, 4};
    EXPECT_EQ(velspec_calib_genPxToPyCoeffs(2, x2, y2, c, &r2), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genPxToPyCoeffs(0, x2, y2, c, &r2), VELSPEC_ERR_BAD_INPUT);
    const double xSame[] = {1, 1, 2, 2}, y4[] = {1, 2, 3, 4};
    EXPECT_EQ(velspec_calib_genPxToPyCoeffs(4, xSame, y4, c, &r2), VELSPEC_ERR_BAD_INPUT);
    const double x3[] = {1, 2, 3}, flat[] = {5, 5, 5};
    EXPECT_EQ(velspec_calib_genPxToPyCoeffs(3, x3, flat, c, &r2), VELSPEC_ERR_BAD_INPUT);
    const double bad[] = {1, kNaN, 3};
    EXPECT_EQ(velspec_calib_genPxToPyCoeffs(3, x3, bad, c, &r2), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genPxToPyCoeffs(3, bad, y4, c, &r2), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genPxToPyCoeffs(3, nullptr, y4, c, &r2), VELSPEC_ERR_NULL);
    EXPECT_EQ(c[0], 7.0); // nothing written on failure
    EXPECT_EQ(r2, 7.0);
}

TEST(MeanAndDeviation, PopulationForm)
{
    const double v[] = {2, 4, 4, 4, 5, 5, 7, 9};
    double m = 0, sd = 0;
    ASSERT_EQ(find_mean_and_standard_deviation(v, 8, &m, &sd), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(m, 5.0);
    EXPECT_DOUBLE_EQ(sd, 2.0);
    EXPECT_EQ(find_mean_and_standard_deviation(v, 0, &m, &sd), VELSPEC_ERR_BAD_INPUT);
}

// Peak p at row r lies at base[p] + bend(r) + wobble[p] * r^2.
std::vector<double> peakMatrix(const std::vector<double> &rows, const std::vector<double> &base,
                               const std::vector<double> &wobble)
{
    std::vector<double> m;
    for (double r : rows) {
        for (size_t p = 0; p < base.size(); p++)
            m.push_back(base[p] + 0.01 * r + 2e-5 * r * r + wobble[p] * r * r);
    }
    return m;
}

TEST(CurveCoeffs, PicksTheFirstTypicalPeakRelativeToRowOne)
{
    const std::vector<double> rows{0, 100, 200, 300, 400};
    // Peak 0 bends far more than the others, so it is not representative.
    const std::vector<double> base{50, 300, 550, 800};
    const std::vector<double> m = peakMatrix(rows, base, {4e-5, 0, 1e-7, 0});
    double c[3];
    ASSERT_EQ(velspec_calib_genPxyToCurveCoeffs(m.data(), rows.data(), 4, 5, c), VELSPEC_OK);
    // Peak 1: f = 300 + 0.01 r + 2e-5 r^2; its row-1 position is 300 + 1 + 0.2.
    EXPECT_NEAR(c[0], 300.0 - 301.2, 1e-6);
    EXPECT_NEAR(c[1], 0.01, 1e-9);
    EXPECT_NEAR(c[2], 2e-5, 1e-12);
}

TEST(CurveCoeffs, StraightOrIdenticalCurvesStillGiveACurve)
{
    const std::vector<double> rows{0, 160, 320, 479};
    // Every peak at the same column on every row: a straight slit.
    std::vector<double> m;
    for (size_t r = 0; r < rows.size(); r++) {
        for (double base : {100.0, 400.0, 700.0})
            m.push_back(base);
    }
    double c[3] = {9, 9, 9};
    ASSERT_EQ(velspec_calib_genPxyToCurveCoeffs(m.data(), rows.data(), 3, 4, c), VELSPEC_OK);
    EXPECT_NEAR(c[0], 0.0, 1e-9);
    EXPECT_NEAR(c[1], 0.0, 1e-12);
    EXPECT_NEAR(c[2], 0.0, 1e-15);
}

TEST(CurveCoeffs, TooFewRowsOrPeaksAndNoTypicalPeak)
{
    const std::vector<double> rows{0, 100, 200};
    std::vector<double> m(9, 1.0);
    double c[3] = {9, 9, 9};
    EXPECT_EQ(velspec_calib_genPxyToCurveCoeffs(m.data(), rows.data(), 3, 2, c), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genPxyToCurveCoeffs(m.data(), rows.data(), 2, 3, c), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genPxyToCurveCoeffs(nullptr, rows.data(), 3, 3, c), VELSPEC_ERR_NULL);
    m[4] = kNaN;
    EXPECT_EQ(velspec_calib_genPxyToCurveCoeffs(m.data(), rows.data(), 3, 3, c), VELSPEC_ERR_BAD_INPUT);

    // Every peak is atypical in one term: peak 0 bends most quadratically,
    // peak 3 least, peaks 1 and 2 have the extreme linear terms.
    const std::vector<double> rows4{0, 1, 2, 3};
    const double f1[] = {0, 1, -1, 0}, f2[] = {1, 0, 0, -1};
    std::vector<double> m4;
    for (double r : rows4) {
        for (int p = 0; p < 4; p++)
            m4.push_back(10.0 * p + f1[p] * r + f2[p] * r * r);
    }
    EXPECT_EQ(velspec_calib_genPxyToCurveCoeffs(m4.data(), rows4.data(), 4, 4, c), VELSPEC_ERR_FAILED);
    EXPECT_EQ(c[0], 9.0);
}

TEST(ShiftVector, RoundsHalvesAwayFromZeroAndHoldsTheInt8Range)
{
    int8_t s[4];
    const double up[3] = {0.5, 0, 0}, down[3] = {-0.5, 0, 0};
    ASSERT_EQ(velspec_calib_genShiftVector(up, 4, s), VELSPEC_OK);
    EXPECT_EQ(s[3], 1);
    ASSERT_EQ(velspec_calib_genShiftVector(down, 4, s), VELSPEC_OK);
    EXPECT_EQ(s[0], -1);
    const double poly[3] = {1.0, -1.0, 0.25}; // 1, 0.25, 0, 0.25
    ASSERT_EQ(velspec_calib_genShiftVector(poly, 4, s), VELSPEC_OK);
    EXPECT_EQ(std::vector<int>(s, s + 4), (std::vector<int>{1, 0, 0, 0}));
    const double big[3] = {0, 100, 0}, small[3] = {0, -100, 0};
    ASSERT_EQ(velspec_calib_genShiftVector(big, 4, s), VELSPEC_OK);
    EXPECT_EQ(std::vector<int>(s, s + 4), (std::vector<int>{0, 100, 127, 127}));
    ASSERT_EQ(velspec_calib_genShiftVector(small, 4, s), VELSPEC_OK);
    EXPECT_EQ(s[3], -128);
    const double bad[3] = {0, kNaN, 0};
    EXPECT_EQ(velspec_calib_genShiftVector(bad, 4, s), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genShiftVector(up, 0, s), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genShiftVector(up, 4, nullptr), VELSPEC_ERR_NULL);
}

} // namespace
