// Decoding of one Hadamard group, in the matrix form and in the fast form.
#include "velspec_had_decode.h"

#include <new>
#include <vector>

#include "velspec_helper.h"
#include "velspec_scan_had.h"

namespace velspec {

int32_t HadDecodeGroupMatrix(const double *y, uint16_t order, double *x) {
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

int32_t HadDecodeGroup(const double *y, uint16_t order, uint16_t bands, double *x) {
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

    // Indexed by the matrix bit: a lookup instead of a branch on bits that
    // are as good as random. Four rows are added per pass over x, still one
    // after the other in row order, so each x[c] sees the same additions.
    uint32_t r = 0;
    for (; r + 4 <= order; r += 4) {
        const double t0[2] = {y[r] * dark, y[r] * lit};
        const double t1[2] = {y[r + 1] * dark, y[r + 1] * lit};
        const double t2[2] = {y[r + 2] * dark, y[r + 2] * lit};
        const double t3[2] = {y[r + 3] * dark, y[r + 3] * lit};
        const uint32_t row0 = r * order;
        for (uint32_t c = 0; c < bands; ++c) {
            const uint32_t k0 = row0 + c, k1 = k0 + order, k2 = k1 + order, k3 = k2 + order;
            double sum = x[c];
            sum += t0[(table[k0 >> 3] >> (k0 & 7)) & 1u];
            sum += t1[(table[k1 >> 3] >> (k1 & 7)) & 1u];
            sum += t2[(table[k2 >> 3] >> (k2 & 7)) & 1u];
            sum += t3[(table[k3 >> 3] >> (k3 & 7)) & 1u];
            x[c] = sum;
        }
    }
    for (; r < order; ++r) {
        const double t[2] = {y[r] * dark, y[r] * lit};
        for (uint32_t c = 0; c < bands; ++c) {
            const uint32_t k = r * order + c;
            x[c] += t[(table[k >> 3] >> (k & 7)) & 1u];
        }
    }
    return VELSPEC_OK;
}

}  // namespace velspec
