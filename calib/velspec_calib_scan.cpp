// Interpretation of a calibration scan into wavelength (or point index) and
// intensity pairs.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "velspec_calib.h"
#include "velspec_helper.h"
#include "velspec_scan.h"
#include "velspec_util.h"
#include "diag.h"

namespace {

constexpr uint32_t kBandCentre = 5 / 2;  // centre of the 5-column bands
constexpr uint32_t kRightHalfOffset = 427;

}  // namespace

extern "C" int32_t velspec_calib_interpret(const void *image, size_t size, scanResults *results,
                                           uint32_t type) {
    if (image == nullptr || results == nullptr) return VELSPEC_ERR_NULL;
    // The record is decoded in place; the copy holds the record even when
    // the image is shorter than it, so a truncated image fails cleanly.
    std::vector<uint8_t> copy;
    try {
        copy.assign(size > sizeof(uScanData) ? size : sizeof(uScanData), 0);
    } catch (const std::exception &) {
        return VELSPEC_ERR_NO_MEMORY;
    }
    std::memcpy(copy.data(), image, size);
    int32_t status = velspec_deserialize(copy.data(), size, REC_SCAN_DATA);
    if (status != VELSPEC_OK) {
        velscan::diag::Print("------velspec_deserialize debug 2\n");
        return status;
    }
    const scanData *data = reinterpret_cast<const scanData *>(copy.data());
    if (data->adc_data_length > SCAN_MAX_ADC) return VELSPEC_ERR_BAD_INPUT;

    const uint32_t offset = type == VELSPEC_CALIB_PAT_RIGHT ? kRightHalfOffset : 0;
    velspec_copy_scanData_hdr_to_scanResults(reinterpret_cast<const uScanData *>(copy.data()), results);
    if (type == VELSPEC_CALIB_PAT_BLOCKS) {
        // The raw readings, black ones included.
        for (uint32_t i = 0; i < data->adc_data_length; i++) results->intensity[i] = data->adc_data[i];
        results->black_pattern_first = data->black_pattern_first;
        results->black_pattern_period = data->black_pattern_period;
        results->length = data->adc_data_length;
    } else {
        status = velspec_subtract_remove_dc_level(data, results);
        if (status != VELSPEC_OK) return status;
    }
    if (results->length < 0 || results->length > SCAN_MAX_ADC) return VELSPEC_ERR_BAD_INPUT;

    const bool byColumn = type == VELSPEC_CALIB_PAT_LEFT || type == VELSPEC_CALIB_PAT_RIGHT;
    for (int32_t i = 0; i < results->length; i++) {
        if (byColumn) {
            const double column = static_cast<double>(i + offset + kBandCentre);
            status = velspec_util_columnToNm(column, data->calibration_coeffs.pixel_to_wavelength_coeffs,
                                             &results->wavelength[i]);
            if (status != VELSPEC_OK) break;
        } else {
            results->wavelength[i] = i;
        }
    }
    return status;
}
