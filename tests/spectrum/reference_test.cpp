// Recomputing a stored reference for another scan configuration.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "spectrum_fixtures.h"
#include "velspec_scan.h"

namespace spectrum_test {
namespace {

// A column scan whose readings are all level (alternating with level + 1
// if wobble) at the given gain. References span 900..1700 nm in 200 points.
std::vector<uint8_t> ColumnImage(uint16_t start, uint16_t end, uint8_t width, uint16_t points, uint8_t gain,
                                 int32_t level, bool wobble = false) {
    std::vector<int32_t> readings(points);
    for (int i = 0; i < points; ++i) readings[i] = level + (wobble ? i % 2 : 0);
    uScanData record = SingleRecord(MakeCfg(SCAN_TYPE_COLUMN, start, end, width, points), readings, 50, 25);
    record.data.pga_gain = gain;
    return Encode(record);
}

std::vector<uint8_t> ReferenceImage(uint8_t gain, int32_t level, uint8_t width = 6, bool wobble = true) {
    return ColumnImage(900, 1700, width, 200, gain, level, wobble);
}

std::unique_ptr<scanResults> Recompute(const std::vector<uint8_t> &ref_img,
                                       const std::vector<uint8_t> &mat_img, const scanResults &scan,
                                       int32_t status = VELSPEC_OK) {
    auto ref = std::make_unique<scanResults>();
    EXPECT_EQ(velspec_scan_interpReference(ref_img.data(), ref_img.size(), mat_img.data(), mat_img.size(),
                                           &scan, ref.get()),
              status);
    return ref;
}

// An equal configuration is only scaled for gain; another one is resampled
// and corrected for band width.
TEST(Reference, RecomputedForTheScan) {
    const auto ref_img = ReferenceImage(4, 6001);
    const auto mat_img = MatrixImage(LinearMatrix());
    auto scan = Interpret(ColumnImage(900, 1700, 6, 200, 1, 900));
    const auto as_interpreted = Interpret(ref_img);
    auto r = Recompute(ref_img, mat_img, *scan);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(r->intensity[i], as_interpreted->intensity[i] / 4) << i;
        EXPECT_EQ(r->wavelength[i], as_interpreted->wavelength[i]) << i;
    }
    EXPECT_EQ(r->pga_gain, 4);  // the gain field keeps its old value
    scan->pga_gain = 4;
    r = Recompute(ref_img, mat_img, *scan);
    EXPECT_EQ(std::memcmp(r->intensity, as_interpreted->intensity, sizeof r->intensity), 0);

    // Scan: 100 points of width 10 over 1000..1600 nm at gain 2. Reference:
    // level 6000, width 6 at gain 4. The matrix says a width-10 band gives
    // (1000 + k) / (600 + k) times the light of a width-6 band at wavelength
    // index k.
    scan = Interpret(ColumnImage(1000, 1600, 10, 100, 2, 900));
    r = Recompute(ReferenceImage(4, 6000, 6, false), mat_img, *scan);
    ASSERT_EQ(r->length, 100);
    for (int i = 0; i < 100; ++i) {
        const double nm = scan->wavelength[i];
        EXPECT_EQ(r->wavelength[i], nm);
        const double k = (nm - 900.0) * 49 / 800;
        EXPECT_NEAR(r->intensity[i], 6000 * (1000 + k) / (600 + k) * 2 / 4, 2.0) << i;
    }
}

TEST(Reference, RefusedRecomputations) {
    const auto mat_ok = MatrixImage(LinearMatrix());
    std::vector<uint8_t> broken = mat_ok;
    broken[10] = 'X';  // the format string
    refMatrix zero = LinearMatrix(), equal = LinearMatrix();
    zero.ref_intensities[2][17] = 0;    // width 6, the reference's own width
    equal.widths[1] = equal.widths[0];  // no slope to interpolate on from width 2
    auto wide = Interpret(ColumnImage(950, 1650, 6, 100, 1, 900));
    auto scan = Interpret(ColumnImage(1000, 1600, 10, 100, 1, 900)),
         too_long = Interpret(ColumnImage(1000, 1600, 10, 100, 1, 900));
    too_long->length = SCAN_MAX_ADC + 5;
    const struct Case {
        const char *name;
        std::vector<uint8_t> ref, mat;
        const scanResults *scan;
        int32_t status;
    } cases[] = {
        {"scan too wide", ColumnImage(1000, 1600, 6, 150, 4, 500), mat_ok, wide.get(), VELSPEC_ERR_FAILED},
        {"damaged matrix", ReferenceImage(1, 5000), broken, scan.get(), VELSPEC_ERR_SERIALIZE},
        {"width below the matrix", ReferenceImage(1, 5000, 1), mat_ok, scan.get(), VELSPEC_ERR_BAD_INPUT},
        {"width above the matrix", ReferenceImage(1, 5000, 40), mat_ok, scan.get(), VELSPEC_ERR_BAD_INPUT},
        {"zero matrix value", ReferenceImage(1, 5000, 6), MatrixImage(zero), scan.get(),
         VELSPEC_ERR_BAD_INPUT},
        {"equal widths", ReferenceImage(1, 5000, 2), MatrixImage(equal), scan.get(), VELSPEC_ERR_BAD_INPUT},
        {"length past the arrays", ReferenceImage(1, 5000), mat_ok, too_long.get(), VELSPEC_ERR_BAD_INPUT},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Recompute(c.ref, c.mat, *c.scan, c.status);
    }

    slewScanCfg two{};
    two.num_sections = 2;
    two.sections[0] = {0, 0, 900, 1700, 0, 0};
    EXPECT_EQ(velspec_valid_configs_to_interp(&wide->cfg, &two), VELSPEC_ERR_FAILED);
    const auto ref_img = ReferenceImage(1, 5000);
    EXPECT_EQ(
        velspec_scan_interpReference(ref_img.data(), 0, mat_ok.data(), mat_ok.size(), scan.get(), scan.get()),
        VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_scan_interpReference(nullptr, 10, mat_ok.data(), mat_ok.size(), scan.get(), scan.get()),
              VELSPEC_ERR_NULL);
    // Sections whose points pass the result arrays.
    auto ref = Interpret(ref_img);
    const refMatrix m = LinearMatrix();
    scan->cfg.sections[0].num_patterns = 900;
    EXPECT_EQ(velspec_scan_recomputeRefIntensities(scan.get(), ref.get(), &m), VELSPEC_ERR_BAD_INPUT);
}

TEST(GainScaling, TruncatesAndStopsAtTheEndMarker) {
    scanResults scan{}, ref{};
    scan.pga_gain = 1;
    ref.pga_gain = 4;
    ref.wavelength[0] = 1000;
    ref.wavelength[1] = 1001;
    ref.intensity[0] = 7;
    ref.intensity[1] = -7;
    ref.intensity[2] = 40;  // past the 0.0 wavelength: untouched
    ASSERT_EQ(velspec_scan_scale_for_pga_gain(&scan, &ref), VELSPEC_OK);
    EXPECT_EQ(std::vector<int32_t>(ref.intensity, ref.intensity + 3), (std::vector<int32_t>{1, -1, 40}));
    ref.pga_gain = 0;
    EXPECT_EQ(velspec_scan_scale_for_pga_gain(&scan, &ref), VELSPEC_ERR_BAD_INPUT);
}

}  // namespace
}  // namespace spectrum_test
