// Wavelength calibration numerics: peak location, peak widths, quadratic fits
// and the per-row shift vector used to bend patterns.
#include "velspec_calib.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

#include "velspec_helper.h"
#include "velspec_util.h"

namespace {

bool AllFinite(const double *v, int32_t n) {
    for (int32_t i = 0; i < n; i++) {
        if (!std::isfinite(v[i])) return false;
    }
    return true;
}

// Depth of the strictly falling run that starts at the peak, walking left
// (index 0 itself is never visited) or right.
double DropLeft(const double *y, int32_t p) {
    double last = y[p] + 1.0;
    double drop = 0.0;
    for (int32_t i = p; i >= 1 && y[i] < last; i--) {
        last = y[i];
        drop = y[p] - last;
    }
    return drop;
}

double DropRight(const double *y, int32_t n, int32_t p) {
    double last = y[p] + 1.0;
    double drop = 0.0;
    for (int32_t i = p; i <= n - 1 && y[i] < last; i++) {
        last = y[i];
        drop = y[p] - last;
    }
    return drop;
}

int32_t CheckPeakArgs(const double *y, int32_t n, int32_t p) {
    if (n < 0 || p < 0 || p >= n) return VELSPEC_ERR_BAD_INPUT;
    if (!AllFinite(y, n)) return VELSPEC_ERR_BAD_INPUT;
    return VELSPEC_OK;
}

// Least-squares quadratic y ~ c0 + c1*x + c2*x^2 through the normal equations,
// inverted by the adjugate. Needs at least three distinct abscissae: with
// fewer the system is singular and the rounding noise of its determinant
// would otherwise be divided out into meaningless coefficients.
int32_t FitQuadratic(int32_t n, const double *x, const double *y, double c[3]) {
    if (n < 3 || !AllFinite(x, n) || !AllFinite(y, n)) return VELSPEC_ERR_BAD_INPUT;
    int32_t distinct = 1;
    for (int32_t i = 1; i < n && distinct < 3; i++) {
        bool seen = false;
        for (int32_t j = 0; j < i; j++) {
            if (x[j] == x[i]) {
                seen = true;
                break;
            }
        }
        if (!seen) distinct++;
    }
    if (distinct < 3) return VELSPEC_ERR_BAD_INPUT;

    const size_t cells = static_cast<size_t>(n) * 3;
    std::vector<double> design, designT, solver;
    try {
        design.resize(cells);
        designT.resize(cells);
        solver.resize(cells);
    } catch (const std::exception &) {
        return VELSPEC_ERR_NO_MEMORY;
    }
    for (int32_t i = 0; i < n; i++) {
        design[3 * i + 0] = 1.0;
        design[3 * i + 1] = x[i];
        design[3 * i + 2] = x[i] * x[i];
    }
    int32_t status = velspec_matrix_transpose(design.data(), designT.data(), n, 3);
    if (status != VELSPEC_OK) return status;
    double a[9];
    status = velspec_matrix_mult(designT.data(), design.data(), a, 3, n, 3);
    if (status != VELSPEC_OK) return status;

    // Cofactors with cyclic indices carry their own signs for a 3x3 matrix.
    double cof[3][3];
    for (int i = 0; i < 3; i++) {
        for (int j = 0; j < 3; j++) {
            const int i1 = (i + 1) % 3, i2 = (i + 2) % 3;
            const int j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            cof[i][j] = a[3 * i1 + j1] * a[3 * i2 + j2] - a[3 * i1 + j2] * a[3 * i2 + j1];
        }
    }
    const double det = a[0] * cof[0][0] + a[1] * cof[0][1] + a[2] * cof[0][2];
    if (det == 0.0 || !std::isfinite(det)) return VELSPEC_ERR_BAD_INPUT;
    double inverse[9];
    for (int i = 0; i < 3; i++) {
        for (int j = 0; j < 3; j++) inverse[3 * i + j] = cof[j][i] / det;
    }

    status = velspec_matrix_mult(inverse, designT.data(), solver.data(), 3, 3, n);
    if (status != VELSPEC_OK) return status;
    double coeffs[3];
    status = velspec_matrix_mult(solver.data(), y, coeffs, 3, n, 1);
    if (status != VELSPEC_OK) return status;
    if (!AllFinite(coeffs, 3)) return VELSPEC_ERR_BAD_INPUT;
    c[0] = coeffs[0];
    c[1] = coeffs[1];
    c[2] = coeffs[2];
    return VELSPEC_OK;
}

}  // namespace

extern "C" {

int32_t velspec_calib_findPeaks3(double y0, double y1, double y2, double *offset) {
    if (offset == nullptr) return VELSPEC_ERR_NULL;
    const double den = y0 - 2.0 * y1 + y2;
    if (den == 0.0 || !std::isfinite(den)) {
        *offset = 0.0;
        return VELSPEC_ERR_BAD_INPUT;
    }
    if (y1 >= y0 && y1 >= y2) {
        *offset = (y0 - y2) * 0.5 / den;
        return VELSPEC_OK;
    }
    *offset = 0.0;
    return VELSPEC_ERR_BAD_INPUT;
}

int32_t velspec_calib_findPeakInterp(double x0, double x1, double x2, double y0, double y1, double y2,
                                     double *peakPos, double *peakVal, double *curvature) {
    if (peakPos == nullptr || peakVal == nullptr || curvature == nullptr) return VELSPEC_ERR_NULL;
    if (x2 - x1 == 0.0 || x0 - x1 == 0.0 || x2 - x0 == 0.0) return VELSPEC_ERR_BAD_INPUT;
    const double s1 = (y2 - y1) / (x2 - x1);
    const double s0 = (y0 - y1) / (x0 - x1);
    const double k = 2.0 * (s1 - s0) / (x2 - x0);
    *curvature = k;
    const double b = s1 - (x2 - x1) * (k * 0.5);
    if (k == 0.0 || !std::isfinite(k)) return VELSPEC_ERR_BAD_INPUT;
    const double xp = x1 - b / k;
    *peakPos = xp;
    *peakVal = (xp - x1) * (b * 0.5) + y1;
    if (!(xp <= x2 && xp >= x0)) return VELSPEC_ERR_BAD_INPUT;
    return VELSPEC_OK;
}

int32_t velspec_calib_getFWHM(const double *y, int32_t n, int32_t p, int32_t *amplitude, double *fwhm) {
    if (y == nullptr || amplitude == nullptr || fwhm == nullptr) return VELSPEC_ERR_NULL;
    const int32_t status = CheckPeakArgs(y, n, p);
    if (status != VELSPEC_OK) return status;

    const double meanDrop = (DropLeft(y, p) + DropRight(y, n, p)) / 2.0;
    // The amplitude is an int32: a drop beyond its range cannot be reported.
    if (!(meanDrop < 2147483648.0)) return VELSPEC_ERR_BAD_INPUT;
    const int32_t a = static_cast<int32_t>(meanDrop);
    const double half = y[p] - static_cast<double>(a / 2);

    double left = p;
    for (int32_t i = p; i >= 0; i--) {
        if (y[i] < half) {
            left = (p - i) - (half - y[i]) / (y[i + 1] - y[i]);
            break;
        }
    }
    double right = n - 1 - p;
    for (int32_t i = p; i <= n - 1; i++) {
        if (y[i] < half) {
            right = (i - p) - (half - y[i]) / (y[i - 1] - y[i]);
            break;
        }
    }
    *amplitude = a;
    *fwhm = left + right;
    return VELSPEC_OK;
}

int32_t velspec_calib_get_halfmax_loc(const double *y, int32_t n, int32_t p, double *left, double *right) {
    if (y == nullptr || left == nullptr || right == nullptr) return VELSPEC_ERR_NULL;
    const int32_t status = CheckPeakArgs(y, n, p);
    if (status != VELSPEC_OK) return status;

    const double halfL = y[p] - DropLeft(y, p) / 2.0;
    const double halfR = y[p] - DropRight(y, n, p) / 2.0;
    double l = p;
    for (int32_t i = p; i >= 0; i--) {
        if (y[i] < halfL) {
            l = i + (halfL - y[i]) / (y[i + 1] - y[i]);
            break;
        }
    }
    double r = n - 1;
    for (int32_t i = p; i <= n - 1; i++) {
        if (y[i] < halfR) {
            r = i - (halfR - y[i]) / (y[i - 1] - y[i]);
            break;
        }
    }
    *left = l;
    *right = r;
    return VELSPEC_OK;
}

int32_t velspec_calib_findPeaks(const double *y, int32_t n, double sel, int32_t *peaks) {
    if (y == nullptr || peaks == nullptr) return VELSPEC_ERR_NULL;
    if (!(sel >= 0.0) || n <= 0 || !AllFinite(y, n)) return VELSPEC_ERR_BAD_INPUT;

    std::vector<double> diff, values;
    std::vector<int32_t> candidates, found;
    try {
        diff.resize(n - 1);
        candidates.reserve(n);
        values.resize(n);
        found.reserve(n);
    } catch (const std::exception &) {
        return VELSPEC_ERR_NO_MEMORY;
    }
    for (int32_t i = 0; i + 1 < n; i++) diff[i] = y[i + 1] - y[i];
    auto sign = [](double d) { return d >= 0.0 ? 1 : -1; };
    for (int32_t i = 1; i + 1 < n; i++) {
        if (sign(diff[i]) != sign(diff[i - 1])) candidates.push_back(i);
    }
    // The last change of slope is not used as a candidate.
    const int32_t count = static_cast<int32_t>(candidates.size()) - 1;
    if (count <= 2) return VELSPEC_ERR_FAILED;

    double *v = values.data();
    double lo = y[0], hi = y[0];
    for (int32_t k = 0; k < count; k++) {
        v[k] = y[candidates[k]];
        if (v[k] < lo) lo = v[k];
        if (v[k] > hi) hi = v[k];
    }
    const double threshold = sel == 0.0 ? hi - lo : (hi - lo) / sel;

    int32_t i;
    if (v[0] >= v[1]) {
        if (v[1] >= v[2]) {
            v[1] = v[0];
            i = 1;
        } else {
            i = 0;
        }
    } else {
        i = v[2] > v[1] ? 2 : 1;
    }

    bool peakFound = false;
    double best = lo, leftMin = lo;
    int32_t bestAt = 0;
    while (i < count - 1) {
        if (peakFound) {
            best = lo;
            peakFound = false;
        }
        if (v[i] > best && v[i] > leftMin + threshold) {
            bestAt = i;
            best = v[i];
        }
        i++;
        if (i == count - 1) break;
        if (best > v[i] + threshold) {
            peakFound = true;
            leftMin = v[i];
            found.push_back(bestAt);
        } else if (v[i] < leftMin) {
            leftMin = v[i];
        }
        i++;
    }
    if (v[count - 1] > best && v[count - 1] > leftMin + threshold)
        found.push_back(count - 1);
    else if (!peakFound && best > lo)
        found.push_back(bestAt);

    for (size_t k = 0; k < found.size(); k++) peaks[k] = candidates[found[k]];
    return static_cast<int32_t>(found.size());
}

int32_t velspec_calib_genPxToPyCoeffs(int32_t n, const double *x, const double *y, double coeffs[3],
                                      double *r2) {
    if (x == nullptr || y == nullptr || coeffs == nullptr || r2 == nullptr) return VELSPEC_ERR_NULL;
    if (n < 1) return VELSPEC_ERR_BAD_INPUT;
    double c[3];
    int32_t status = FitQuadratic(n, x, y, c);
    if (status != VELSPEC_OK) return status;

    double sum = 0.0;
    for (int32_t i = 0; i < n; i++) sum += y[i];
    const double mean = sum / n;
    double ssTot = 0.0, ssRes = 0.0;
    for (int32_t i = 0; i < n; i++) {
        double fitted;
        status = velspec_util_columnToNm(x[i], c, &fitted);
        if (status != VELSPEC_OK) return status;
        ssTot += (y[i] - mean) * (y[i] - mean);
        ssRes += (y[i] - fitted) * (y[i] - fitted);
    }
    if (ssTot == 0.0) return VELSPEC_ERR_BAD_INPUT;
    coeffs[0] = c[0];
    coeffs[1] = c[1];
    coeffs[2] = c[2];
    *r2 = 1.0 - ssRes / ssTot;
    return VELSPEC_OK;
}

int32_t find_mean_and_standard_deviation(const double *values, int32_t n, double *mean, double *sd) {
    if (values == nullptr || mean == nullptr || sd == nullptr) return VELSPEC_ERR_NULL;
    if (n < 1 || !AllFinite(values, n)) return VELSPEC_ERR_BAD_INPUT;
    double sum = 0.0;
    for (int32_t i = 0; i < n; i++) sum += values[i];
    const double m = sum / n;
    double squares = 0.0;
    for (int32_t i = 0; i < n; i++) squares += (values[i] - m) * (values[i] - m);
    *mean = m;
    *sd = std::sqrt(squares / n);
    return VELSPEC_OK;
}

int32_t velspec_calib_genPxyToCurveCoeffs(const double *positions, const double *rows, int32_t numPeaks,
                                          int32_t numRows, double coeffs[3]) {
    if (positions == nullptr || rows == nullptr || coeffs == nullptr) return VELSPEC_ERR_NULL;
    // A quadratic down the rows needs three rows; the result is also taken
    // relative to row 1, which must exist.
    if (numRows < 3 || numPeaks < 3) return VELSPEC_ERR_BAD_INPUT;

    std::vector<double> column, curves, f1s, f2s;
    try {
        column.resize(numRows);
        curves.resize(static_cast<size_t>(numPeaks) * 3);
        f1s.resize(numPeaks);
        f2s.resize(numPeaks);
    } catch (const std::exception &) {
        return VELSPEC_ERR_NO_MEMORY;
    }
    for (int32_t p = 0; p < numPeaks; p++) {
        for (int32_t r = 0; r < numRows; r++) column[r] = positions[static_cast<size_t>(r) * numPeaks + p];
        // The goodness of fit is not used here, so a peak that does not move
        // across the rows (a straight slit) is a valid, flat curve.
        const int32_t status = FitQuadratic(numRows, rows, column.data(), &curves[3 * p]);
        if (status != VELSPEC_OK) return status;
        f1s[p] = curves[3 * p + 1];
        f2s[p] = curves[3 * p + 2];
    }
    double m1, sd1, m2, sd2;
    int32_t status = find_mean_and_standard_deviation(f2s.data(), numPeaks, &m2, &sd2);
    if (status == VELSPEC_OK) status = find_mean_and_standard_deviation(f1s.data(), numPeaks, &m1, &sd1);
    if (status != VELSPEC_OK) return status;

    // The representative curve is the first whose bend lies within one
    // standard deviation of the mean in both terms. Identical curves have a
    // deviation of 0 and all qualify.
    for (int32_t p = 0; p < numPeaks; p++) {
        if (std::fabs(f2s[p] - m2) <= sd2 && std::fabs(f1s[p] - m1) <= sd1) {
            coeffs[0] = curves[3 * p] - positions[static_cast<size_t>(1) * numPeaks + p];
            coeffs[1] = curves[3 * p + 1];
            coeffs[2] = curves[3 * p + 2];
            return VELSPEC_OK;
        }
    }
    return VELSPEC_ERR_FAILED;
}

}  // extern "C"
