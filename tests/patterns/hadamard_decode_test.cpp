// Patterns against decoding: Hadamard patterns drawn (and bent) into frames
// are "measured" by summing a known light profile over the lit pixels of a
// line, and Hadamard interpretation of those readings must give back the
// light of every band.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "frames.h"
#include "velspec_scan.h"
#include "velspec_scan_col.h"
#include "velspec_scan_had.h"

namespace {

constexpr uint32_t kColumns = 854;
constexpr uint32_t kLines = 4;
constexpr int32_t kDark = 500;
constexpr uint8_t kBlackPeriod = 25;

int64_t light(int64_t column) { return 50 + (column * 37) % 101; }

scanCfg hadamardConfig(uint16_t points, uint8_t widthPx) {
    scanCfg cfg{};
    cfg.scan_type = SCAN_TYPE_HADAMARD;
    cfg.wavelength_start_nm = 950;
    cfg.wavelength_end_nm = 1650;
    cfg.width_px = widthPx;
    cfg.num_patterns = points;
    cfg.num_repeats = 1;
    return cfg;
}

calibCoeffSet coefficients() {
    calibCoeffSet c{};
    c.pixel_to_wavelength_coeffs[0] = 900.0;
    c.pixel_to_wavelength_coeffs[1] = 0.85;
    c.pixel_to_wavelength_coeffs[2] = 1.0e-4;
    return c;
}

// Readings of every pattern as seen through line `line`, where the light
// profile is displaced by `shift` columns, with dark readings interleaved.
scanData measure(const TestFrames &f, int32_t patterns, uint32_t line, int32_t shift, const scanCfg &cfg) {
    scanData data{};
    data.header_version = 1;
    data.calibration_coeffs = coefficients();
    data.black_pattern_first = 0;
    data.black_pattern_period = kBlackPeriod;
    data.scan_type = cfg.scan_type;
    data.wavelength_start_nm = cfg.wavelength_start_nm;
    data.wavelength_end_nm = cfg.wavelength_end_nm;
    data.width_px = cfg.width_px;
    data.num_patterns = cfg.num_patterns;
    data.num_repeats = cfg.num_repeats;
    uint16_t at = 0;
    for (int32_t p = 0; p < patterns; p++) {
        if (at % kBlackPeriod == 0) data.adc_data[at++] = kDark;
        int64_t sum = kDark;
        for (uint32_t x = 0; x < kColumns; x++) {
            if (f.lit(p / 24, p % 24, x, line)) sum += light(static_cast<int64_t>(x) - shift);
        }
        data.adc_data[at++] = static_cast<int32_t>(sum);
    }
    data.adc_data_length = at;
    return data;
}

void expectBandLight(const scanResults &results, const scanCfg &cfg) {
    colPatDef columns{};
    const calibCoeffSet c = coefficients();
    ASSERT_EQ(velspec_scan_col_genPatDef(&cfg, &c, &columns), VELSPEC_OK);
    ASSERT_EQ(results.length, cfg.num_patterns);
    for (int32_t p = 0; p < results.length; p++) {
        const int64_t from = std::max<int64_t>(0, int64_t{columns.center_column[p]} - cfg.width_px / 2);
        int64_t expected = 0;
        for (int64_t x = from; x < from + cfg.width_px && x < kColumns; x++) expected += light(x);
        // The decoder truncates its floating-point sums toward zero.
        EXPECT_NEAR(results.intensity[p], expected, 1) << "point " << p;
    }
}

TEST(PatternsAgainstDecoding, EveryBandsLightIsRecoveredOnStraightAndBentLines) {
    for (uint16_t points : {uint16_t{228}, uint16_t{101}, uint16_t{40}}) {
        SCOPED_TRACE(points);
        const scanCfg cfg = hadamardConfig(points, 6);
        const calibCoeffSet c = coefficients();
        TestFrames f(12, kColumns, kLines, 24);
        const int32_t patterns = velspec_scan_genPatterns(&cfg, &c, &f.desc());
        ASSERT_GT(patterns, points);
        ASSERT_LE(patterns, 12 * 24);
        EXPECT_EQ(patterns, patDefH.num_patterns);

        const scanData straight = measure(f, patterns, 0, 0, cfg);
        scanResults results{};
        ASSERT_EQ(velspec_scan_had_interpret(&straight, &results), VELSPEC_OK);
        expectBandLight(results, cfg);

        // Bent, line r carries the same patterns moved r + 1 columns.
        const double shift[3] = {1.0, 1.0, 0.0};
        ASSERT_EQ(velspec_scan_bendPatterns(&f.desc(), shift, patterns), VELSPEC_OK);
        for (uint32_t line = 0; line < kLines; line++) {
            const scanData data = measure(f, patterns, line, static_cast<int32_t>(line) + 1, cfg);
            ASSERT_EQ(velspec_scan_had_interpret(&data, &results), VELSPEC_OK);
            expectBandLight(results, cfg);
        }
        EXPECT_TRUE(f.guardIntact());
    }
}

}  // namespace
