// Calibration against truth: calibration scans synthesised from known
// coefficients (Gaussian emission lines seen through 5-column bands, a bent
// slit image, noise) must give back the column-to-wavelength curve and the
// shift vector.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "velspec_calib.h"

namespace {

constexpr double kTruth[3] = {900.0, 0.85, 1.0e-4};  // 900 .. 1698 nm over the DMD
constexpr int32_t kBandWidth = 5;
constexpr int32_t kSamples = 854 - kBandWidth + 1;  // bands at columns 0 .. 849
const std::vector<double> kLinesNm{912.3,  987.6,  1064.1, 1152.7, 1229.4, 1301.1,
                                   1368.0, 1447.2, 1529.5, 1612.8, 1686.0};

double truthNm(double column) { return kTruth[0] + kTruth[1] * column + kTruth[2] * column * column; }

// Sideways displacement of the slit image on a DMD row, in columns; zero on
// the reference row 240.
double bend(double row, double linear, double quadratic) {
    return linear * (row - 240.0) + quadratic * (row - 240.0) * (row - 240.0);
}

struct Synthetic {
    std::vector<double> rows;
    std::vector<double> readings;
};

// One scan per row: reading i sums the lines' light over the band's five
// columns, the slit image displaced by the row's bend.
Synthetic synthesise(const std::vector<double> &rows, double linear, double quadratic, double noise,
                     uint32_t seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> gauss(0.0, noise);
    const double sigmaNm = 1.6;
    Synthetic s{rows, {}};
    for (double row : rows) {
        const double shift = bend(row, linear, quadratic);
        for (int32_t i = 0; i < kSamples; i++) {
            double sum = 20.0;  // stray light
            for (int32_t col = i; col < i + kBandWidth; col++) {
                const double nm = truthNm(col - shift);
                for (size_t k = 0; k < kLinesNm.size(); k++) {
                    const double d = nm - kLinesNm[k];
                    sum += (600.0 + 90.0 * k) * std::exp(-d * d / (2 * sigmaNm * sigmaNm));
                }
            }
            s.readings.push_back(sum + gauss(rng));
        }
    }
    return s;
}

calibScanSet scansOf(const Synthetic &s) {
    calibScanSet scans{};
    scans.readings = s.readings.data();
    scans.num_samples = kSamples;
    scans.num_rows = static_cast<int32_t>(s.rows.size());
    scans.row_coords = s.rows.data();
    scans.first_column = (kBandWidth - 1) / 2.0;
    scans.column_step = 1.0;
    scans.line_nm = kLinesNm.data();
    scans.num_lines = static_cast<int32_t>(kLinesNm.size());
    return scans;
}

// Largest wavelength error over the columns that see 900 to 1700 nm.
double worstNmError(const calibCoeffSet &c) {
    double worst = 0.0;
    for (double col = 0.0; col <= 853.0; col += 0.5) {
        if (truthNm(col) < 900.0 || truthNm(col) > 1700.0) continue;
        const double *p = c.pixel_to_wavelength_coeffs;
        worst = std::fmax(worst, std::fabs(p[0] + p[1] * col + p[2] * col * col - truthNm(col)));
    }
    return worst;
}

TEST(CalibrationTruth, RecoversCurveAndBendFromNoisyScans) {
    const double linear = 0.004, quadratic = 4.0e-5;  // 3.3 columns at the bottom row
    for (uint32_t seed : {1u, 2u, 3u, 4u, 5u}) {
        const Synthetic s = synthesise({40, 240, 120, 360, 470}, linear, quadratic, 3.0, seed);
        const calibScanSet scans = scansOf(s);
        calibCoeffSet c{};
        double r2 = 0.0;
        ASSERT_EQ(velspec_calib_genCoeffSet(&scans, &c, &r2), VELSPEC_OK) << seed;
        EXPECT_LT(worstNmError(c), 0.1) << seed;
        EXPECT_GT(r2, 0.999999);

        std::vector<int8_t> shift(480);
        ASSERT_EQ(velspec_calib_genShiftVector(c.shift_vector_coeffs, 480, shift.data()), VELSPEC_OK);
        for (int32_t r = 0; r < 480; r++)
            ASSERT_LE(std::fabs(shift[r] - bend(r, linear, quadratic)), 1.0)
                << "row " << r << " seed " << seed;
    }
}

// One row: the curve alone, and no bend to fit.
TEST(CalibrationTruth, SingleRow) {
    const Synthetic s = synthesise({240}, 0.0, 0.0, 0.0, 9);
    const calibScanSet scans = scansOf(s);
    calibCoeffSet c{};
    ASSERT_EQ(velspec_calib_genCoeffSet(&scans, &c, nullptr), VELSPEC_OK);
    EXPECT_LT(worstNmError(c), 0.1);
    EXPECT_EQ(c.shift_vector_coeffs[2], 0.0);
}

TEST(CalibrationTruth, UnusableInputIsRefused) {
    const Synthetic s = synthesise({0, 240, 479}, 0.0, 0.0, 1.0, 3);
    const calibScanSet good = scansOf(s);
    calibCoeffSet c{};
    c.pixel_to_wavelength_coeffs[0] = 42.0;

    const std::vector<double> unordered{1000.0, 990.0, 1200.0};
    std::vector<double> many(40);  // more lines expected than the scans show
    for (size_t k = 0; k < many.size(); k++) many[k] = 900.0 + 20.0 * k;
    std::vector<double> broken = s.readings;
    broken[500] = std::nan("");
    const struct {
        const char *what;
        std::function<void(calibScanSet &)> spoil;
        int32_t status;
    } cases[] = {
        {"two rows", [](calibScanSet &x) { x.num_rows = 2; }, VELSPEC_ERR_BAD_INPUT},
        {"two lines", [](calibScanSet &x) { x.num_lines = 2; }, VELSPEC_ERR_BAD_INPUT},
        {"no column step", [](calibScanSet &x) { x.column_step = 0.0; }, VELSPEC_ERR_BAD_INPUT},
        {"unordered lines", [&](calibScanSet &x) { x.line_nm = unordered.data(), x.num_lines = 3; },
         VELSPEC_ERR_BAD_INPUT},
        {"no readings", [](calibScanSet &x) { x.readings = nullptr; }, VELSPEC_ERR_NULL},
        {"non-finite reading", [&](calibScanSet &x) { x.readings = broken.data(); }, VELSPEC_ERR_BAD_INPUT},
        {"40 lines", [&](calibScanSet &x) { x.line_nm = many.data(), x.num_lines = 40; }, VELSPEC_ERR_FAILED},
    };
    for (const auto &k : cases) {
        calibScanSet scans = good;
        k.spoil(scans);
        EXPECT_EQ(velspec_calib_genCoeffSet(&scans, &c, nullptr), k.status) << k.what;
        EXPECT_EQ(c.pixel_to_wavelength_coeffs[0], 42.0) << k.what;  // untouched on failure
    }
}

}  // namespace
