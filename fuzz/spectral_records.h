// Valid scan records for the spectral fuzz target and its seeds: column,
// Hadamard and multi-section scans over a realistic calibration, encoded by
// the spectral library itself.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "velspec_records.h"
#include "velspec_scan.h"
#include "velspec_scan_had.h"

namespace fuzz {

// A zeroed record with the header every scan shares; black readings every
// 25th entry, the first at entry 24.
inline uScanData ScanRecord(uint8_t gain) {
    uScanData rec;
    std::memset(&rec, 0, sizeof rec);
    scanData &d = rec.data;
    d.header_version = 1;
    std::strncpy(d.scan_name, "fuzz", sizeof d.scan_name);
    d.system_temp_hundredths = 2512;
    d.humidity_hundredths = 4100;
    d.calibration_coeffs = {{0, 0, 0}, {1720.0, -0.97, 0.00002}};
    std::memcpy(d.serial_number, "FZ000001", 8);
    d.black_pattern_first = 24;
    d.black_pattern_period = 25;
    d.pga_gain = gain;
    return rec;
}

// Readings: light values with a black reading at every black position,
// until `light` non-black readings have been placed.
inline uint16_t FillAdc(int32_t *adc, uint32_t light) {
    uint32_t placed = 0, i = 0;
    for (; placed < light && i < SCAN_MAX_ADC; ++i)
        adc[i] = i % 25 == 24 ? 400 : static_cast<int32_t>(20000 + 13 * placed++ % 5000);
    return static_cast<uint16_t>(i);
}

// A single-section scan (type 0 column, 1 Hadamard).
inline uScanData SingleScan(uint8_t type, uint16_t start_nm, uint16_t end_nm, uint8_t width,
                            uint16_t patterns, uint8_t gain) {
    uScanData rec = ScanRecord(gain);
    scanData &d = rec.data;
    d.scan_type = type;
    std::memcpy(d.cfg_serial_number, "FZ000001", 8);
    std::strncpy(d.config_name, "fuzz config", sizeof d.config_name);
    d.wavelength_start_nm = start_nm;
    d.wavelength_end_nm = end_nm;
    d.width_px = width;
    d.num_patterns = patterns;
    d.num_repeats = 1;
    uint32_t readings = patterns;
    if (type == 1) {
        scanCfg cfg = {1, 0, "", "", start_nm, end_nm, width, patterns, 0};
        hadPatDef def;
        if (velspec_scan_had_genPatDef(&cfg, &d.calibration_coeffs, &def) == 0) readings = def.num_patterns;
    }
    d.adc_data_length = FillAdc(d.adc_data, readings);
    return rec;
}

inline std::vector<uint8_t> EncodeScan(const uScanData &rec) {
    size_t size = 0;
    if (velspec_get_scan_data_dump_size(&rec, &size) != 0) return {};
    std::vector<uint8_t> image(size);
    if (velspec_scan_write_data(&rec, image.data(), image.size()) != 0) return {};
    return image;
}

// The scans the reference target recomputes a reference for; the last is a
// multi-section scan of two column sections.
inline std::vector<std::vector<uint8_t>> ScanImages() {
    uScanData slew = ScanRecord(1);
    slewScanData &s = slew.slew;
    s.cfg.scan_type = 2;
    std::memcpy(s.cfg.serial_number, "FZ000001", 8);
    std::strncpy(s.cfg.config_name, "fuzz slew", sizeof s.cfg.config_name);
    s.cfg.num_repeats = 1;
    s.cfg.num_sections = 2;
    s.cfg.sections[0] = {0, 6, 950, 1300, 100, 0};
    s.cfg.sections[1] = {0, 8, 1300, 1650, 80, 0};
    s.adc_data_length = FillAdc(s.adc_data, 180);
    return {
        EncodeScan(SingleScan(0, 950, 1650, 6, 228, 1)),
        EncodeScan(SingleScan(0, 1000, 1600, 10, 150, 4)),
        EncodeScan(SingleScan(1, 950, 1650, 7, 200, 2)),
        EncodeScan(slew),
    };
}

}  // namespace fuzz
