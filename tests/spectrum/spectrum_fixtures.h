// Builders of synthetic records for the spectral library's tests.
#ifndef VELSCAN_TESTS_SPECTRUM_FIXTURES_H
#define VELSCAN_TESTS_SPECTRUM_FIXTURES_H

#include <cstdint>
#include <cstring>
#include <vector>

#include "velspec_helper.h"
#include "velspec_scan.h"
#include "velspec_scan_had.h"

namespace spectrum_test {

// A linear calibration: column x shows wavelength 900 + x nm, so the
// columns of a configuration are easy to work out by hand.
inline calibCoeffSet linear_calibration() {
    calibCoeffSet c{};
    c.shift_vector_coeffs[0] = 1.5;
    c.pixel_to_wavelength_coeffs[0] = 900.0;
    c.pixel_to_wavelength_coeffs[1] = 1.0;
    return c;
}

inline scanCfg make_cfg(uint8_t type, uint16_t start_nm, uint16_t end_nm, uint8_t width, uint16_t patterns) {
    scanCfg cfg{};
    cfg.scan_type = type;
    cfg.config_index = 3;
    std::memcpy(cfg.serial_number, "VS-0042", 8);
    std::memcpy(cfg.config_name, "synthetic", 10);
    cfg.wavelength_start_nm = start_nm;
    cfg.wavelength_end_nm = end_nm;
    cfg.width_px = width;
    cfg.num_patterns = patterns;
    cfg.num_repeats = 6;
    return cfg;
}

// A header like the device writes one.
template <typename Record>
void fill_header(Record *r, const calibCoeffSet &calib) {
    r->header_version = 1;
    std::memcpy(r->scan_name, "sample", 7);
    for (int i = 0; i < 7; ++i) r->scan_time[i] = static_cast<uint8_t>(20 + i);
    r->system_temp_hundredths = 2534;
    r->aux_reading_signed = -12;
    r->humidity_hundredths = 4512;
    r->aux_reading_unsigned = 7;
    r->device_tag = 0xA1B2C3D4u;
    r->calibration_coeffs = calib;
    std::memcpy(r->serial_number, "VS-0042", 8);
    r->pga_gain = 4;
}

// Lays readings out with a black reading (value dark) wherever (i + 1) is a
// multiple of period, the way the device interleaves them, and adds the dark
// level to every pattern reading. Returns the number of entries used.
inline uint16_t interleave(const std::vector<int32_t> &readings, int32_t dark, uint8_t period, int32_t *adc) {
    uint16_t pos = 0;
    size_t next = 0;
    while (next < readings.size()) {
        if ((pos + 1) % period == 0) {
            adc[pos++] = dark;
        } else {
            adc[pos++] = readings[next++] + dark;
        }
    }
    return pos;
}

// Readings of a whole Hadamard definition, group by group: reading r of a
// group sums the intensities of the bands that row r of its matrix lights.
inline std::vector<int32_t> hadamard_scan_readings(const hadPatDef &def,
                                                   const std::vector<int32_t> &by_point) {
    std::vector<int32_t> all;
    for (int g = 0; g < def.num_groups; ++g) {
        const hadPatGroup &group = def.groups[g];
        std::vector<uint8_t> row(group.paley_order);
        for (uint16_t r = 0; r < group.paley_order; ++r) {
            getSMatrixRow(group.paley_order, r, row.data());
            int32_t sum = 0;
            for (int c = 0; c < group.num_columns; ++c) {
                if (row[c]) sum += by_point[group.point_index[c]];
            }
            all.push_back(sum);
        }
    }
    return all;
}

// A single-section record of the configuration with the readings laid out.
inline uScanData single_record(const scanCfg &cfg, const calibCoeffSet &calib,
                               const std::vector<int32_t> &readings, int32_t dark, uint8_t period) {
    uScanData u{};
    scanData &d = u.data;
    fill_header(&d, calib);
    d.scan_type = cfg.scan_type;
    d.config_index = cfg.config_index;
    std::memcpy(d.cfg_serial_number, cfg.serial_number, sizeof d.cfg_serial_number);
    std::memcpy(d.config_name, cfg.config_name, sizeof d.config_name);
    d.wavelength_start_nm = cfg.wavelength_start_nm;
    d.wavelength_end_nm = cfg.wavelength_end_nm;
    d.width_px = cfg.width_px;
    d.num_patterns = cfg.num_patterns;
    d.num_repeats = cfg.num_repeats;
    d.black_pattern_period = period;
    d.black_pattern_first = static_cast<uint8_t>(period - 1);
    d.adc_data_length = interleave(readings, dark, period, d.adc_data);
    return u;
}

// Encodes a record into an image of exactly its size.
inline std::vector<uint8_t> encode(const uScanData &record) {
    size_t size = 0;
    if (velspec_get_scan_data_dump_size(&record, &size) != VELSPEC_OK) return {};
    std::vector<uint8_t> image(size);
    if (velspec_scan_write_data(&record, image.data(), image.size()) != VELSPEC_OK) return {};
    return image;
}

// Images of a configuration (either kind) and of a reference matrix. A
// decoded record is compared by re-encoding it: records have padding bytes,
// which an in-place decode leaves holding image bytes.
inline std::vector<uint8_t> config_image(const void *cfg) {
    size_t size = 0;
    if (velspec_get_scan_config_dump_size(cfg, &size) != VELSPEC_OK) return {};
    std::vector<uint8_t> image(size);
    if (velspec_scan_write_configuration(cfg, image.data(), size) != VELSPEC_OK) return {};
    return image;
}

inline std::vector<uint8_t> matrix_image(const refMatrix &m) {
    std::vector<uint8_t> image(VELSPEC_IMG_SIZE_REF_MATRIX);
    if (velspec_calib_write_ref_matrix(&m, image.data(), image.size()) != VELSPEC_OK) return {};
    return image;
}

// A matrix whose values grow linearly with band width: 100 per column of
// width plus the wavelength index, over widths 2, 4, ... 38 and
// wavelengths 900 .. 1700 nm.
inline refMatrix linear_matrix() {
    refMatrix m{};
    for (int i = 0; i < REF_MATRIX_WIDTHS; ++i) m.widths[i] = static_cast<uint8_t>(2 + 2 * i);
    for (int k = 0; k < REF_MATRIX_WAVELENGTHS; ++k) m.wavelengths[k] = 900.0 + k * 800.0 / 49;
    for (int i = 0; i < REF_MATRIX_WIDTHS; ++i) {
        for (int k = 0; k < REF_MATRIX_WAVELENGTHS; ++k) {
            m.ref_intensities[i][k] = static_cast<uint16_t>(100 * m.widths[i] + k);
        }
    }
    return m;
}

inline constexpr uint16_t kSMatrixOrders[SMATRIX_NUM_ORDERS] = {
    3,   7,   11,  19,  23,  31,  43,  47,  59,  67,  71,  79,  83,  103, 107,
    127, 131, 139, 151, 163, 167, 179, 191, 199, 211, 223, 227, 239, 251};

}  // namespace spectrum_test

#endif  // VELSCAN_TESTS_SPECTRUM_FIXTURES_H
