// Interpretation of scan data images: dispatch by scan type, multi-section
// scans section by section, and where each section's readings lie.
#include "velspec_scan.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "velspec_scan_col.h"
#include "velspec_scan_had.h"
#include "velspec_scan_internal.h"
#include "diag.h"

extern "C" int32_t velspec_scan_interpret(const void *image, size_t size, scanResults *results) {
    if (image == nullptr || results == nullptr) return VELSPEC_ERR_NULL;
    // The private copy is decoded in place into a uScanData, which is larger
    // than a short image: it is sized to hold both.
    std::vector<uint8_t> copy;
    try {
        copy.assign(std::max(size, sizeof(uScanData)), 0);
    } catch (const std::bad_alloc &) {
        return VELSPEC_ERR_NO_MEMORY;
    }
    std::memcpy(copy.data(), image, size);

    int32_t status = velspec::ReadScanData(copy.data(), size, copy.size());
    if (status != VELSPEC_OK) {
        velscan::diag::Print("velspec_scan_read_data debug 2: %d\n", status);
        return status;
    }
    uScanData *record = reinterpret_cast<uScanData *>(copy.data());
    if (record->data.header_version != 1) return VELSPEC_ERR_FAILED;

    std::memset(results, 0, sizeof *results);
    switch (velspec_scan_data_get_type(record)) {
        case SCAN_TYPE_COLUMN:
            return velspec_scan_col_interpret(&record->data, results);
        case SCAN_TYPE_HADAMARD:
            return velspec_scan_had_interpret(&record->data, results);
        case SCAN_TYPE_SLEW:
            return velspec_scan_slew_interpret(record, results);
        default:
            return VELSPEC_ERR_BAD_INPUT;
    }
}

extern "C" int32_t velspec_scan_section_get_adc_data_range(const slewScanData *data, uint8_t section,
                                                           uint32_t *start, uint16_t *num_patterns,
                                                           uint16_t *num_blacks) {
    if (data == nullptr || start == nullptr || num_patterns == nullptr || num_blacks == nullptr) {
        return VELSPEC_ERR_NULL;
    }
    // Only the sections the record holds have a range.
    if (section >= data->cfg.num_sections || section >= SLEW_MAX_SECTIONS) {
        return VELSPEC_ERR_BAD_INPUT;
    }
    const uint32_t period = data->black_pattern_period;
    uint32_t first = 0;
    for (uint32_t j = 0; j <= section; ++j) {
        const slewScanSection &s = data->cfg.sections[j];
        uint32_t patterns = 0;
        if (s.section_scan_type == SCAN_TYPE_COLUMN) {
            patterns = s.num_patterns;
        } else if (s.section_scan_type == SCAN_TYPE_HADAMARD) {
            const scanCfg cfg = velspec::SectionConfig(&data->cfg, &s);
            const int32_t status = velspec_scan_had_genPatDef(&cfg, &data->calibration_coeffs, &patDefH);
            if (status != VELSPEC_OK) return status;
            patterns = patDefH.num_patterns;
        } else {
            return VELSPEC_ERR_BAD_INPUT;
        }
        // Black readings lie where (k + 1) is a multiple of the period; each
        // one met inside the range lengthens it by one entry. A period of 0
        // means no black readings. The walk stops at the end of adc_data: a
        // period of 1 (every entry black) would otherwise never end.
        uint32_t blacks = 0;
        for (uint32_t k = first; k < first + patterns + blacks; ++k) {
            if (first + patterns + blacks > SCAN_MAX_ADC) return VELSPEC_ERR_BAD_INPUT;
            if (period != 0 && (k + 1) % period == 0) ++blacks;
        }
        if (first + patterns + blacks > SCAN_MAX_ADC) return VELSPEC_ERR_BAD_INPUT;
        if (j == section) {
            *start = first;
            *num_patterns = static_cast<uint16_t>(patterns);
            *num_blacks = static_cast<uint16_t>(blacks);
        } else {
            first += patterns + blacks;
        }
    }
    return VELSPEC_OK;
}

extern "C" int32_t velspec_scan_slew_interpret(uScanData *record, scanResults *results) {
    if (record == nullptr || results == nullptr) return VELSPEC_ERR_NULL;
    slewScanData *data = &record->slew;
    if (data->cfg.num_sections > SLEW_MAX_SECTIONS) return VELSPEC_ERR_BAD_INPUT;
    int32_t status = velspec_subtract_dc_level(data);
    if (status != VELSPEC_OK) return status;

    std::unique_ptr<scanData> section_data(new (std::nothrow) scanData);
    std::unique_ptr<scanResults> section_results(new (std::nothrow) scanResults);
    if (!section_data || !section_results) return VELSPEC_ERR_NO_MEMORY;

    int32_t count = 0;
    for (uint8_t s = 0; s < data->cfg.num_sections; ++s) {
        std::memset(section_data.get(), 0, sizeof *section_data);
        std::memset(section_results.get(), 0, sizeof *section_results);
        const uint8_t type = data->cfg.sections[s].section_scan_type;
        if (type != SCAN_TYPE_COLUMN && type != SCAN_TYPE_HADAMARD) return VELSPEC_ERR_BAD_TYPE;
        status = velspec_get_scanData_from_slewScanData(data, section_data.get(), s);
        if (status != VELSPEC_OK) return status;
        if (type == SCAN_TYPE_COLUMN) {
            status = velspec_scan_col_interpret(section_data.get(), section_results.get());
        } else if (type == SCAN_TYPE_HADAMARD) {
            status = velspec_scan_had_interpret(section_data.get(), section_results.get());
        }
        if (status != VELSPEC_OK) return status;

        // Each section contributes the points of its num_patterns; the
        // appended points must fit the result arrays.
        const int32_t points = section_results->cfg.sections[0].num_patterns;
        if (s == 0) {
            *results = *section_results;
            velspec::CopySlewHeader(data, results);
            count = points;
            continue;
        }
        if (count + points > SCAN_MAX_ADC) return VELSPEC_ERR_BAD_INPUT;
        std::memcpy(results->intensity + count, section_results->intensity, sizeof(int32_t) * points);
        std::memcpy(results->wavelength + count, section_results->wavelength, sizeof(double) * points);
        count += points;
        results->length += section_results->length;
    }
    return VELSPEC_OK;
}
