// Recomputing a stored reference for another scan configuration.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "spectrum_fixtures.h"
#include "velspec_scan.h"

namespace {

using spectrum_test::encode;
using spectrum_test::linear_calibration;
using spectrum_test::linear_matrix;
using spectrum_test::make_cfg;
using spectrum_test::matrix_image;
using spectrum_test::single_record;

// A white-standard reference: 200 column points over 900..1700 nm, every
// intensity the same (or alternating by 1), taken at the given gain.
std::vector<uint8_t> reference_image(uint8_t gain, int32_t level, uint8_t width = 6, bool wobble = true) {
    const scanCfg cfg = make_cfg(SCAN_TYPE_COLUMN, 900, 1700, width, 200);
    std::vector<int32_t> readings(200);
    for (int i = 0; i < 200; ++i) readings[i] = level + (wobble ? i % 2 : 0);
    uScanData record = single_record(cfg, linear_calibration(), readings, 50, 25);
    record.data.pga_gain = gain;
    return encode(record);
}

std::unique_ptr<scanResults> interpreted(const std::vector<uint8_t> &image) {
    auto r = std::make_unique<scanResults>();
    EXPECT_EQ(velspec_scan_interpret(image.data(), image.size(), r.get()), VELSPEC_OK);
    return r;
}

std::unique_ptr<scanResults> scan_results(uint16_t start, uint16_t end, uint8_t width, uint16_t points,
                                          uint8_t gain) {
    const scanCfg cfg = make_cfg(SCAN_TYPE_COLUMN, start, end, width, points);
    uScanData record = single_record(cfg, linear_calibration(), std::vector<int32_t>(points, 900), 40, 25);
    record.data.pga_gain = gain;
    return interpreted(encode(record));
}

struct Recomputed {
    int32_t status;
    std::unique_ptr<scanResults> ref;
};

Recomputed recompute(const std::vector<uint8_t> &ref_img, const std::vector<uint8_t> &mat_img,
                     const scanResults &scan) {
    Recomputed out{0, std::make_unique<scanResults>()};
    out.status = velspec_scan_interpReference(ref_img.data(), ref_img.size(), mat_img.data(), mat_img.size(),
                                              &scan, out.ref.get());
    return out;
}

TEST(Reference, EqualConfigurationsOnlyScaleForGain) {
    const auto ref_img = reference_image(4, 6001);
    const auto mat_img = matrix_image(linear_matrix());
    auto scan = scan_results(900, 1700, 6, 200, 1);
    const auto as_interpreted = interpreted(ref_img);

    Recomputed r = recompute(ref_img, mat_img, *scan);
    ASSERT_EQ(r.status, VELSPEC_OK);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(r.ref->intensity[i], as_interpreted->intensity[i] / 4) << i;
        EXPECT_EQ(r.ref->wavelength[i], as_interpreted->wavelength[i]) << i;
    }
    EXPECT_EQ(r.ref->pga_gain, 4);  // the gain field keeps its old value

    scan->pga_gain = 4;
    r = recompute(ref_img, mat_img, *scan);
    ASSERT_EQ(r.status, VELSPEC_OK);
    EXPECT_EQ(std::memcmp(r.ref->intensity, as_interpreted->intensity, sizeof r.ref->intensity), 0);
}

TEST(Reference, ResampledAndCorrectedForBandWidth) {
    // Scan: 100 points of width 10 over 1000..1600 nm at gain 2. Reference:
    // width 6 at gain 4. The matrix says a width-10 band gives
    // (1000 + k) / (600 + k) times the light of a width-6 band at wavelength
    // index k.
    const int32_t level = 6000;
    const auto ref_img = reference_image(4, level, 6, false);
    const auto mat_img = matrix_image(linear_matrix());
    auto scan = scan_results(1000, 1600, 10, 100, 2);

    Recomputed r = recompute(ref_img, mat_img, *scan);
    ASSERT_EQ(r.status, VELSPEC_OK);
    ASSERT_EQ(r.ref->length, 100);
    for (int i = 0; i < 100; ++i) {
        const double nm = scan->wavelength[i];
        EXPECT_EQ(r.ref->wavelength[i], nm);
        const double k = (nm - 900.0) * 49 / 800;
        const double expected = level * (1000 + k) / (600 + k) * 2 / 4;
        EXPECT_NEAR(r.ref->intensity[i], expected, 2.0) << i;
    }
}

TEST(Reference, RefusedRecomputations) {
    const auto mat_ok = matrix_image(linear_matrix());
    std::vector<uint8_t> broken = mat_ok;
    broken[10] = 'X';  // the format string
    refMatrix zero = linear_matrix(), equal = linear_matrix();
    zero.ref_intensities[2][17] = 0;    // width 6, the reference's own width
    equal.widths[1] = equal.widths[0];  // no slope to interpolate on from width 2
    const scanCfg narrow = make_cfg(SCAN_TYPE_COLUMN, 1000, 1600, 6, 150);
    const auto narrow_img =
        encode(single_record(narrow, linear_calibration(), std::vector<int32_t>(150, 500), 0, 25));
    auto wide = scan_results(950, 1650, 6, 100, 1), scan = scan_results(1000, 1600, 10, 100, 1);
    auto too_long = scan_results(1000, 1600, 10, 100, 1);
    too_long->length = SCAN_MAX_ADC + 5;
    const struct {
        const char *what;
        std::vector<uint8_t> ref, mat;
        const scanResults *scan;
        int32_t status;
    } cases[] = {
        {"scan past the reference", narrow_img, mat_ok, wide.get(), VELSPEC_ERR_FAILED},
        {"damaged matrix", reference_image(1, 5000), broken, scan.get(), VELSPEC_ERR_SERIALIZE},
        {"width below the matrix", reference_image(1, 5000, 1), mat_ok, scan.get(), VELSPEC_ERR_BAD_INPUT},
        {"width above the matrix", reference_image(1, 5000, 40), mat_ok, scan.get(), VELSPEC_ERR_BAD_INPUT},
        {"zero matrix value", reference_image(1, 5000, 6), matrix_image(zero), scan.get(),
         VELSPEC_ERR_BAD_INPUT},
        {"equal widths", reference_image(1, 5000, 2), matrix_image(equal), scan.get(), VELSPEC_ERR_BAD_INPUT},
        {"length past the arrays", reference_image(1, 5000), mat_ok, too_long.get(), VELSPEC_ERR_BAD_INPUT},
    };
    for (const auto &c : cases) EXPECT_EQ(recompute(c.ref, c.mat, *c.scan).status, c.status) << c.what;

    slewScanCfg two{};
    two.num_sections = 2;
    two.sections[0].wavelength_start_nm = 900;
    two.sections[0].wavelength_end_nm = 1700;
    EXPECT_EQ(velspec_valid_configs_to_interp(&wide->cfg, &two), VELSPEC_ERR_FAILED);
    const auto ref_img = reference_image(1, 5000);
    EXPECT_EQ(
        velspec_scan_interpReference(ref_img.data(), 0, mat_ok.data(), mat_ok.size(), scan.get(), scan.get()),
        VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_scan_interpReference(nullptr, 10, mat_ok.data(), mat_ok.size(), scan.get(), scan.get()),
              VELSPEC_ERR_NULL);
    // Sections whose points pass the result arrays.
    auto ref = interpreted(ref_img);
    const refMatrix m = linear_matrix();
    scan->cfg.sections[0].num_patterns = 900;
    EXPECT_EQ(velspec_scan_recomputeRefIntensities(scan.get(), ref.get(), &m), VELSPEC_ERR_BAD_INPUT);
}

TEST(GainScaling, TruncatesAndStopsAtTheEndMarker) {
    auto scan = std::make_unique<scanResults>();
    auto ref = std::make_unique<scanResults>();
    std::memset(scan.get(), 0, sizeof *scan);
    std::memset(ref.get(), 0, sizeof *ref);
    scan->pga_gain = 1;
    ref->pga_gain = 4;
    ref->wavelength[0] = 1000;
    ref->wavelength[1] = 1001;
    ref->intensity[0] = 7;
    ref->intensity[1] = -7;
    ref->intensity[2] = 40;  // past the 0.0 wavelength: untouched
    ASSERT_EQ(velspec_scan_scale_for_pga_gain(scan.get(), ref.get()), VELSPEC_OK);
    EXPECT_EQ(ref->intensity[0], 1);
    EXPECT_EQ(ref->intensity[1], -1);
    EXPECT_EQ(ref->intensity[2], 40);
    ref->pga_gain = 0;
    EXPECT_EQ(velspec_scan_scale_for_pga_gain(scan.get(), ref.get()), VELSPEC_ERR_BAD_INPUT);
}

}  // namespace
