/* Wavelength calibration: locating intensity peaks with sub-sample
 * precision, their widths, quadratic fits of peak positions, the per-row
 * shift vector that bends patterns, the calibration patterns, the
 * interpretation of a calibration scan, and one routine that chains these
 * steps into a calibCoeffSet.
 *
 * Every function returns a status of the spectral library: VELSPEC_OK (0) or
 * a non-negative count on success, VELSPEC_ERR_BAD_INPUT (-2) for too few
 * points, flat or non-finite data and out-of-range arguments,
 * VELSPEC_ERR_NO_MEMORY (-3), VELSPEC_ERR_BAD_TYPE (-5) for an unknown
 * calibration pattern type, VELSPEC_ERR_NULL (-6) for a null pointer.
 * Quadratics are evaluated as a0 + a1*x + a2*x^2.
 *
 * This header compiles as C and as C++. */
#ifndef VELSCAN_VELSPEC_CALIB_H
#define VELSCAN_VELSPEC_CALIB_H

#include <stddef.h>
#include <stdint.h>

#include "velspec_helper.h"
#include "velspec_records.h"
#include "velspec_scan.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Peaks ------------------------------------------------------------- */

/* Vertex of the parabola through samples at -1, 0, +1, relative to the
 * middle one. -2 (offset 0) when the samples have no curvature or
 * the middle sample is not the highest. */
int32_t velspec_calib_findPeaks3(double y0, double y1, double y2, double *offset);

/* Vertex (position, value) and second derivative of the parabola through
 * three points. -2 when two abscissae coincide or the curvature is 0 (the
 * curvature is still written), and when the vertex lies outside [x0, x2]
 * (all three outputs are written). */
int32_t velspec_calib_findPeakInterp(double x0, double x1, double x2, double y0, double y1, double y2,
                                     double *peakPos, double *peakVal, double *curvature);

/* Amplitude (mean depth of the falling runs on both sides, truncated) and
 * full width at half maximum, in samples, of the peak at index p of y[n]. */
int32_t velspec_calib_getFWHM(const double *y, int32_t n, int32_t p, int32_t *amplitude, double *fwhm);

/* Positions, in fractional samples, where the peak at index p falls to half
 * its depth on each side (each side measured on its own). */
int32_t velspec_calib_get_halfmax_loc(const double *y, int32_t n, int32_t p, double *left, double *right);

/* Indices of the peaks of y[n] that stand out by at least (max - min) / sel
 * (sel 0: by max - min). peaks must hold n entries. Returns the number of
 * peaks, or -1 when y has fewer than four changes of slope. */
int32_t velspec_calib_findPeaks(const double *y, int32_t n, double sel, int32_t *peaks);

/* ---- Fits -------------------------------------------------------------- */

/* Least-squares quadratic y ~ c0 + c1*x + c2*x^2 over n points and its
 * coefficient of determination. Needs three distinct x; -2 when y is
 * constant (R^2 undefined). */
int32_t velspec_calib_genPxToPyCoeffs(int32_t n, const double *x, const double *y, double coeffs[3],
                                      double *r2);

/* Mean and population standard deviation (divisor n). */
int32_t find_mean_and_standard_deviation(const double *values, int32_t n, double *mean, double *sd);

/* From peak positions measured on several DMD rows (positions[r * numPeaks +
 * p], rows[numRows] the row coordinates), fits every peak's position as a
 * quadratic in the row and picks the first peak whose linear and quadratic
 * terms both lie within one standard deviation of their means. coeffs =
 * (f0 - positions(row 1), f1, f2): the shift relative to the second row.
 * Needs 3 rows and 3 peaks (-2); -1 when no peak qualifies (coeffs
 * untouched). */
int32_t velspec_calib_genPxyToCurveCoeffs(const double *positions, const double *rows, int32_t numPeaks,
                                          int32_t numRows, double coeffs[3]);

/* ---- Calibration patterns and scans -------------------------------------- */

/* Calibration pattern types and the bands they step across the DMD. */
#define VELSPEC_CALIB_PAT_BANDS6 2      /* 6 columns wide, step 4: 213 patterns */
#define VELSPEC_CALIB_PAT_BLOCKS 3      /* six 255-column blocks, then bands 4 wide, step 4 */
#define VELSPEC_CALIB_PAT_LEFT 4        /* 5 wide, step 1, columns 0 .. 430: 427 */
#define VELSPEC_CALIB_PAT_LEFT_LAST 7   /* 5 to 7 draw like 4 */
#define VELSPEC_CALIB_PAT_RIGHT 8       /* 5 wide, step 1, columns 427 .. 853: 423 */
#define VELSPEC_CALIB_PAT_RIGHT_LAST 11 /* 9 to 11 draw like 8 */

/* Draws the calibration patterns of a type into consecutive bit planes and
 * frames, and advances fb->buffer past every frame it filled completely.
 * Returns the number of patterns drawn; -5 for an unknown type, -2 for an
 * unusable frame descriptor. Bands are clipped to the frame. */
int32_t velspec_calib_genPatterns(uint32_t type, frameBufferDesc *fb);

/* Turns the scan data image of a calibration scan into results: type 3 keeps
 * the raw readings (black ones included), every other type removes the dark
 * level; types 4 and 8 give each point the wavelength of its band's centre
 * column (point i: column i + 2, plus 427 for type 8), the others the point
 * index. */
int32_t velspec_calib_interpret(const void *image, size_t size, scanResults *results, uint32_t type);

/* ---- Calibration run ------------------------------------------------------ */

/* The readings of one calibration: for each measured DMD row, a scan of
 * known emission lines (or of narrow bands) stepped across the columns.
 * Readings of the calibration patterns start at band centre 2 with step 1
 * (types 4 to 7), 429 with step 1 (8 to 11) and 2.5 with step 4 (type 2). */
typedef struct calibScanSet {
    const double *readings;   /* num_rows x num_samples, row-major */
    int32_t num_samples;      /* readings per row */
    int32_t num_rows;         /* 1, or 3 and more to measure the bend */
    const double *row_coords; /* the DMD row (line) of each scan */
    double first_column;      /* DMD column of reading 0 (its band centre) */
    double column_step;       /* columns from one reading to the next */
    const double *line_nm;    /* wavelengths of the lines, ascending */
    int32_t num_lines;        /* at least 3 */
    double selectivity;       /* peak selectivity for findPeaks; 0: 4 */
} calibScanSet;

/* Finds the num_lines strongest peaks of every row with sub-sample
 * precision, pairs them in column order with line_nm (wavelength rising
 * with the column), fits the column-to-wavelength quadratic on the reference
 * row and, from the peak positions of all rows, the shift-vector
 * coefficients. The reference row is the second scan (row_coords[1]), where
 * the shift is zero; with a single row it is that row and the shift
 * coefficients are 0. On success *out is ready for velspec_calib_write_data
 * and *r2 (optional) holds the goodness of the wavelength fit. -1 when a row
 * shows fewer peaks than lines or no representative bend exists. */
int32_t velspec_calib_genCoeffSet(const calibScanSet *scans, calibCoeffSet *out, double *r2);

#ifdef __cplusplus
}
#endif

#endif /* VELSCAN_VELSPEC_CALIB_H */
