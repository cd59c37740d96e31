// The calibration routine against scans synthesised from known coefficients:
// emission lines seen through 5-column bands, a bent slit image, noise.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "velspec_calib.h"

namespace {

constexpr double kTruth[3] = {900.0, 0.85, 1.0e-4};                 // 900 .. 1698 nm over the DMD
constexpr int32_t kBandWidth = 5, kSamples = 854 - kBandWidth + 1;  // bands at columns 0 .. 849
const std::vector<double> kLinesNm{912.3,  987.6,  1064.1, 1152.7, 1229.4, 1301.1,
                                   1368.0, 1447.2, 1529.5, 1612.8, 1686.0};

double TruthNm(double column) { return kTruth[0] + kTruth[1] * column + kTruth[2] * column * column; }

// One scan per DMD row: reading i sums the lines' light over the band's five
// columns, the slit image displaced by linear (row - 240) + quadratic (row - 240)^2.
struct Synthetic {
    std::vector<double> rows, readings;
    double linear, quadratic;

    Synthetic(std::vector<double> rows_in, double linear_in, double quadratic_in, double noise, uint32_t seed)
        : rows(std::move(rows_in)), linear(linear_in), quadratic(quadratic_in) {
        std::mt19937 rng(seed);
        std::normal_distribution<double> gauss(0.0, noise);
        for (double row : rows) {
            for (int32_t i = 0; i < kSamples; i++) {
                double sum = 20.0;  // stray light
                for (int32_t col = i; col < i + kBandWidth; col++) {
                    for (size_t k = 0; k < kLinesNm.size(); k++) {
                        const double d = TruthNm(col - Bend(row)) - kLinesNm[k];
                        sum += (600.0 + 90.0 * k) * std::exp(-d * d / (2 * 1.6 * 1.6));
                    }
                }
                readings.push_back(sum + gauss(rng));
            }
        }
    }
    double Bend(double r) const { return linear * (r - 240) + quadratic * (r - 240) * (r - 240); }
    calibScanSet Scans() const {  // reading 0: the band over columns 0 .. 4, centre 2
        const int32_t n = static_cast<int32_t>(rows.size()), lines = static_cast<int32_t>(kLinesNm.size());
        return {readings.data(), kSamples, n,  rows.data(), (kBandWidth - 1) / 2.0, 1.0,
                kLinesNm.data(), lines,    0.0};
    }
};

TEST(CalibrationTruth, RecoversCurveAndBend) {
    for (uint32_t seed : {1u, 2u, 3u, 4u, 5u}) {
        // Five rows with noise, 3.3 columns of bend at the bottom row; one
        // row without: the curve alone, no bend to fit.
        for (const Synthetic &s : {Synthetic({40, 240, 120, 360, 470}, 0.004, 4.0e-5, 3.0, seed),
                                   Synthetic({240}, 0.0, 0.0, 0.0, seed)}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " rows " << s.rows.size());
            const calibScanSet scans = s.Scans();
            calibCoeffSet c{};
            double r2 = 0.0;
            ASSERT_EQ(velspec_calib_genCoeffSet(&scans, &c, &r2), VELSPEC_OK);
            EXPECT_GT(r2, 0.999999);
            // Wavelength error over the columns that see 900 to 1700 nm.
            for (double col = 0.0; col <= 853.0 && TruthNm(col) <= 1700.0; col += 0.5) {
                const double *p = c.pixel_to_wavelength_coeffs;
                ASSERT_NEAR(p[0] + p[1] * col + p[2] * col * col, TruthNm(col), 0.1) << col;
            }
            std::vector<int8_t> shift(480);
            ASSERT_EQ(velspec_calib_genShiftVector(c.shift_vector_coeffs, 480, shift.data()), VELSPEC_OK);
            for (int32_t r = 0; r < 480; r++) ASSERT_LE(std::fabs(shift[r] - s.Bend(r)), 1.0) << "row " << r;
        }
    }
}

TEST(CalibrationTruth, UnusableInputIsRefused) {
    const Synthetic s({0, 240, 479}, 0.0, 0.0, 1.0, 3);
    calibCoeffSet c{};
    c.pixel_to_wavelength_coeffs[0] = 42.0;
    const std::vector<double> unordered{1000.0, 990.0, 1200.0};
    std::vector<double> many(40), broken = s.readings;  // more lines expected than the scans show
    for (size_t k = 0; k < many.size(); k++) many[k] = 900.0 + 20.0 * k;
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
        calibScanSet scans = s.Scans();
        k.spoil(scans);
        EXPECT_EQ(velspec_calib_genCoeffSet(&scans, &c, nullptr), k.status) << k.what;
        EXPECT_EQ(c.pixel_to_wavelength_coeffs[0], 42.0) << k.what;  // untouched on failure
    }
}

}  // namespace
