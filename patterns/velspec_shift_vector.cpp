// The per-row shift vector that bends patterns along the curved slit image.
#include <cmath>
#include <cstdint>

#include "velspec_records.h"
#include "velspec_scan.h"

extern "C" {

int32_t velspec_calib_genShiftVector(const double coeffs[3], int32_t n, int8_t *shift) {
    if (coeffs == nullptr || shift == nullptr) return VELSPEC_ERR_NULL;
    if (n < 1 || !(std::isfinite(coeffs[0]) && std::isfinite(coeffs[1]) && std::isfinite(coeffs[2])))
        return VELSPEC_ERR_BAD_INPUT;
    for (int32_t r = 0; r < n; r++) {
        const double value = std::round(coeffs[0] + coeffs[1] * r + coeffs[2] * r * r);
        // A shift beyond the 8-bit range is held at its limit rather than
        // wrapped into a shift in the opposite direction.
        double held = value;
        if (!(held >= -128.0)) held = -128.0;
        if (held > 127.0) held = 127.0;
        shift[r] = static_cast<int8_t>(held);
    }
    return VELSPEC_OK;
}

}  // extern "C"
