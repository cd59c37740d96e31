// The physics of the virtual instrument, seen through the host's own
// interpretation of its scans.
#include <algorithm>
#include <cmath>

#include "physics.h"
#include "virtual_fixture.h"

namespace {

constexpr uint8_t kColumnSlot = 0, kHadamardSlot = 1, kTwoSectionSlot = 2;  // factory slots

// Wavelengths of the local maxima that stand well above their surroundings.
std::vector<double> LinePeaks(const scanResults &r, double threshold) {
    std::vector<double> peaks;
    for (int i = 1; i + 1 < r.length; ++i) {
        const int32_t *y = r.intensity;
        if (y[i] < threshold || y[i] < y[i - 1] || y[i] <= y[i + 1]) continue;
        // Sub-point position of the maximum of the parabola through the three.
        double offset = 0.5 * (y[i - 1] - y[i + 1]) / (y[i - 1] - 2.0 * y[i] + y[i + 1]);
        double step =
            offset < 0 ? r.wavelength[i] - r.wavelength[i - 1] : r.wavelength[i + 1] - r.wavelength[i];
        peaks.push_back(r.wavelength[i] + offset * step);
    }
    return peaks;
}

}  // namespace

TEST_F(VirtualDeviceTest, HadamardScanAgreesWithColumnScanPointByPoint) {
    virt::SetSample(virt::Sample::Organic);
    virt::SetNoiseEnabled(false);
    auto column = Scan(kColumnSlot);
    auto hadamard = Scan(kHadamardSlot);
    ASSERT_EQ(column->length, 228);
    ASSERT_EQ(hadamard->length, 228);
    for (int i = 0; i < 228; ++i) {
        EXPECT_DOUBLE_EQ(hadamard->wavelength[i], column->wavelength[i]) << i;
        // Without noise only the decoder's truncation separates them.
        EXPECT_NEAR(hadamard->intensity[i], column->intensity[i], 2) << i;
    }

    virt::SetNoiseEnabled(true);
    column = Scan(kColumnSlot);
    hadamard = Scan(kHadamardSlot);
    for (int i = 0; i < 228; ++i) {
        double expected = column->intensity[i];
        // Column noise is about 0.25 % of a bright band; allow four sigma.
        EXPECT_NEAR(hadamard->intensity[i], expected, 0.01 * expected + 600.0) << i;
    }
}

TEST_F(VirtualDeviceTest, EmissionLinesAppearAtTheirWavelengths) {
    virt::SetSample(virt::Sample::EmissionLines);
    for (uint8_t slot : {kColumnSlot, kHadamardSlot}) {
        auto r = Scan(slot);
        std::vector<double> peaks = LinePeaks(*r, 20000.0);
        for (const virt::EmissionLine &line : virt::EmissionLines()) {
            if (line.nm > 1690.0) continue;  // on the detector's cut-off flank
            auto nearest = std::min_element(peaks.begin(), peaks.end(), [&](double a, double b) {
                return std::fabs(a - line.nm) < std::fabs(b - line.nm);
            });
            ASSERT_NE(nearest, peaks.end());
            // Band centres lie 3.5 nm apart; the peak is found to a fraction of that.
            EXPECT_NEAR(*nearest, line.nm, 1.5) << "slot " << int(slot) << " line " << line.nm;
        }
    }
}

TEST_F(VirtualDeviceTest, WhiteStandardReadsOneAndDarkWindowZeroWithinNoise) {
    Bytes reference = FetchFile(ZOR_FILE_REFCAL_DATA);
    Bytes matrix = FetchFile(ZOR_FILE_MATRIX_DATA);
    for (uint8_t slot : {kColumnSlot, kHadamardSlot}) {
        auto scan = Scan(slot);
        auto ref = std::make_unique<scanResults>();
        ASSERT_EQ(velspec_scan_interpReference(reference.data(), reference.size(), matrix.data(),
                                               matrix.size(), scan.get(), ref.get()),
                  VELSPEC_OK);
        ASSERT_EQ(ref->length, scan->length);
        for (int i = 0; i < scan->length; ++i) {
            double reflectance = static_cast<double>(scan->intensity[i]) / ref->intensity[i];
            EXPECT_NEAR(reflectance, 1.0, 0.015) << "slot " << int(slot) << " at " << scan->wavelength[i];
        }
    }
    virt::SetSample(virt::Sample::Dark);  // after dark removal
    auto dark = Scan(kColumnSlot);
    for (int i = 0; i < dark->length; ++i) EXPECT_NEAR(dark->intensity[i], 0, 600) << i;
}

TEST_F(VirtualDeviceTest, GainScalesAndAveragingQuietsTheSignal) {
    virt::SetNoiseEnabled(false);
    auto at16 = Scan(kColumnSlot);
    ASSERT_EQ(ZOR_SetPGAGain(32), 0);
    auto at32 = Scan(kColumnSlot);
    EXPECT_EQ(at32->pga_gain, 32);
    for (int i = 0; i < 228; i += 19) EXPECT_NEAR(at32->intensity[i], 2.0 * at16->intensity[i], 2.0) << i;

    // Standard deviation of each point over repeated scans, averaged over points.
    virt::SetNoiseEnabled(true);
    ASSERT_EQ(ZOR_SetPGAGain(16), 0);
    auto spread = [&](uint16_t repeats) {
        EXPECT_EQ(ZOR_SetScanNumRepeats(repeats), 0);
        constexpr int kScans = 12;
        std::vector<std::vector<double>> runs;
        for (int s = 0; s < kScans; ++s) {
            auto r = Scan(kColumnSlot);
            runs.emplace_back(r->intensity, r->intensity + r->length);
        }
        double total = 0.0;
        for (size_t i = 0; i < runs[0].size(); ++i) {
            double mean = 0.0, sq = 0.0;
            for (auto &run : runs) mean += run[i] / kScans;
            for (auto &run : runs) sq += (run[i] - mean) * (run[i] - mean);
            total += std::sqrt(sq / (kScans - 1));
        }
        return total / runs[0].size();
    };
    double single = spread(1);
    double sixteen = spread(16);
    EXPECT_GT(single, 100.0);
    EXPECT_NEAR(single / sixteen, 4.0, 1.0);
}

TEST_F(VirtualDeviceTest, TwoSectionScanJoinsColumnAndHadamardSections) {
    virt::SetNoiseEnabled(false);
    auto two = Scan(kTwoSectionSlot);
    ASSERT_EQ(two->length, 200);
    EXPECT_EQ(two->cfg.num_sections, 2);
    for (int i = 1; i < two->length; ++i) EXPECT_GT(two->wavelength[i], two->wavelength[i - 1]) << i;
    EXPECT_NEAR(two->wavelength[0], 900.0, 1.0);
    EXPECT_NEAR(two->wavelength[199], 1700.0, 1.0);

    // Section 1 is Hadamard with 8-column bands at twice the exposure: about
    // 2 * 8/6 of the light of the 6-column bands of a column scan.
    auto column = Scan(kColumnSlot);
    for (int i = 110; i < 190; i += 10) {
        const double nm = two->wavelength[i];
        int j = std::min_element(column->wavelength, column->wavelength + column->length,
                                 [&](double a, double b) { return std::fabs(a - nm) < std::fabs(b - nm); }) -
                column->wavelength;
        EXPECT_NEAR(two->intensity[i] / (2.0 * 8.0 / 6.0), column->intensity[j], 0.05 * column->intensity[j])
            << i;
    }
}

TEST_F(VirtualDeviceTest, AutomaticGainKeepsTheBrightestReadingBelowFullScale) {
    ASSERT_EQ(ZOR_SetFixedPGAGain(0, 0), 0);
    auto column = Scan(kColumnSlot);
    EXPECT_EQ(column->pga_gain, 64);  // one band at a time leaves plenty of headroom
    EXPECT_EQ(ZOR_GetPGAGain(), 64);
    auto hadamard = Scan(kHadamardSlot);
    EXPECT_EQ(hadamard->pga_gain, 16);  // about half of 76 bands lit at once
}

TEST_F(VirtualDeviceTest, UnbentPatternsBlurTheCurvedSlitImage) {
    // Patterns bent with the instrument's shift vector follow the curved
    // slit image; straight ones catch each line partly off the band.
    virt::SetSample(virt::Sample::EmissionLines);
    virt::SetNoiseEnabled(false);
    auto bent = Scan(kColumnSlot);
    calibCoeffSet c{};
    ASSERT_EQ(ZOR_GetCalibStruct(&c), 0);
    c.shift_vector_coeffs[0] = c.shift_vector_coeffs[1] = c.shift_vector_coeffs[2] = 0.0;
    ASSERT_EQ(ZOR_SendCalibStruct(&c), 0);
    auto straight = Scan(kColumnSlot);
    int32_t bent_peak = *std::max_element(bent->intensity, bent->intensity + bent->length);
    int32_t straight_peak = *std::max_element(straight->intensity, straight->intensity + straight->length);
    EXPECT_LT(straight_peak, 0.95 * bent_peak);
}
