// Builders of synthetic records for the spectral library's tests.
#ifndef VELSCAN_TESTS_SPECTRUM_FIXTURES_H
#define VELSCAN_TESTS_SPECTRUM_FIXTURES_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "velspec_helper.h"
#include "velspec_scan.h"
#include "velspec_scan_had.h"

namespace spectrum_test {

inline std::vector<int32_t> Ramp(int n, int32_t base, int32_t step) {
    std::vector<int32_t> v(n);
    for (int i = 0; i < n; ++i) v[i] = base + step * i;
    return v;
}

// Column x shows wavelength 900 + x nm, so the columns of a configuration
// are easy to work out by hand.
inline calibCoeffSet LinearCalibration() { return {{1.5}, {900.0, 1.0}}; }

inline scanCfg MakeCfg(uint8_t type, uint16_t start_nm, uint16_t end_nm, uint8_t width, uint16_t patterns) {
    return {type, 3, "VS-0042", "synthetic", start_nm, end_nm, width, patterns, 6};
}

// A header like the device writes one: every field distinct and non-zero.
template <typename Record>
void FillHeader(Record *r) {
    r->header_version = 1;
    std::memcpy(r->scan_name, "sample", 7);
    for (int i = 0; i < 7; ++i) r->scan_time[i] = static_cast<uint8_t>(20 + i);
    r->system_temp_hundredths = 2534;
    r->aux_reading_signed = -12;
    r->humidity_hundredths = 4512;
    r->aux_reading_unsigned = 7;
    r->device_tag = 0xA1B2C3D4u;
    r->calibration_coeffs = LinearCalibration();
    std::memcpy(r->serial_number, "VS-0042", 8);
    r->pga_gain = 4;
}

// Lays readings out the way the device interleaves them: a black reading
// (value dark) wherever (i + 1) is a multiple of period, and the dark level
// added to every pattern reading. Returns the number of entries used.
inline uint16_t Interleave(const std::vector<int32_t> &readings, int32_t dark, uint8_t period, int32_t *adc) {
    uint16_t pos = 0;
    for (size_t next = 0; next < readings.size(); ++pos) {
        adc[pos] = (pos + 1) % period == 0 ? dark : readings[next++] + dark;
    }
    return pos;
}

// A single-section record of the configuration with the readings laid out.
inline uScanData SingleRecord(const scanCfg &cfg, const std::vector<int32_t> &readings, int32_t dark,
                              uint8_t period) {
    uScanData u{};
    scanData &d = u.data;
    FillHeader(&d);
    // From config_index on, the inline configuration has scanCfg's layout.
    d.scan_type = cfg.scan_type;
    std::memcpy(&d.config_index, &cfg.config_index, sizeof cfg - offsetof(scanCfg, config_index));
    d.black_pattern_period = period;
    d.black_pattern_first = static_cast<uint8_t>(period - 1);
    d.adc_data_length = Interleave(readings, dark, period, d.adc_data);
    return u;
}

// Readings of a whole Hadamard definition, group by group: reading r of a
// group sums the intensities of the points that row r of its S-matrix lights.
inline std::vector<int32_t> HadamardScanReadings(const hadPatDef &def, const std::vector<int32_t> &by_point) {
    std::vector<int32_t> all;
    for (int g = 0; g < def.num_groups; ++g) {
        const hadPatGroup &group = def.groups[g];
        std::vector<uint8_t> row(group.paley_order);
        for (uint16_t r = 0; r < group.paley_order; ++r) {
            getSMatrixRow(group.paley_order, r, row.data());
            int32_t sum = 0;
            for (int c = 0; c < group.num_columns; ++c) sum += row[c] ? by_point[group.point_index[c]] : 0;
            all.push_back(sum);
        }
    }
    return all;
}

// A two-section scan: 24 column points of width 6, then 30 Hadamard points
// of width 8 (one group of order 31), a black reading (77) wherever (i + 1)
// is a multiple of 25.
inline uScanData TwoSectionRecord(const std::vector<int32_t> &column_truth,
                                  const std::vector<int32_t> &had_truth) {
    uScanData u{};
    slewScanData &s = u.slew;
    FillHeader(&s);
    s.cfg = {SCAN_TYPE_SLEW, 0x0201, "VS-0042", "two sections", 3, 2, {}};
    s.cfg.sections[0] = {SCAN_TYPE_COLUMN, 6, 950, 1200, 24, 1};
    s.cfg.sections[1] = {SCAN_TYPE_HADAMARD, 8, 1250, 1650, 30, 3};
    const scanCfg had_cfg = MakeCfg(SCAN_TYPE_HADAMARD, 1250, 1650, 8, 30);
    const calibCoeffSet calib = LinearCalibration();
    hadPatDef def{};
    EXPECT_EQ(velspec_scan_had_genPatDef(&had_cfg, &calib, &def), VELSPEC_OK);
    std::vector<int32_t> readings = column_truth;
    const std::vector<int32_t> had = HadamardScanReadings(def, had_truth);
    readings.insert(readings.end(), had.begin(), had.end());
    s.black_pattern_period = 25;
    s.black_pattern_first = 24;
    s.adc_data_length = Interleave(readings, 77, 25, s.adc_data);
    return u;
}

// Interprets an image into results filled with 0x5A beforehand, so that a
// field the interpretation leaves out stands out.
inline std::unique_ptr<scanResults> Interpret(const std::vector<uint8_t> &image,
                                              int32_t status = VELSPEC_OK) {
    auto r = std::make_unique<scanResults>();
    std::memset(r.get(), 0x5A, sizeof *r);
    EXPECT_EQ(velspec_scan_interpret(image.data(), image.size(), r.get()), status);
    return r;
}

// Encodes a record into an image of exactly its size.
inline std::vector<uint8_t> Encode(const uScanData &record) {
    size_t size = 0;  // stays 0, for an empty image, if the query fails
    velspec_get_scan_data_dump_size(&record, &size);
    std::vector<uint8_t> image(size);
    if (velspec_scan_write_data(&record, image.data(), size) != VELSPEC_OK) return {};
    return image;
}

// Images of a configuration (either kind) and of a reference matrix. A
// decoded record is compared by re-encoding it: records have padding bytes,
// which an in-place decode leaves holding image bytes.
inline std::vector<uint8_t> ConfigImage(const void *cfg) {
    size_t size = 0;
    velspec_get_scan_config_dump_size(cfg, &size);
    std::vector<uint8_t> image(size);
    if (velspec_scan_write_configuration(cfg, image.data(), size) != VELSPEC_OK) return {};
    return image;
}

inline std::vector<uint8_t> MatrixImage(const refMatrix &m) {
    std::vector<uint8_t> image(VELSPEC_IMG_SIZE_REF_MATRIX);
    if (velspec_calib_write_ref_matrix(&m, image.data(), image.size()) != VELSPEC_OK) return {};
    return image;
}

// Values grow linearly with band width: 100 per column of width plus the
// wavelength index, over widths 2, 4, ... 38 and wavelengths 900 .. 1700 nm.
inline refMatrix LinearMatrix() {
    refMatrix m{};
    for (int k = 0; k < REF_MATRIX_WAVELENGTHS; ++k) m.wavelengths[k] = 900.0 + k * 800.0 / 49;
    for (int i = 0; i < REF_MATRIX_WIDTHS; ++i) {
        m.widths[i] = static_cast<uint8_t>(2 + 2 * i);
        for (int k = 0; k < REF_MATRIX_WAVELENGTHS; ++k) {
            m.ref_intensities[i][k] = static_cast<uint16_t>(100 * m.widths[i] + k);
        }
    }
    return m;
}

}  // namespace spectrum_test

#endif  // VELSCAN_TESTS_SPECTRUM_FIXTURES_H
