// Interpretation of synthetic scans built as records, encoded, and handed to
// the entry point as images: column, Hadamard and multi-section scans.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "spectrum_fixtures.h"
#include "velspec_scan.h"
#include "velspec_scan_col.h"
#include "velspec_scan_had.h"

namespace spectrum_test {
namespace {

TEST(ColumnScan, IntensitiesAndBandCentreWavelengths) {
    const scanCfg cfg = MakeCfg(SCAN_TYPE_COLUMN, 950, 1650, 6, 100);
    const std::vector<int32_t> truth = Ramp(100, 1000, 7);
    const auto image = Encode(SingleRecord(cfg, truth, 120, 25));
    auto r = Interpret(image);
    ASSERT_EQ(r->length, 100);
    const double step = 700.0 / 99;  // columns 50 .. 750
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(r->intensity[i], truth[i]) << i;
        // Even width: the centre lies half a column left of the centre column.
        const double column = r->wavelength[i] + 0.5 - 900.0;
        EXPECT_EQ(column, std::floor(column)) << i;
        EXPECT_NEAR(column, 50 + i * step, 1.0) << i;
    }
    EXPECT_EQ(std::make_tuple(r->wavelength[0], r->humidity_hundredths, r->black_pattern_period),
              std::make_tuple(949.5, 4512, 0));
    // The caller's image is left as it was.
    EXPECT_EQ(image, Encode(SingleRecord(cfg, truth, 120, 25)));
    // Odd width, one pattern: the start column itself, no half-column shift.
    r = Interpret(Encode(SingleRecord(MakeCfg(SCAN_TYPE_COLUMN, 1000, 1600, 7, 1), {42}, 0, 25)));
    EXPECT_EQ(std::make_tuple(r->length, r->intensity[0], r->wavelength[0]), std::make_tuple(1, 42, 1000.0));
}

TEST(HadamardScan, OrderThreeWorkedExample) {
    // Intensities 10, 20, 30 under rows 110, 101, 011 read 30, 40, 50.
    const scanCfg cfg = MakeCfg(SCAN_TYPE_HADAMARD, 950, 1650, 6, 3);
    const auto r = Interpret(Encode(SingleRecord(cfg, {30, 40, 50}, 0, 25)));
    ASSERT_EQ(r->length, 3);
    EXPECT_EQ(std::vector<int32_t>(r->intensity, r->intensity + 3), (std::vector<int32_t>{10, 20, 30}));
}

TEST(MultiSectionScan, SectionsAreInterpretedAndConcatenated) {
    const std::vector<int32_t> column_truth = Ramp(24, 900, 11);
    std::vector<int32_t> had_truth(30);
    for (int i = 0; i < 30; ++i) had_truth[i] = 5000 - 64 * i + 16 * (i % 3);
    const uScanData record = TwoSectionRecord(column_truth, had_truth);
    const auto r = Interpret(Encode(record));
    ASSERT_EQ(r->length, 54);
    EXPECT_EQ(std::make_tuple(r->cfg.num_sections, r->cfg.sections[1].num_patterns, r->pga_gain),
              std::make_tuple(2, 30, 4));
    for (int i = 0; i < 24; ++i) EXPECT_EQ(r->intensity[i], column_truth[i]) << i;
    EXPECT_EQ(r->wavelength[0], 949.5);
    EXPECT_LT(r->wavelength[23], r->wavelength[24]);
    // The Hadamard section (one group of order 31, whose inverse is exact in
    // binary) decodes exactly, at the wavelengths a column scan would have.
    const scanCfg column_cfg = MakeCfg(SCAN_TYPE_COLUMN, 1250, 1650, 8, 30);
    const auto col = Interpret(Encode(SingleRecord(column_cfg, had_truth, 0, 25)));
    EXPECT_EQ(col->wavelength[0], 1249.5);
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(r->intensity[24 + i], had_truth[i]) << i;
        EXPECT_EQ(r->wavelength[24 + i], col->wavelength[i]) << i;
    }
}

// Every bad record fails cleanly instead of reading or writing outside an
// array, dividing by zero or hanging; a black period of 0 means no blacks.
TEST(BadInput, RecordsThatCannotBeInterpreted) {
    const scanCfg cfg = MakeCfg(SCAN_TYPE_COLUMN, 950, 1650, 6, 10);
    const auto column = [&](void (*spoil)(scanData &)) {
        uScanData r = SingleRecord(cfg, Ramp(10, 5, 1), 0, 25);
        spoil(r.data);
        return Encode(r);
    };
    const auto slew = [](void (*spoil)(slewScanData &)) {
        uScanData r = TwoSectionRecord(Ramp(24, 900, 11), std::vector<int32_t>(30, 100));
        spoil(r.slew);
        return Encode(r);
    };
    const auto past_arrays = [](slewScanData &s) {
        s.cfg.sections[0].num_patterns = 600;  // 600 + 400 patterns plus their blacks
        s.cfg.sections[1].section_scan_type = SCAN_TYPE_COLUMN;
        s.cfg.sections[1].num_patterns = 400;
    };
    const auto image = column([](scanData &) {});
    scanResults results;
    for (size_t size : {size_t{0}, size_t{1}, size_t{9}, size_t{100}, size_t{3000}, image.size() - 1}) {
        std::vector<uint8_t> cut(image.begin(), image.begin() + size);
        EXPECT_LT(velspec_scan_interpret(cut.data(), cut.size(), &results), 0) << size;
    }
    const scanCfg wide = MakeCfg(SCAN_TYPE_COLUMN, 950, 1650, 1, 700);  // over 624 columns
    const struct Case {
        const char *name;
        std::vector<uint8_t> image;
        int32_t status;
    } cases[] = {
        {"header version 2", column([](scanData &d) { d.header_version = 2; }), VELSPEC_ERR_FAILED},
        {"unknown scan type", column([](scanData &d) { d.scan_type = 7; }), VELSPEC_ERR_BAD_INPUT},
        {"readings past 864", column([](scanData &d) { d.adc_data_length = 900; }), VELSPEC_ERR_BAD_INPUT},
        {"700 columns", Encode(SingleRecord(wide, Ramp(700, 5, 1), 0, 100)), VELSPEC_ERR_BAD_INPUT},
        {"readings without a band", column([](scanData &d) { d.num_patterns = 5; }), VELSPEC_ERR_BAD_INPUT},
        {"too few Hadamard readings",
         column([](scanData &d) { d.scan_type = SCAN_TYPE_HADAMARD, d.num_patterns = 30; }),
         VELSPEC_ERR_BAD_INPUT},
        // Period 1 makes every entry black: the section range would grow forever.
        {"black period 1", slew([](slewScanData &s) { s.black_pattern_period = 1; }), VELSPEC_ERR_BAD_INPUT},
        {"unknown second section", slew([](slewScanData &s) { s.cfg.sections[1].section_scan_type = 3; }),
         VELSPEC_ERR_BAD_TYPE},
        {"sections past the arrays", slew(past_arrays), VELSPEC_ERR_BAD_INPUT},
        {"nine sections", slew([](slewScanData &s) { s.cfg.num_sections = 9; }), VELSPEC_ERR_BAD_INPUT},
        {"sections, black period 0", slew([](slewScanData &s) { s.black_pattern_period = 0; }), VELSPEC_OK},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Interpret(c.image, c.status);
    }
    EXPECT_EQ(Interpret(column([](scanData &d) { d.black_pattern_period = 0; }))->length, 10);
    EXPECT_EQ(velspec_scan_interpret(nullptr, 10, &results), VELSPEC_ERR_NULL);

    uScanData s = TwoSectionRecord(Ramp(24, 900, 11), std::vector<int32_t>(30, 100));
    uint32_t start = 0;
    uint16_t n = 0, b = 0;
    for (uint8_t section : {2, 6}) {
        EXPECT_EQ(velspec_scan_section_get_adc_data_range(&s.slew, section, &start, &n, &b),
                  VELSPEC_ERR_BAD_INPUT);
    }
    past_arrays(s.slew);
    EXPECT_EQ(velspec_scan_section_get_adc_data_range(&s.slew, 1, &start, &n, &b), VELSPEC_ERR_BAD_INPUT);
}

TEST(BadInput, PatternDefinitions) {
    const calibCoeffSet linear = LinearCalibration();
    calibCoeffSet nan_slope = linear, tiny_slope = linear;
    nan_slope.pixel_to_wavelength_coeffs[1] = NAN;
    tiny_slope.pixel_to_wavelength_coeffs[1] = 1e-300;  // columns far beyond any integer
    using Gen = int32_t (*)(const scanCfg &, const calibCoeffSet &);
    const Gen col = [](const scanCfg &cfg, const calibCoeffSet &calib) {
        colPatDef def;
        return velspec_scan_col_genPatDef(&cfg, &calib, &def);
    };
    const Gen had = [](const scanCfg &cfg, const calibCoeffSet &calib) {
        static hadPatDef def;
        return velspec_scan_had_genPatDef(&cfg, &calib, &def);
    };
    const scanCfg plain = MakeCfg(SCAN_TYPE_COLUMN, 950, 1650, 6, 10);
    const struct Case {
        const char *name;
        Gen gen;
        scanCfg cfg;
        calibCoeffSet calib;
        int32_t status;
    } cases[] = {
        {"700 columns", col, MakeCfg(SCAN_TYPE_COLUMN, 950, 1650, 1, 700), linear, VELSPEC_ERR_BAD_INPUT},
        {"no usable column", col, plain, nan_slope, VELSPEC_ERR_BAD_INPUT},
        {"columns far off", col, plain, tiny_slope, VELSPEC_OK},
        // 600 zero-width bands over columns 0..853 separate at spacing 2,
        // giving groups of 300, more than 284.
        {"crowded group", had, MakeCfg(SCAN_TYPE_HADAMARD, 900, 1753, 0, 600), linear, VELSPEC_ERR_BAD_INPUT},
        // Two points: no pair is ever tested.
        {"two points", had, MakeCfg(SCAN_TYPE_HADAMARD, 950, 1650, 6, 2), linear, VELSPEC_ERR_FAILED},
    };
    for (const Case &c : cases) EXPECT_EQ(c.gen(c.cfg, c.calib), c.status) << c.name;
}

}  // namespace
}  // namespace spectrum_test
