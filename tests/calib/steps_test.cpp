// The steps of a calibration: peak vertex, width and finding; quadratic
// fits, the bend curve chosen across rows, and the per-row shift vector.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "velspec_calib.h"

namespace {

using testing::DoubleNear;
using testing::ElementsAre;
using testing::ElementsAreArray;

const double kNaN = std::nan("");

TEST(Peaks, VertexAndWidthOfAPeak) {
    double d = 99.0, xp = 0, yp = 0, k = 0;
    EXPECT_EQ(velspec_calib_findPeaks3(1, 3, 2, &d), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(d, 1.0 / 6.0);
    EXPECT_EQ(velspec_calib_findPeaks3(1, 1, 1, &d), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_findPeaks3(3, 1, 2, &d), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(d, 0.0);

    auto f = [](double x) { return 5.0 - (x - 1.25) * (x - 1.25); };
    EXPECT_EQ(velspec_calib_findPeakInterp(0, 1, 2, f(0), f(1), f(2), &xp, &yp, &k), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(xp, 1.25);
    EXPECT_DOUBLE_EQ(yp, 5.0);
    EXPECT_DOUBLE_EQ(k, -2.0);
    k = 42.0;
    EXPECT_EQ(velspec_calib_findPeakInterp(1, 1, 2, 0, 1, 0, &xp, &yp, &k), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(k, 42.0);  // coinciding abscissae: nothing written
    EXPECT_EQ(velspec_calib_findPeakInterp(0, 1, 2, 0, 1, 2, &xp, &yp, &k), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(k, 0.0);  // straight: curvature written
    EXPECT_EQ(velspec_calib_findPeakInterp(0, 1, 2, f(3), f(4), f(5), &xp, &yp, &k), VELSPEC_ERR_BAD_INPUT);

    const double y[] = {0, 2, 4, 2, 0}, shoulder[] = {0, 10, 20, 20, 20}, bad[] = {0, 2, kNaN, 2, 0};
    const double huge[] = {0, 1e10, -1e10};  // amplitude beyond int32
    int32_t a = 0;
    double w = 0, left = 0, right = 0;
    ASSERT_EQ(velspec_calib_getFWHM(y, 5, 2, &a, &w), VELSPEC_OK);
    EXPECT_EQ(a, 3);
    EXPECT_DOUBLE_EQ(w, 1.0);
    ASSERT_EQ(velspec_calib_get_halfmax_loc(y, 5, 2, &left, &right), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(left, 1.5);
    EXPECT_DOUBLE_EQ(right, 3.0);
    // Flat on the right: no crossing there, the width runs to the last index.
    ASSERT_EQ(velspec_calib_getFWHM(shoulder, 5, 2, &a, &w), VELSPEC_OK);
    EXPECT_EQ(a, 5);
    EXPECT_DOUBLE_EQ(w, 0.2 + 2.0);

    EXPECT_EQ(velspec_calib_getFWHM(nullptr, 5, 2, &a, &w), VELSPEC_ERR_NULL);
    EXPECT_EQ(velspec_calib_getFWHM(y, 5, 5, &a, &w), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_getFWHM(y, 5, -1, &a, &w), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_getFWHM(bad, 5, 1, &a, &w), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_getFWHM(huge, 3, 1, &a, &w), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_get_halfmax_loc(y, 5, 2, nullptr, &right), VELSPEC_ERR_NULL);
}

TEST(Peaks, SeparatedPeaksShortFlatAndBadInput) {
    // A ripple runs on past the last peak: none is reported at its last turn.
    std::vector<double> y(120);
    for (int32_t i = 0; i < 120; i++) {
        for (double c : {15, 40, 70, 95}) y[i] += 1000.0 * std::exp(-(i - c) * (i - c) / 18.0);
        y[i] += (i % 2) * 0.5;
    }
    std::vector<int32_t> peaks(120);
    ASSERT_EQ(velspec_calib_findPeaks(y.data(), 120, 4.0, peaks.data()), 4);
    EXPECT_EQ(std::vector<int32_t>(peaks.begin(), peaks.begin() + 4), (std::vector<int32_t>{15, 40, 70, 95}));

    const double five[] = {0, 5, 0, 5, 0}, flat[8] = {}, bad[] = {0, 5, 0, kNaN, 0, 5, 0, 5};
    EXPECT_EQ(velspec_calib_findPeaks(five, 5, 2.0, peaks.data()), VELSPEC_ERR_FAILED);
    EXPECT_EQ(velspec_calib_findPeaks(flat, 8, 2.0, peaks.data()), VELSPEC_ERR_FAILED);
    EXPECT_EQ(velspec_calib_findPeaks(five, 0, 2.0, peaks.data()), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_findPeaks(five, 5, -1.0, peaks.data()), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_findPeaks(five, 5, kNaN, peaks.data()), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_findPeaks(bad, 8, 2.0, peaks.data()), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_findPeaks(nullptr, 5, 2.0, peaks.data()), VELSPEC_ERR_NULL);
}

double Quadratic(const double c[3], double x) { return c[0] + c[1] * x + c[2] * x * x; }

TEST(QuadraticFit, ExactOverTheWholeDmdGoodnessOfFitAndRefusals) {
    // Badly scaled normal equations over columns up to 853: still far below 1 nm.
    const double truth[3] = {900.0, 0.85, 1.0e-4};
    std::vector<double> x, y;
    for (double col = 3.0; col < 854.0; col += 71.5) x.push_back(col), y.push_back(Quadratic(truth, col));
    double c[3], r2 = 0;
    ASSERT_EQ(velspec_calib_genPxToPyCoeffs(int32_t(x.size()), x.data(), y.data(), c, &r2), VELSPEC_OK);
    for (double col = 0.0; col <= 853.0; col += 1.0)
        ASSERT_NEAR(Quadratic(c, col), Quadratic(truth, col), 1e-6);
    EXPECT_NEAR(r2, 1.0, 1e-12);
    // Exact least squares of this set: 3/7 + 29/35 x, R^2 = 841/1225.
    const double xs[] = {0, 1, 2, 3, 4, 5}, ys[] = {1, 0, 3, 2, 5, 4};
    ASSERT_EQ(velspec_calib_genPxToPyCoeffs(6, xs, ys, c, &r2), VELSPEC_OK);
    EXPECT_THAT(c, ElementsAre(DoubleNear(3.0 / 7, 1e-9), DoubleNear(29.0 / 35, 1e-9), DoubleNear(0, 1e-9)));
    EXPECT_NEAR(r2, 841.0 / 1225.0, 1e-9);

    // Too few points, one abscissa, flat, non-finite or missing: untouched.
    c[0] = r2 = 7;
    const double x3[] = {1, 2, 3}, y3[] = {3, 4, 6}, flat[] = {5, 5, 5};
    const double same[] = {1, 1, 2, 2}, bad[] = {1, kNaN, 3};
    EXPECT_EQ(velspec_calib_genPxToPyCoeffs(2, x3, y3, c, &r2), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genPxToPyCoeffs(4, same, same, c, &r2), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genPxToPyCoeffs(3, x3, flat, c, &r2), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genPxToPyCoeffs(3, x3, bad, c, &r2), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genPxToPyCoeffs(3, bad, y3, c, &r2), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genPxToPyCoeffs(3, nullptr, y3, c, &r2), VELSPEC_ERR_NULL);
    EXPECT_EQ(c[0], 7.0);
    EXPECT_EQ(r2, 7.0);

    const double v[] = {2, 4, 4, 4, 5, 5, 7, 9};
    double mean = 0, sd = 0;
    ASSERT_EQ(find_mean_and_standard_deviation(v, 8, &mean, &sd), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(sd, 2.0);  // population form, divisor n
    EXPECT_EQ(find_mean_and_standard_deviation(v, 0, &mean, &sd), VELSPEC_ERR_BAD_INPUT);
}

// positions[r * peaks + p] = base[p] + linear[p] r + quadratic[p] r^2.
std::vector<double> Curves(const std::vector<double> &rows, const std::vector<double> &base,
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
    std::vector<double> m =
        Curves(rows, {50, 300, 550, 800}, {.01, .01, .01, .01}, {6e-5, 2e-5, 2.01e-5, 2e-5});
    double c[3] = {9, 9, 9};
    ASSERT_EQ(velspec_calib_genPxyToCurveCoeffs(m.data(), rows.data(), 4, 5, c), VELSPEC_OK);
    // Row 1 of peak 1 lies at 300 + 1 + 0.2.
    EXPECT_THAT(c, ElementsAre(DoubleNear(-1.2, 1e-6), DoubleNear(0.01, 1e-9), DoubleNear(2e-5, 1e-12)));
    // A straight slit: every curve identical and flat, still a curve.
    m = Curves(rows, {100, 400, 700}, {0, 0, 0}, {0, 0, 0});
    ASSERT_EQ(velspec_calib_genPxyToCurveCoeffs(m.data(), rows.data(), 3, 5, c), VELSPEC_OK);
    EXPECT_THAT(c, ElementsAre(DoubleNear(0, 1e-9), DoubleNear(0, 1e-9), DoubleNear(0, 1e-9)));

    // Too few rows or peaks, a non-finite position; each peak atypical in one
    // term: no curve is chosen, and that is reported, not passed off.
    m.assign(16, 1.0);
    EXPECT_EQ(velspec_calib_genPxyToCurveCoeffs(m.data(), rows.data(), 3, 2, c), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genPxyToCurveCoeffs(m.data(), rows.data(), 2, 3, c), VELSPEC_ERR_BAD_INPUT);
    m[4] = kNaN;
    EXPECT_EQ(velspec_calib_genPxyToCurveCoeffs(m.data(), rows.data(), 4, 4, c), VELSPEC_ERR_BAD_INPUT);
    const std::vector<double> four{0, 1, 2, 3};
    m = Curves(four, {0, 10, 20, 30}, {0, 1, -1, 0}, {1, 0, 0, -1});
    c[0] = 9;
    EXPECT_EQ(velspec_calib_genPxyToCurveCoeffs(m.data(), four.data(), 4, 4, c), VELSPEC_ERR_FAILED);
    EXPECT_EQ(c[0], 9.0);
}

TEST(ShiftVector, RoundsHalvesAwayFromZeroAndHoldsTheInt8Range) {
    const struct {
        double coeffs[3];
        std::vector<int8_t> shift;
    } cases[] = {
        {{0.5, 0, 0}, {1, 1, 1, 1}},         {{-0.5, 0, 0}, {-1, -1, -1, -1}},
        {{1, -1, 0.25}, {1, 0, 0, 0}},  // 1, 0.25, 0, 0.25
        {{0, 127.5, 0}, {0, 127, 127, 127}}, {{0, -100, 0}, {0, -100, -128, -128}},
    };
    int8_t s[4];
    for (const auto &c : cases) {
        ASSERT_EQ(velspec_calib_genShiftVector(c.coeffs, 4, s), VELSPEC_OK);
        EXPECT_THAT(s, ElementsAreArray(c.shift));
    }
    const double bad[3] = {0, kNaN, 0};
    EXPECT_EQ(velspec_calib_genShiftVector(bad, 4, s), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genShiftVector(cases[0].coeffs, 0, s), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_genShiftVector(cases[0].coeffs, 4, nullptr), VELSPEC_ERR_NULL);
}

}  // namespace
