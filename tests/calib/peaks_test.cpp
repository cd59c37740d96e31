// Peak finding: vertex and width of a peak in worked numbers, peaks of shaped
// data, and refusal of degenerate, too short or non-finite input.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "velspec_calib.h"

namespace {

const double kNaN = std::nan("");

TEST(Peaks, VertexFromThreeSamplesOrThreePoints) {
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
}

TEST(Peaks, WidthAtHalfMaximum) {
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
    EXPECT_EQ(velspec_calib_get_halfmax_loc(y, 0, 0, &left, &right), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_get_halfmax_loc(bad, 5, 1, &left, &right), VELSPEC_ERR_BAD_INPUT);
}

TEST(Peaks, SeparatedPeaksShortFlatAndBadInput) {
    // A small ripple runs on past the last peak: no peak is reported at the
    // last change of slope.
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

}  // namespace
