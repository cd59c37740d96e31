// Peak location and width: the worked numbers, peak finding on shaped data,
// and refusal of degenerate, too short or non-finite input.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "velspec_calib.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(FindPeaks3, VertexOffsetOrRefusal)
{
    double d = 99.0;
    EXPECT_EQ(velspec_calib_findPeaks3(1, 3, 2, &d), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(d, 1.0 / 6.0);
    EXPECT_EQ(velspec_calib_findPeaks3(1, 1, 1, &d), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(d, 0.0);
    d = 99.0;
    EXPECT_EQ(velspec_calib_findPeaks3(3, 1, 2, &d), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(d, 0.0);
    EXPECT_EQ(velspec_calib_findPeaks3(1, kNaN, 2, &d), VELSPEC_ERR_BAD_INPUT);
}

TEST(FindPeakInterp, ParabolaVertexAndCurvature)
{
    double xp = 0, yp = 0, k = 0;
    EXPECT_EQ(velspec_calib_findPeakInterp(0, 1, 2, 0, 1, 0, &xp, &yp, &k), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(k, -2.0);
    EXPECT_DOUBLE_EQ(xp, 1.0);
    EXPECT_DOUBLE_EQ(yp, 1.0);

    // Off-centre vertex: y = -(x - 1.25)^2 sampled at 0, 1, 2.
    auto f = [](double x) { return -(x - 1.25) * (x - 1.25); };
    EXPECT_EQ(velspec_calib_findPeakInterp(0, 1, 2, f(0), f(1), f(2), &xp, &yp, &k), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(xp, 1.25);
    EXPECT_NEAR(yp, 0.0, 1e-12);

    xp = yp = k = 42.0;
    EXPECT_EQ(velspec_calib_findPeakInterp(1, 1, 2, 0, 1, 0, &xp, &yp, &k), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(k, 42.0); // untouched
    EXPECT_EQ(velspec_calib_findPeakInterp(0, 1, 2, 0, 1, 2, &xp, &yp, &k), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(k, 0.0); // a straight line: curvature written, no vertex
    // Vertex outside the samples: written, but refused.
    EXPECT_EQ(velspec_calib_findPeakInterp(0, 1, 2, f(3), f(4), f(5), &xp, &yp, &k),
              VELSPEC_ERR_BAD_INPUT);
}

TEST(PeakWidth, WorkedExample)
{
    const double y[] = {0, 2, 4, 2, 0};
    int32_t a = 0;
    double w = 0;
    ASSERT_EQ(velspec_calib_getFWHM(y, 5, 2, &a, &w), VELSPEC_OK);
    EXPECT_EQ(a, 3);
    EXPECT_DOUBLE_EQ(w, 1.0);

    double left = 0, right = 0;
    ASSERT_EQ(velspec_calib_get_halfmax_loc(y, 5, 2, &left, &right), VELSPEC_OK);
    EXPECT_DOUBLE_EQ(left, 1.5);
    EXPECT_DOUBLE_EQ(right, 3.0);
}

TEST(PeakWidth, NoCrossingReachesTheEnds)
{
    // Flat on the right: no sample falls below half, so the right distance
    // runs to the last index.
    const double y[] = {0, 10, 20, 20, 20};
    int32_t a = 0;
    double w = 0;
    ASSERT_EQ(velspec_calib_getFWHM(y, 5, 2, &a, &w), VELSPEC_OK);
    EXPECT_EQ(a, 5); // dropL 10 (index 0 not visited), dropR 0
    EXPECT_DOUBLE_EQ(w, 0.2 + 2.0); // left crossing 0.2 from the peak
}

TEST(PeakWidth, RefusesBadArguments)
{
    const double y[] = {0, 2, 4, 2, 0};
    const double bad[] = {0, 2, kNaN, 2, 0};
    const double huge[] = {0, 1e10, -1e10}; // amplitude beyond int32
    int32_t a;
    double w, l, r;
    EXPECT_EQ(velspec_calib_getFWHM(nullptr, 5, 2, &a, &w), VELSPEC_ERR_NULL);
    EXPECT_EQ(velspec_calib_getFWHM(y, 5, 5, &a, &w), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_getFWHM(y, 5, -1, &a, &w), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_getFWHM(y, 0, 0, &a, &w), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_getFWHM(bad, 5, 1, &a, &w), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_getFWHM(huge, 3, 1, &a, &w), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_get_halfmax_loc(y, 5, 2, nullptr, &r), VELSPEC_ERR_NULL);
    EXPECT_EQ(velspec_calib_get_halfmax_loc(y, -3, 0, &l, &r), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_get_halfmax_loc(bad, 5, 1, &l, &r), VELSPEC_ERR_BAD_INPUT);
}

std::vector<double> gaussians(int32_t n, const std::vector<double> &centres, double sigma)
{
    std::vector<double> y(n, 0.0);
    for (int32_t i = 0; i < n; i++) {
        for (double c : centres)
            y[i] += 1000.0 * std::exp(-(i - c) * (i - c) / (2 * sigma * sigma));
    }
    return y;
}

TEST(FindPeaks, FindsEverySeparatedPeak)
{
    // findPeaks does not report a peak among the last slope changes, so the
    // data runs on past the last peak with a small ripple.
    std::vector<double> y = gaussians(120, {15, 40, 70, 95}, 3.0);
    for (int32_t i = 0; i < 120; i++)
        y[i] += (i % 2) * 0.5;
    std::vector<int32_t> peaks(120);
    const int32_t count = velspec_calib_findPeaks(y.data(), 120, 4.0, peaks.data());
    ASSERT_EQ(count, 4);
    EXPECT_EQ(std::vector<int32_t>(peaks.begin(), peaks.begin() + 4), (std::vector<int32_t>{15, 40, 70, 95}));
}

TEST(FindPeaks, ShortFlatOrBadInput)
{
    std::vector<int32_t> peaks(16);
    const double five[] = {0, 5, 0, 5, 0};
    EXPECT_EQ(velspec_calib_findPeaks(five, 5, 2.0, peaks.data()), VELSPEC_ERR_FAILED);
    const double flat[8] = {};
    EXPECT_EQ(velspec_calib_findPeaks(flat, 8, 2.0, peaks.data()), VELSPEC_ERR_FAILED);
    EXPECT_EQ(velspec_calib_findPeaks(five, 0, 2.0, peaks.data()), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_findPeaks(five, 5, -1.0, peaks.data()), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_findPeaks(five, 5, kNaN, peaks.data()), VELSPEC_ERR_BAD_INPUT);
    const double bad[] = {0, 5, 0, kNaN, 0, 5, 0, 5};
    EXPECT_EQ(velspec_calib_findPeaks(bad, 8, 2.0, peaks.data()), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_calib_findPeaks(nullptr, 5, 2.0, peaks.data()), VELSPEC_ERR_NULL);
}

} // namespace
