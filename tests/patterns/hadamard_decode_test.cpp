// Hadamard patterns drawn (and bent) into frames are "measured" by summing a
// known light profile over the lit pixels of a line; decoding those readings
// must give back the light of every band, so the drawn bands are the ones the
// decoder assumes.
#include <gtest/gtest.h>

#include <algorithm>

#include "frames.h"
#include "velspec_scan.h"
#include "velspec_scan_col.h"
#include "velspec_scan_had.h"

namespace {

constexpr uint32_t kColumns = 854, kLines = 4;
constexpr int32_t kDark = 500;
constexpr uint8_t kBlackPeriod = 25, kWidth = 6;
constexpr calibCoeffSet kCoeffs{{}, {900.0, 0.85, 1.0e-4}};

int64_t Light(int64_t column) { return 50 + (column * 37) % 101; }

// Readings of every pattern through line `line`, the light displaced by
// `shift` columns, with dark readings interleaved.
scanData Measure(const TestFrames &f, const scanCfg &cfg, int32_t patterns, uint32_t line, int32_t shift) {
    scanData data{};
    data.header_version = 1;
    data.calibration_coeffs = kCoeffs;
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
            if (f.Lit(p / 24, p % 24, x, line)) sum += Light(int64_t{x} - shift);
        }
        data.adc_data[at++] = static_cast<int32_t>(sum);
    }
    data.adc_data_length = at;
    return data;
}

TEST(PatternsAgainstDecoding, EveryBandsLightIsRecoveredOnEveryBentLine) {
    for (uint16_t points : {uint16_t{228}, uint16_t{101}, uint16_t{40}}) {
        SCOPED_TRACE(points);
        scanCfg cfg{};
        cfg.scan_type = SCAN_TYPE_HADAMARD;
        cfg.wavelength_start_nm = 950;
        cfg.wavelength_end_nm = 1650;
        cfg.width_px = kWidth;
        cfg.num_patterns = points;
        cfg.num_repeats = 1;
        colPatDef bands{};
        ASSERT_EQ(velspec_scan_col_genPatDef(&cfg, &kCoeffs, &bands), VELSPEC_OK);
        std::vector<int64_t> expected(points);
        for (uint16_t p = 0; p < points; p++) {
            const int64_t from = std::max<int64_t>(0, int64_t{bands.center_column[p]} - kWidth / 2);
            for (int64_t x = from; x < from + kWidth && x < kColumns; x++) expected[p] += Light(x);
        }

        TestFrames f(12, kColumns, kLines, 24);
        const int32_t patterns = velspec_scan_genPatterns(&cfg, &kCoeffs, &f.Desc());
        ASSERT_GT(patterns, points);
        ASSERT_LE(patterns, 12 * 24);
        // Bent, line r carries the patterns moved r + 1 columns (line 0 too).
        const double shift[3] = {1.0, 1.0, 0.0};
        ASSERT_EQ(velspec_scan_bendPatterns(&f.Desc(), shift, patterns), VELSPEC_OK);
        for (uint32_t line = 0; line < kLines; line++) {
            const scanData data = Measure(f, cfg, patterns, line, static_cast<int32_t>(line) + 1);
            scanResults results{};
            ASSERT_EQ(velspec_scan_had_interpret(&data, &results), VELSPEC_OK);
            ASSERT_EQ(results.length, points);
            // The decoder truncates its floating-point sums toward zero.
            for (uint16_t p = 0; p < points; p++) EXPECT_NEAR(results.intensity[p], expected[p], 1) << p;
        }
        EXPECT_TRUE(f.GuardIntact());
    }
}

}  // namespace
