// A whole calibration run: from the readings of calibration scans of known
// emission lines to a calibCoeffSet.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "velspec_calib.h"

namespace {

constexpr double kDefaultSelectivity = 4.0;

struct Peak {
    double position;  // fractional reading index
    double height;    // above the row's background
};

double Median(std::vector<double> values) {
    const size_t mid = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + mid, values.end());
    return values[mid];
}

// Sub-sample position of the peak whose highest reading is at index top. A
// line's profile is close to a Gaussian, whose logarithm is a parabola: the
// parabola is fitted to the log of the readings above half the peak's height
// over the background. With fewer than three such readings the vertex of the
// parabola through the top three readings is used.
double RefinePeak(const double *y, int32_t n, int32_t top, double background) {
    const double half = (y[top] - background) / 2.0;
    int32_t lo = top, hi = top;
    while (lo > 0 && y[lo - 1] - background >= half && y[lo - 1] <= y[lo]) lo--;
    while (hi < n - 1 && y[hi + 1] - background >= half && y[hi + 1] <= y[hi]) hi++;

    if (half > 0.0 && hi - lo + 1 >= 3) {
        std::vector<double> x, logY;
        for (int32_t i = lo; i <= hi; i++) {
            x.push_back(i - top);  // relative, to keep the fit well conditioned
            logY.push_back(std::log(y[i] - background));
        }
        double c[3], r2;
        if (velspec_calib_genPxToPyCoeffs(static_cast<int32_t>(x.size()), x.data(), logY.data(), c, &r2) ==
                VELSPEC_OK &&
            c[2] < 0.0) {
            const double vertex = top - c[1] / (2.0 * c[2]);
            if (vertex >= lo && vertex <= hi) return vertex;
        }
    }
    if (top > 0 && top < n - 1) {
        double position, value, curvature;
        if (velspec_calib_findPeakInterp(top - 1, top, top + 1, y[top - 1], y[top], y[top + 1], &position,
                                         &value, &curvature) == VELSPEC_OK)
            return position;
    }
    return top;
}

// The `count` strongest peaks of one row, as DMD columns in ascending order.
int32_t LocateLines(const double *y, int32_t n, double selectivity, int32_t count, double firstColumn,
                    double columnStep, double *columns) {
    // findPeaks never reports a peak at the last change of slope, which on
    // a clean scan is the top of the last line. A dip below every reading
    // and a small rise after the scan make that top an ordinary candidate.
    const auto [lowest, highest] = std::minmax_element(y, y + n);
    const double margin = (*highest - *lowest) * 0.01;
    std::vector<double> padded(y, y + n);
    padded.insert(padded.end(), {*lowest - margin, *lowest, *lowest - margin});
    std::vector<int32_t> found(padded.size());
    const int32_t numPadded = velspec_calib_findPeaks(padded.data(), static_cast<int32_t>(padded.size()),
                                                      selectivity, found.data());
    if (numPadded < 0) return numPadded;
    int32_t numFound = 0;
    for (int32_t k = 0; k < numPadded; k++) {
        if (found[k] < n) found[numFound++] = found[k];
    }
    if (numFound < count) return VELSPEC_ERR_FAILED;

    const double background = Median(std::vector<double>(y, y + n));
    std::vector<Peak> peaks;
    for (int32_t k = 0; k < numFound; k++) {
        // Climb to the highest reading of the peak's slope.
        int32_t top = found[k];
        while (top + 1 < n && y[top + 1] > y[top]) top++;
        while (top > 0 && y[top - 1] > y[top]) top--;
        peaks.push_back({RefinePeak(y, n, top, background), y[top] - background});
    }
    std::stable_sort(peaks.begin(), peaks.end(),
                     [](const Peak &a, const Peak &b) { return a.height > b.height; });
    peaks.resize(count);
    for (int32_t k = 0; k < count; k++) columns[k] = firstColumn + columnStep * peaks[k].position;
    std::sort(columns, columns + count);
    for (int32_t k = 1; k < count; k++) {
        // Two strongest peaks on one spot: the lines cannot be told apart.
        if (columns[k] == columns[k - 1]) return VELSPEC_ERR_FAILED;
    }
    return VELSPEC_OK;
}

int32_t CheckScans(const calibScanSet *s) {
    if (s->readings == nullptr || s->row_coords == nullptr || s->line_nm == nullptr) return VELSPEC_ERR_NULL;
    if (s->num_samples < 3 || s->num_lines < 3 || s->num_rows < 1 || s->num_rows == 2)
        return VELSPEC_ERR_BAD_INPUT;
    if (!std::isfinite(s->first_column) || !std::isfinite(s->column_step) || s->column_step == 0.0 ||
        !(s->selectivity >= 0.0))
        return VELSPEC_ERR_BAD_INPUT;
    for (int32_t k = 0; k < s->num_lines; k++) {
        if (!std::isfinite(s->line_nm[k]) || (k > 0 && !(s->line_nm[k] > s->line_nm[k - 1])))
            return VELSPEC_ERR_BAD_INPUT;
    }
    for (int32_t r = 0; r < s->num_rows; r++) {
        if (!std::isfinite(s->row_coords[r])) return VELSPEC_ERR_BAD_INPUT;
    }
    return VELSPEC_OK;
}

int32_t GenCoeffSet(const calibScanSet *s, calibCoeffSet *out, double *r2) {
    int32_t status = CheckScans(s);
    if (status != VELSPEC_OK) return status;
    const double selectivity = s->selectivity == 0.0 ? kDefaultSelectivity : s->selectivity;

    // positions[r * num_lines + k]: column of line k in the scan of row r.
    std::vector<double> positions(static_cast<size_t>(s->num_rows) * s->num_lines);
    for (int32_t r = 0; r < s->num_rows; r++) {
        status = LocateLines(s->readings + static_cast<size_t>(r) * s->num_samples, s->num_samples,
                             selectivity, s->num_lines, s->first_column, s->column_step,
                             &positions[static_cast<size_t>(r) * s->num_lines]);
        if (status != VELSPEC_OK) return status;
    }

    // The shift vector is zero on the second row, so the columns drawn by
    // pattern generation are those of that row.
    const int32_t referenceRow = s->num_rows == 1 ? 0 : 1;
    calibCoeffSet result{};
    double fitR2 = 0.0;
    status = velspec_calib_genPxToPyCoeffs(s->num_lines,
                                           &positions[static_cast<size_t>(referenceRow) * s->num_lines],
                                           s->line_nm, result.pixel_to_wavelength_coeffs, &fitR2);
    if (status != VELSPEC_OK) return status;
    if (s->num_rows >= 3) {
        status = velspec_calib_genPxyToCurveCoeffs(positions.data(), s->row_coords, s->num_lines, s->num_rows,
                                                   result.shift_vector_coeffs);
        if (status != VELSPEC_OK) return status;
    }
    *out = result;
    if (r2 != nullptr) *r2 = fitR2;
    return VELSPEC_OK;
}

}  // namespace

extern "C" int32_t velspec_calib_genCoeffSet(const calibScanSet *scans, calibCoeffSet *out, double *r2) {
    if (scans == nullptr || out == nullptr) return VELSPEC_ERR_NULL;
    try {
        return GenCoeffSet(scans, out, r2);
    } catch (const std::exception &) {
        return VELSPEC_ERR_NO_MEMORY;
    }
}
