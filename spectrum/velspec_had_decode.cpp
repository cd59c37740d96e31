// Decoding of one Hadamard group, in the matrix form and in the fast form.
#include "velspec_had_decode.h"

#include <new>
#include <vector>

#include "velspec_helper.h"
#include "velspec_scan_had.h"

namespace velspec {

int32_t had_decode_group_matrix(const double *y, uint16_t order, double *x) {
    const size_t q = order;
    std::vector<double> s_matrix, scaled_inverse;
    try {
        // getSMatrix asks for order^2 + 8 entries of room.
        s_matrix.resize(q * q + 8);
        scaled_inverse.resize(q * q + 8);
    } catch (const std::bad_alloc &) {
        return VELSPEC_ERR_NO_MEMORY;
    }
    const int32_t status = getSMatrix(order, s_matrix.data());
    if (status != VELSPEC_OK) return status;
    const int32_t divisor = (order + 1) / 4;
    for (size_t i = 0; i < q * q; ++i) scaled_inverse[i] = (s_matrix[i] - 0.5) / divisor;
    return velspec_matrix_mult(y, scaled_inverse.data(), x, 1, order, order);
}

int32_t had_decode_group(const double *y, uint16_t order, uint16_t bands, double *x) {
    if (order > SMATRIX_MAX_ORDER) return VELSPEC_ERR_BAD_INPUT;
    const uint8_t *table = g_matrix_lookup[order];
    if (table == nullptr) return VELSPEC_ERR_NULL;
    if (bands > order) bands = order;

    // D holds only two values, formed exactly as the matrix form forms them;
    // so are the products y[r] * D[r][c]. The sums then add them in the same
    // order (r ascending from 0.0), which keeps every bit of the result.
    const int32_t divisor = (order + 1) / 4;
    const double lit = (1.0 - 0.5) / divisor;
    const double dark = (0.0 - 0.5) / divisor;
    for (uint32_t c = 0; c < bands; ++c) x[c] = 0.0;
    uint32_t bit = 0;  // index of element (r, 0) in the bit string
    for (uint32_t r = 0; r < order; ++r, bit += order) {
        const double y_lit = y[r] * lit;
        const double y_dark = y[r] * dark;
        for (uint32_t c = 0; c < bands; ++c) {
            const uint32_t k = bit + c;
            x[c] += ((table[k >> 3] >> (k & 7)) & 1u) ? y_lit : y_dark;
        }
    }
    return VELSPEC_OK;
}

}  // namespace velspec
