// Column scans: the column pattern definition and the interpretation of
// column readings.
#include "velspec_scan_col.h"

#include <cmath>
#include <cstring>

#include "velspec_numeric.h"
#include "velspec_scan_internal.h"
#include "velspec_util.h"

extern "C" int32_t velspec_scan_col_genPatDef(const scanCfg *cfg, const calibCoeffSet *coeffs,
                                              colPatDef *out) {
    if (cfg == nullptr || coeffs == nullptr || out == nullptr) return VELSPEC_ERR_NULL;
    // center_column has room for COL_MAX_PATTERNS bands.
    if (cfg->num_patterns > COL_MAX_PATTERNS) return VELSPEC_ERR_BAD_INPUT;
    const double *c = coeffs->pixel_to_wavelength_coeffs;
    double start = 0.0, end = 0.0;
    if (velspec_util_nmToColumn(cfg->wavelength_start_nm, c, &start) != VELSPEC_OK ||
        velspec_util_nmToColumn(cfg->wavelength_end_nm, c, &end) != VELSPEC_OK) {
        return VELSPEC_ERR_BAD_INPUT;
    }
    // A linear calibration returns its column unchecked; coefficients that
    // are not finite (a damaged record) give no usable column at all.
    if (!std::isfinite(start) || !std::isfinite(end)) return VELSPEC_ERR_BAD_INPUT;
    const double step = cfg->num_patterns > 1 ? (end - start) / (cfg->num_patterns - 1) : 0.0;
    out->num_patterns = cfg->num_patterns;
    out->width_px = cfg->width_px;
    // Repeated addition in double precision: pattern i sits at the
    // truncation of start + i * step as accumulated, kept to 16 bits.
    double column = start;
    for (uint32_t i = 0; i < cfg->num_patterns; ++i) {
        int32_t whole = 0;
        velspec::TruncateToInt32(column, &whole);
        out->center_column[i] = static_cast<uint16_t>(whole);
        column += step;
    }
    return VELSPEC_OK;
}

extern "C" int32_t velspec_scan_col_interpret(const scanData *data, scanResults *results) {
    if (data == nullptr || results == nullptr) return VELSPEC_ERR_NULL;
    velspec::CopySingleHeader(data, results);
    int32_t status = velspec_subtract_remove_dc_level(data, results);
    if (status != VELSPEC_OK) return status;

    const scanCfg cfg = velspec::InlineConfig(data);
    colPatDef patterns;
    status = velspec_scan_col_genPatDef(&cfg, &data->calibration_coeffs, &patterns);
    if (status != VELSPEC_OK) return status;
    // Each point takes its wavelength from its pattern; readings beyond the
    // patterns would have no band to take one from.
    if (results->length > patterns.num_patterns) return VELSPEC_ERR_BAD_INPUT;

    const double *c = data->calibration_coeffs.pixel_to_wavelength_coeffs;
    for (int32_t i = 0; i < results->length; ++i) {
        double column = patterns.center_column[i];
        // The centre of an even band lies between two columns.
        if (data->width_px % 2 == 0) column -= 0.5;
        status = velspec_util_columnToNm(column, c, &results->wavelength[i]);
        if (status != VELSPEC_OK) return status;
    }
    return VELSPEC_OK;
}
