// Column and wavelength conversions through the calibration quadratic.
#include "velspec_util.h"

#include <cmath>

#include "velspec_numeric.h"

namespace {

bool ColumnInDmd(double column) { return column >= 0.0 && column <= DMD_MAX_COLUMN; }

}  // namespace

extern "C" int32_t velspec_util_nmToColumn(double wavelength_nm, const double *coeffs, double *column) {
    if (coeffs == nullptr || column == nullptr) return VELSPEC_ERR_NULL;
    const double c0 = coeffs[0], c1 = coeffs[1], c2 = coeffs[2];
    if (c2 == 0.0) {
        if (c1 == 0.0) return VELSPEC_ERR_BAD_INPUT;
        *column = (wavelength_nm - c0) / c1;
        return VELSPEC_OK;
    }
    // A negative discriminant gives NaN roots, which fail both range tests.
    const double d = c1 * c1 - 4.0 * c2 * (c0 - wavelength_nm);
    const double first = (std::sqrt(d) - c1) / (2.0 * c2);
    if (ColumnInDmd(first)) {
        *column = first;
        return VELSPEC_OK;
    }
    const double second = (-c1 - std::sqrt(d)) / (2.0 * c2);
    if (ColumnInDmd(second)) {
        *column = second;
        return VELSPEC_OK;
    }
    return VELSPEC_ERR_FAILED;
}

extern "C" int32_t velspec_util_columnToNm(double column, const double *coeffs, double *wavelength_nm) {
    if (coeffs == nullptr || wavelength_nm == nullptr) return VELSPEC_ERR_NULL;
    *wavelength_nm = coeffs[0] + (coeffs[2] * column * column + coeffs[1] * column);
    return VELSPEC_OK;
}

extern "C" int32_t velspec_util_columnToNmDistance(double width_columns, const double *coeffs,
                                                   double *span_nm) {
    if (coeffs == nullptr || span_nm == nullptr) return VELSPEC_ERR_NULL;
    double start = 0.0, end = 0.0;
    int32_t status = velspec_util_columnToNm(DMD_REFERENCE_COLUMN, coeffs, &start);
    if (status != VELSPEC_OK) return status;
    status = velspec_util_columnToNm(DMD_REFERENCE_COLUMN + width_columns, coeffs, &end);
    if (status != VELSPEC_OK) return status;
    int32_t whole_nm = 0;
    if (!velspec::TruncateToInt32(std::fabs(end - start), &whole_nm)) {
        return VELSPEC_ERR_BAD_INPUT;
    }
    *span_nm = whole_nm;
    return VELSPEC_OK;
}
