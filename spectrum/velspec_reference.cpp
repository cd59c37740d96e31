// Recomputation of a stored reference scan for another scan configuration:
// configuration checks, resampling onto the scan's wavelengths, correction
// for band width through the reference matrix, and gain scaling.
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "velspec_numeric.h"
#include "velspec_scan.h"
#include "diag.h"

namespace {

uint32_t SectionCount(const slewScanCfg &cfg) {
    return cfg.num_sections < SLEW_MAX_SECTIONS ? cfg.num_sections : SLEW_MAX_SECTIONS;
}

// A result's point count as an index bound, or -1 when it lies outside the
// result arrays.
int32_t CheckedLength(const scanResults &results) {
    return results.length >= 0 && results.length <= SCAN_MAX_ADC ? results.length : -1;
}

// Brackets the reference width r in the matrix widths: w is the first entry
// not below r; lo and hi are the entries on either side (equal on an exact
// hit). A width outside the matrix widths has no bracket.
bool BracketWidth(const refMatrix &m, uint8_t r, int32_t *w, int32_t *lo, int32_t *hi) {
    int32_t found = 0;
    while (found < REF_MATRIX_WIDTHS && m.widths[found] < r) ++found;
    if (found == REF_MATRIX_WIDTHS) return false;
    if (m.widths[found] == r) {
        *lo = *hi = found;
    } else {
        if (found == 0) return false;
        *lo = found - 1;
        *hi = found;
    }
    *w = found;
    return true;
}

// The matrix value for wavelength k at the scan's width t, interpolated from
// the widths next to the reference width's bracket w.
int32_t ValueAtScanWidth(const refMatrix &m, int32_t w, int32_t k, int32_t t, int32_t *out) {
    int32_t a = w, b = w - 1;
    if (w == 0) {
        a = 0;
        b = 1;
    } else if (w == REF_MATRIX_WIDTHS - 1) {
        a = REF_MATRIX_WIDTHS - 2;
        b = REF_MATRIX_WIDTHS - 1;
    }
    return velspec_compute_from_references(m.widths[a], m.widths[b], m.ref_intensities[a][k],
                                           m.ref_intensities[b][k], t, out);
}

// The width-correction factors of one scan section, resampled onto the
// section's points starting at ref->wavelength[p], applied to the reference
// intensities. Advances p past the section's points.
int32_t CorrectSection(const slewScanSection &section, uint8_t ref_width, const refMatrix &m,
                       scanResults *ref, int32_t *p, double *wl, double *factor) {
    for (int32_t k = 0; k < REF_MATRIX_WAVELENGTHS; ++k) {
        factor[k] = 1.0;
        wl[k] = m.wavelengths[k];
    }
    const int32_t n = section.num_patterns;
    int32_t w = 0, lo = 0, hi = 0;
    if (!BracketWidth(m, ref_width, &w, &lo, &hi)) return VELSPEC_ERR_BAD_INPUT;

    for (int32_t k = 0; k < REF_MATRIX_WAVELENGTHS; ++k) {
        int32_t at_scan = 0, at_ref = 0;
        int32_t status = ValueAtScanWidth(m, w, k, section.width_px, &at_scan);
        if (status < 0) return status;
        if (lo == hi) {
            at_ref = m.ref_intensities[lo][k];
        } else {
            status = velspec_compute_from_references(m.widths[lo], m.widths[hi], m.ref_intensities[lo][k],
                                                     m.ref_intensities[hi][k], ref_width, &at_ref);
            if (status < 0) return status;
        }
        // The factor divides by the value at the reference width.
        if (at_ref == 0) return VELSPEC_ERR_BAD_INPUT;
        factor[k] = (static_cast<double>(at_scan) * factor[k]) / static_cast<double>(at_ref);
    }

    // The section's points must lie inside the result arrays.
    if (n > SCAN_MAX_ADC - *p) return VELSPEC_ERR_BAD_INPUT;
    const int32_t status = velspec_interpolate_double_wavelengths(ref->wavelength + *p, wl, factor, n);
    if (status < 0) return status;
    for (int32_t q = 0; q < n; ++q) {
        if (ref->wavelength[*p] == 0.0) break;
        int32_t corrected = 0;
        if (!velspec::TruncateToInt32(factor[q] * static_cast<double>(ref->intensity[*p]), &corrected)) {
            return VELSPEC_ERR_BAD_INPUT;
        }
        ref->intensity[*p] = corrected;
        ++*p;
    }
    return VELSPEC_OK;
}

}  // namespace

extern "C" int32_t velspec_scan_cfg_compare(const slewScanCfg *a, const slewScanCfg *b) {
    if (a == nullptr || b == nullptr) return VELSPEC_ERR_NULL;
    if (a->num_sections != b->num_sections) return VELSPEC_ERR_FAILED;
    for (uint32_t s = 0; s < SectionCount(*a); ++s) {
        const slewScanSection &x = a->sections[s];
        const slewScanSection &y = b->sections[s];
        if (x.section_scan_type != y.section_scan_type || x.width_px != y.width_px ||
            x.wavelength_start_nm != y.wavelength_start_nm || x.wavelength_end_nm != y.wavelength_end_nm ||
            x.num_patterns != y.num_patterns) {
            return VELSPEC_ERR_FAILED;
        }
    }
    return VELSPEC_OK;
}

extern "C" int32_t velspec_valid_configs_to_interp(const slewScanCfg *scan_cfg, const slewScanCfg *ref_cfg) {
    if (scan_cfg == nullptr || ref_cfg == nullptr) return VELSPEC_ERR_NULL;
    if (ref_cfg->num_sections != 1) return VELSPEC_ERR_FAILED;
    const slewScanSection &ref = ref_cfg->sections[0];
    for (uint32_t s = 0; s < SectionCount(*scan_cfg); ++s) {
        const slewScanSection &section = scan_cfg->sections[s];
        if (section.wavelength_start_nm < ref.wavelength_start_nm ||
            section.wavelength_end_nm > ref.wavelength_end_nm) {
            return VELSPEC_ERR_FAILED;
        }
    }
    return VELSPEC_OK;
}

extern "C" int32_t velspec_scan_scale_for_pga_gain(const scanResults *scan, scanResults *ref) {
    if (scan == nullptr || ref == nullptr) return VELSPEC_ERR_NULL;
    if (scan->pga_gain == ref->pga_gain) return VELSPEC_OK;
    if (ref->pga_gain == 0) return VELSPEC_ERR_BAD_INPUT;
    for (int32_t i = 0; i < SCAN_MAX_ADC; ++i) {
        if (ref->wavelength[i] == 0.0) break;
        ref->intensity[i] = velspec::WrapMul(scan->pga_gain, ref->intensity[i]) / ref->pga_gain;
    }
    return VELSPEC_OK;
}

extern "C" int32_t velspec_scan_recomputeRefIntensities(const scanResults *scan, scanResults *ref,
                                                        const refMatrix *matrix) {
    if (scan == nullptr || ref == nullptr || matrix == nullptr) return VELSPEC_ERR_NULL;
    if (scan->cfg.num_sections > SLEW_MAX_SECTIONS) return VELSPEC_ERR_BAD_INPUT;
    std::vector<double> wl, factor;
    try {
        wl.assign(SCAN_MAX_ADC, 0.0);
        factor.assign(SCAN_MAX_ADC, 0.0);
    } catch (const std::bad_alloc &) {
        return VELSPEC_ERR_NO_MEMORY;
    }
    int32_t p = 0;
    const uint8_t ref_width = ref->cfg.sections[0].width_px;
    for (uint32_t s = 0; s < scan->cfg.num_sections; ++s) {
        // A single-section scan measured at the reference's own width needs
        // no correction.
        if (scan->cfg.num_sections == 1 && ref->cfg.num_sections == 1 &&
            scan->cfg.sections[0].width_px == ref_width) {
            continue;
        }
        const int32_t status =
            CorrectSection(scan->cfg.sections[s], ref_width, *matrix, ref, &p, wl.data(), factor.data());
        if (status < 0) return status;
    }
    return velspec_scan_scale_for_pga_gain(scan, ref);
}

extern "C" int32_t velspec_scan_interpReference(const void *ref_image, size_t ref_size,
                                                const void *matrix_image, size_t matrix_size,
                                                const scanResults *scan, scanResults *ref) {
    if (ref_image == nullptr || matrix_image == nullptr || scan == nullptr || ref == nullptr) {
        return VELSPEC_ERR_NULL;
    }
    if (ref_size == 0 || matrix_size == 0) return VELSPEC_ERR_BAD_INPUT;

    // The matrix is decoded in a copy of its own so the caller's image stays
    // unchanged; velspec_scan_interpret copies the reference image itself.
    std::vector<uint8_t> matrix_copy;
    try {
        matrix_copy.assign(static_cast<const uint8_t *>(matrix_image),
                           static_cast<const uint8_t *>(matrix_image) + matrix_size);
    } catch (const std::bad_alloc &) {
        return VELSPEC_ERR_NO_MEMORY;
    }
    int32_t status = velspec_deserialize(matrix_copy.data(), matrix_copy.size(), REC_REF_MATRIX);
    if (status < 0) {
        velscan::diag::Print("----- velspec_deserialize debug 101\n");
        return status;
    }
    refMatrix matrix;
    std::memcpy(&matrix, matrix_copy.data(), sizeof matrix);

    std::memset(ref, 0, sizeof *ref);
    status = velspec_scan_interpret(ref_image, ref_size, ref);
    if (status < 0) {
        velscan::diag::Print("velspec_scan_interpret debug 1: %d\n", status);
        return status;
    }

    if (velspec_scan_cfg_compare(&scan->cfg, &ref->cfg) == VELSPEC_OK) {
        return velspec_scan_scale_for_pga_gain(scan, ref);
    }
    status = velspec_valid_configs_to_interp(&scan->cfg, &ref->cfg);
    if (status < 0) return status;
    const int32_t scan_length = CheckedLength(*scan);
    const int32_t ref_length = CheckedLength(*ref);
    if (scan_length < 0 || ref_length < 0) return VELSPEC_ERR_BAD_INPUT;
    for (int32_t i = 0; i < scan_length; ++i) {
        if (scan->wavelength[i] == 0.0) return VELSPEC_ERR_BAD_INPUT;
    }
    for (int32_t i = 0; i < ref_length; ++i) {
        if (ref->wavelength[i] == 0.0 || ref->intensity[i] == 0) return VELSPEC_ERR_BAD_INPUT;
    }
    status = velspec_interpolate_int_wavelengths(scan->wavelength, scan->length, ref->wavelength,
                                                 ref->intensity, ref->length);
    if (status < 0) return status;
    ref->length = scan->length;
    return velspec_scan_recomputeRefIntensities(scan, ref, &matrix);
}
