// Interpretation of synthetic scans built as records, encoded, and handed to
// the entry point as images: column, Hadamard and multi-section scans.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "spectrum_fixtures.h"
#include "velspec_scan.h"
#include "velspec_scan_col.h"
#include "velspec_scan_had.h"

namespace {

using spectrum_test::encode;
using spectrum_test::linear_calibration;
using spectrum_test::make_cfg;
using spectrum_test::single_record;

struct Interpreted {
    int32_t status;
    std::unique_ptr<scanResults> results;
};

Interpreted interpret(const std::vector<uint8_t> &image) {
    Interpreted out{0, std::make_unique<scanResults>()};
    std::memset(out.results.get(), 0x5A, sizeof *out.results);
    out.status = velspec_scan_interpret(image.data(), image.size(), out.results.get());
    return out;
}

std::vector<int32_t> ramp(int n, int32_t base, int32_t step) {
    std::vector<int32_t> v(n);
    for (int i = 0; i < n; ++i) v[i] = base + step * i;
    return v;
}

hadPatDef had_def(const scanCfg &cfg) {
    hadPatDef def{};
    const calibCoeffSet calib = linear_calibration();
    EXPECT_EQ(velspec_scan_had_genPatDef(&cfg, &calib, &def), VELSPEC_OK);
    return def;
}

TEST(ColumnScan, IntensitiesAndBandCentreWavelengths) {
    const scanCfg cfg = make_cfg(SCAN_TYPE_COLUMN, 950, 1650, 6, 100);
    const std::vector<int32_t> truth = ramp(100, 1000, 7);
    const auto image = encode(single_record(cfg, linear_calibration(), truth, 120, 25));
    Interpreted r = interpret(image);
    ASSERT_EQ(r.status, VELSPEC_OK);
    ASSERT_EQ(r.results->length, 100);
    const double step = 700.0 / 99;  // columns 50 .. 750
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(r.results->intensity[i], truth[i]) << i;
        // Even width: the centre lies half a column left of the centre column.
        const double column = r.results->wavelength[i] + 0.5 - 900.0;
        EXPECT_EQ(column, std::floor(column)) << i;
        EXPECT_NEAR(column, 50 + i * step, 1.0) << i;
    }
    EXPECT_EQ(r.results->wavelength[0], 949.5);
    EXPECT_EQ(r.results->humidity_hundredths, 4512);
    EXPECT_EQ(r.results->black_pattern_period, 0);
    // The caller's image is left as it was.
    EXPECT_EQ(image, encode(single_record(cfg, linear_calibration(), truth, 120, 25)));
    // Odd width, one pattern: the start column itself, no half-column shift.
    const scanCfg odd = make_cfg(SCAN_TYPE_COLUMN, 1000, 1600, 7, 1);
    r = interpret(encode(single_record(odd, linear_calibration(), {42}, 0, 25)));
    ASSERT_EQ(r.status, VELSPEC_OK);
    EXPECT_EQ(r.results->length, 1);
    EXPECT_EQ(r.results->intensity[0], 42);
    EXPECT_EQ(r.results->wavelength[0], 1000.0);
}

TEST(HadamardScan, OrderThreeWorkedExample) {
    // Intensities 10, 20, 30 under rows 110, 101, 011 read 30, 40, 50.
    const scanCfg cfg = make_cfg(SCAN_TYPE_HADAMARD, 950, 1650, 6, 3);
    Interpreted r = interpret(encode(single_record(cfg, linear_calibration(), {30, 40, 50}, 0, 25)));
    ASSERT_EQ(r.status, VELSPEC_OK);
    ASSERT_EQ(r.results->length, 3);
    EXPECT_EQ(r.results->intensity[0], 10);
    EXPECT_EQ(r.results->intensity[1], 20);
    EXPECT_EQ(r.results->intensity[2], 30);
}

// A two-section scan: 24 column points, then 30 Hadamard points (order 31),
// black readings wherever (i + 1) is a multiple of 25.
uScanData two_section_scan(const std::vector<int32_t> &column_truth, const std::vector<int32_t> &had_truth,
                           uint8_t second_type) {
    uScanData u{};
    slewScanData &s = u.slew;
    spectrum_test::fill_header(&s, linear_calibration());
    s.cfg.scan_type = SCAN_TYPE_SLEW;
    s.cfg.num_repeats = 2;
    s.cfg.num_sections = 2;
    s.cfg.sections[0] = {SCAN_TYPE_COLUMN, 6, 950, 1200, 24, 1};
    s.cfg.sections[1] = {second_type, 6, 1250, 1650, 30, 3};
    const scanCfg had_cfg = make_cfg(SCAN_TYPE_HADAMARD, 1250, 1650, 6, 30);
    std::vector<int32_t> readings = column_truth;
    const auto had_readings = spectrum_test::hadamard_scan_readings(had_def(had_cfg), had_truth);
    readings.insert(readings.end(), had_readings.begin(), had_readings.end());
    s.black_pattern_period = 25;
    s.black_pattern_first = 24;
    s.adc_data_length = spectrum_test::interleave(readings, 77, 25, s.adc_data);
    return u;
}

TEST(MultiSectionScan, SectionsAreInterpretedAndConcatenated) {
    const std::vector<int32_t> column_truth = ramp(24, 900, 11);
    std::vector<int32_t> had_truth(30);
    for (int i = 0; i < 30; ++i) had_truth[i] = 5000 - 64 * i + 16 * (i % 3);
    const uScanData record = two_section_scan(column_truth, had_truth, SCAN_TYPE_HADAMARD);
    EXPECT_EQ(record.slew.adc_data_length, 24 + 31 + 2);
    const auto image = encode(record);
    ASSERT_EQ(image.size(), static_cast<size_t>(VELSPEC_IMG_SIZE_SLEW_SCAN_DATA));
    Interpreted r = interpret(image);
    ASSERT_EQ(r.status, VELSPEC_OK);
    ASSERT_EQ(r.results->length, 54);
    EXPECT_EQ(r.results->cfg.num_sections, 2);
    EXPECT_EQ(r.results->cfg.sections[1].num_patterns, 30);
    EXPECT_EQ(r.results->pga_gain, 4);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(r.results->intensity[i], column_truth[i]) << i;
    EXPECT_EQ(r.results->wavelength[0], 949.5);
    EXPECT_LT(r.results->wavelength[23], r.results->wavelength[24]);
    // The Hadamard section (one group of order 31, whose inverse is exact in
    // binary) decodes exactly, at the wavelengths a column scan would have.
    const scanCfg column_cfg = make_cfg(SCAN_TYPE_COLUMN, 1250, 1650, 6, 30);
    Interpreted col = interpret(encode(single_record(column_cfg, linear_calibration(), had_truth, 0, 25)));
    ASSERT_EQ(col.status, VELSPEC_OK);
    EXPECT_EQ(col.results->wavelength[0], 1249.5);
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(r.results->intensity[24 + i], had_truth[i]) << i;
        EXPECT_EQ(r.results->wavelength[24 + i], col.results->wavelength[i]) << i;
    }
}

// ---- Bad input: every case fails cleanly instead of reading or writing
// outside an array, dividing by zero or hanging.

TEST(BadInput, TruncatedAndTinyImages) {
    const scanCfg cfg = make_cfg(SCAN_TYPE_COLUMN, 950, 1650, 6, 10);
    const auto image = encode(single_record(cfg, linear_calibration(), ramp(10, 5, 1), 0, 25));
    for (size_t size : {size_t{0}, size_t{1}, size_t{9}, size_t{100}, size_t{3000}, image.size() - 1}) {
        std::vector<uint8_t> cut(image.begin(), image.begin() + size);
        auto results = std::make_unique<scanResults>();
        EXPECT_LT(velspec_scan_interpret(cut.data(), cut.size(), results.get()), 0) << size;
    }
}

TEST(BadInput, RecordsThatCannotBeInterpreted) {
    const calibCoeffSet calib = linear_calibration();
    const scanCfg cfg = make_cfg(SCAN_TYPE_COLUMN, 950, 1650, 6, 10);
    const auto column = [&](void (*spoil)(scanData &)) {
        uScanData r = single_record(cfg, calib, ramp(10, 5, 1), 0, 25);
        spoil(r.data);
        return encode(r);
    };
    const auto slew = [](void (*spoil)(slewScanData &)) {
        uScanData r = two_section_scan(ramp(24, 900, 11), std::vector<int32_t>(30, 100), SCAN_TYPE_HADAMARD);
        spoil(r.slew);
        return encode(r);
    };
    const auto past_arrays = [](slewScanData &s) {
        s.cfg.sections[0].num_patterns = 600;  // 600 + 400 patterns plus their blacks
        s.cfg.sections[1].section_scan_type = SCAN_TYPE_COLUMN;
        s.cfg.sections[1].num_patterns = 400;
    };
    const scanCfg wide = make_cfg(SCAN_TYPE_COLUMN, 950, 1650, 1, 700);  // over 624 columns
    const scanCfg few = make_cfg(SCAN_TYPE_COLUMN, 950, 1650, 6, 5);
    const scanCfg had = make_cfg(SCAN_TYPE_HADAMARD, 950, 1650, 6, 30);
    const struct {
        const char *what;
        std::vector<uint8_t> image;
        int32_t status;
    } cases[] = {
        {"header version 2", column([](scanData &d) { d.header_version = 2; }), VELSPEC_ERR_FAILED},
        {"unknown scan type", column([](scanData &d) { d.scan_type = 7; }), VELSPEC_ERR_BAD_INPUT},
        {"readings past 864", column([](scanData &d) { d.adc_data_length = 900; }), VELSPEC_ERR_BAD_INPUT},
        {"700 columns", encode(single_record(wide, calib, ramp(700, 5, 1), 0, 100)), VELSPEC_ERR_BAD_INPUT},
        {"readings without a band", encode(single_record(few, calib, ramp(6, 5, 1), 0, 25)),
         VELSPEC_ERR_BAD_INPUT},
        {"too few Hadamard readings", encode(single_record(had, calib, ramp(20, 5, 1), 0, 25)),
         VELSPEC_ERR_BAD_INPUT},
        // Period 1 makes every entry black: the section range would grow forever.
        {"black period 1", slew([](slewScanData &s) { s.black_pattern_period = 1; }), VELSPEC_ERR_BAD_INPUT},
        {"unknown second section", slew([](slewScanData &s) { s.cfg.sections[1].section_scan_type = 3; }),
         VELSPEC_ERR_BAD_TYPE},
        {"sections past the arrays", slew(past_arrays), VELSPEC_ERR_BAD_INPUT},
        {"nine sections", slew([](slewScanData &s) { s.cfg.num_sections = 9; }), VELSPEC_ERR_BAD_INPUT},
    };
    for (const auto &c : cases) EXPECT_EQ(interpret(c.image).status, c.status) << c.what;
    scanResults results;
    EXPECT_EQ(velspec_scan_interpret(nullptr, 10, &results), VELSPEC_ERR_NULL);

    colPatDef columns;
    EXPECT_EQ(velspec_scan_col_genPatDef(&wide, &calib, &columns), VELSPEC_ERR_BAD_INPUT);
    // A Hadamard group of more than 284 points: 600 zero-width bands over
    // columns 0..853 separate at spacing 2, giving groups of 300.
    const scanCfg crowded = make_cfg(SCAN_TYPE_HADAMARD, 900, 1753, 0, 600);
    hadPatDef def;
    EXPECT_EQ(velspec_scan_had_genPatDef(&crowded, &calib, &def), VELSPEC_ERR_BAD_INPUT);
    // Two points: no pair is ever tested.
    const scanCfg two = make_cfg(SCAN_TYPE_HADAMARD, 950, 1650, 6, 2);
    EXPECT_EQ(velspec_scan_had_genPatDef(&two, &calib, &def), VELSPEC_ERR_FAILED);

    uScanData s = two_section_scan(ramp(24, 900, 11), std::vector<int32_t>(30, 100), SCAN_TYPE_HADAMARD);
    uint32_t start = 0;
    uint16_t n = 0, b = 0;
    EXPECT_EQ(velspec_scan_section_get_adc_data_range(&s.slew, 6, &start, &n, &b), VELSPEC_ERR_BAD_INPUT);
    past_arrays(s.slew);
    EXPECT_EQ(velspec_scan_section_get_adc_data_range(&s.slew, 1, &start, &n, &b), VELSPEC_ERR_BAD_INPUT);
}

// No black readings: dark level 0.
TEST(BadInput, BlackPeriodZero) {
    uScanData record = single_record(make_cfg(SCAN_TYPE_COLUMN, 950, 1650, 6, 10), linear_calibration(),
                                     ramp(10, 5, 1), 0, 25);
    record.data.black_pattern_period = 0;
    Interpreted r = interpret(encode(record));
    ASSERT_EQ(r.status, VELSPEC_OK);
    EXPECT_EQ(r.results->length, 10);
    EXPECT_EQ(r.results->intensity[9], 14);
    uScanData slew = two_section_scan(ramp(24, 900, 11), std::vector<int32_t>(30, 100), SCAN_TYPE_HADAMARD);
    slew.slew.black_pattern_period = 0;
    EXPECT_EQ(interpret(encode(slew)).status, VELSPEC_OK);
}

TEST(BadInput, CalibrationWithoutUsableColumns) {
    calibCoeffSet calib = linear_calibration();
    calib.pixel_to_wavelength_coeffs[1] = NAN;
    const scanCfg cfg = make_cfg(SCAN_TYPE_COLUMN, 950, 1650, 6, 10);
    colPatDef columns;
    EXPECT_EQ(velspec_scan_col_genPatDef(&cfg, &calib, &columns), VELSPEC_ERR_BAD_INPUT);
    calib.pixel_to_wavelength_coeffs[1] = 1e-300;  // columns far beyond any integer
    EXPECT_EQ(velspec_scan_col_genPatDef(&cfg, &calib, &columns), VELSPEC_OK);
}

}  // namespace
