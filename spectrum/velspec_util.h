/* Conversions between DMD columns and wavelengths through the calibration
 * quadratic wavelength(x) = c0 + c1 x + c2 x^2. The coefficient argument is
 * the pixel_to_wavelength_coeffs triple of a calibCoeffSet.
 *
 * This header compiles as C and as C++. */
#ifndef VELSCAN_VELSPEC_UTIL_H
#define VELSCAN_VELSPEC_UTIL_H

#include <stdint.h>

#include "velspec_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The column (possibly fractional) whose wavelength is wavelength_nm. With
 * c2 != 0 the root (sqrt(d) - c1) / (2 c2) is preferred when it lies in
 * 0..853, else the other root; neither in range: VELSPEC_ERR_FAILED and the
 * output is not written. With c2 = 0 the linear solution is returned
 * unchecked; c1 = c2 = 0: VELSPEC_ERR_BAD_INPUT. */
int32_t velspec_util_nmToColumn(double wavelength_nm, const double *coeffs, double *column);

/* The wavelength of a (possibly fractional) column. */
int32_t velspec_util_columnToNm(double column, const double *coeffs, double *wavelength_nm);

/* The wavelength span of a band of width_columns starting at the reference
 * column 426, truncated toward zero to a whole number of nanometres. */
int32_t velspec_util_columnToNmDistance(double width_columns, const double *coeffs, double *span_nm);

#ifdef __cplusplus
}
#endif

#endif /* VELSCAN_VELSPEC_UTIL_H */
