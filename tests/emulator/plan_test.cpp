// The columns each pattern of a configuration lights: drawn frames must
// match the pattern definitions and S-matrix rows exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "physics.h"
#include "scan_plan.h"
#include "velspec_scan.h"

namespace {

calibCoeffSet FactoryCalibration() {
    const virt::Optics optics = virt::FactoryOptics();
    calibCoeffSet c{};
    std::copy(optics.shift.begin(), optics.shift.end(), c.shift_vector_coeffs);
    std::copy(optics.pixel_to_nm.begin(), optics.pixel_to_nm.end(), c.pixel_to_wavelength_coeffs);
    return c;
}

std::vector<bool> Mask(const virt::Pattern &pattern) {
    std::vector<bool> lit(DMD_NUM_COLUMNS, false);
    for (const virt::LitRange &r : pattern)
        for (int c = r.first; c < r.last; ++c) lit[c] = true;
    return lit;
}

virt::DecodedConfig Single(uint8_t type, uint16_t start, uint16_t end, uint8_t width, uint16_t points) {
    virt::DecodedConfig config;
    config.single.scan_type = type;
    config.single.wavelength_start_nm = start;
    config.single.wavelength_end_nm = end;
    config.single.width_px = width;
    config.single.num_patterns = points;
    config.slew.scan_type = SCAN_TYPE_SLEW;
    config.slew.num_sections = 1;
    config.slew.sections[0] = {type, width, start, end, points, 0};
    return config;
}

}  // namespace

TEST(ScanPlan, DrawnFramesLightExactlyTheDefinedBands) {
    virt::DecodedConfig two = Single(SCAN_TYPE_COLUMN, 900, 1300, 6, 100);
    two.multi_section = true;
    two.slew.num_sections = 2;
    two.slew.sections[1] = {SCAN_TYPE_HADAMARD, 8, 1304, 1700, 100, 1};
    const virt::DecodedConfig configs[] = {
        Single(SCAN_TYPE_COLUMN, 900, 1700, 6, 228),
        Single(SCAN_TYPE_HADAMARD, 900, 1700, 6, 228),
        Single(SCAN_TYPE_HADAMARD, 860, 1712, 3, 400),  // bands running off both ends of the array
        Single(SCAN_TYPE_COLUMN, 855, 1710, 11, 40),    // first band clipped at column 0
        two,
    };
    calibCoeffSet calibration = FactoryCalibration();
    for (const virt::DecodedConfig &config : configs) {
        auto drawn = virt::PlanScan(config, calibration, virt::PatternSource::Drawn);
        auto defined = virt::PlanScan(config, calibration, virt::PatternSource::Definitions);
        ASSERT_TRUE(drawn && defined);
        ASSERT_EQ(drawn->pattern_count, defined->pattern_count);
        ASSERT_EQ(drawn->sections.size(), defined->sections.size());
        for (size_t s = 0; s < drawn->sections.size(); ++s) {
            const auto &a = drawn->sections[s].patterns;
            const auto &b = defined->sections[s].patterns;
            ASSERT_EQ(a.size(), b.size());
            for (size_t p = 0; p < a.size(); ++p)
                EXPECT_EQ(Mask(a[p]), Mask(b[p])) << "section " << s << " pattern " << p;
        }
    }

    // Three interleaved groups of 76 bands, each coded with the order-79
    // matrix: each pattern lights about half the bands of its group.
    auto hadamard = virt::PlanScan(configs[1], calibration);
    ASSERT_TRUE(hadamard.has_value());
    ASSERT_EQ(hadamard->pattern_count, 3u * 79u);
    for (const virt::Pattern &p : hadamard->sections[0].patterns) {
        EXPECT_GE(p.size(), 30u);
        EXPECT_LE(p.size(), 40u);
        for (const virt::LitRange &r : p) EXPECT_EQ(r.last - r.first, 6);
    }
    EXPECT_EQ(hadamard->adc_entries, 246u);  // and 9 black readings
}

TEST(ScanPlan, UnscannableConfigurationsHaveNoPlan) {
    virt::DecodedConfig bad_exposure = Single(SCAN_TYPE_COLUMN, 900, 1700, 6, 100);
    bad_exposure.multi_section = true;
    bad_exposure.slew.sections[0].exposure_time = 7;
    const virt::DecodedConfig configs[] = {
        Single(SCAN_TYPE_HADAMARD, 900, 1700, 6, 2),  // no band spacing
        Single(SCAN_TYPE_COLUMN, 900, 1700, 6, 0),
        Single(SCAN_TYPE_COLUMN, 900, 1700, 6, 850),  // beyond the raw record
        Single(SCAN_TYPE_COLUMN, 900, 5000, 6, 100),  // off the array
        bad_exposure,
    };
    for (const virt::DecodedConfig &config : configs)
        EXPECT_FALSE(virt::PlanScan(config, FactoryCalibration()));
    EXPECT_FALSE(virt::PlanScan(Single(SCAN_TYPE_COLUMN, 900, 1700, 6, 228), calibCoeffSet{}));  // erased
}
