// Row-major matrix product and transpose.
#include "velspec_helper.h"

extern "C" int32_t velspec_matrix_mult(const double *a, const double *b, double *c, int32_t m, int32_t n,
                                       int32_t p) {
    if (a == nullptr || b == nullptr || c == nullptr) return VELSPEC_ERR_NULL;
    // 64-bit indices: row * columns may pass the 32-bit range.
    for (int64_t r = 0; r < m; ++r) {
        for (int64_t col = 0; col < p; ++col) {
            double sum = 0.0;
            for (int64_t k = 0; k < n; ++k) sum += a[r * n + k] * b[k * p + col];
            c[r * p + col] = sum;
        }
    }
    return VELSPEC_OK;
}

extern "C" int32_t velspec_matrix_transpose(const double *in, double *out, int32_t rows, int32_t cols) {
    if (in == nullptr || out == nullptr) return VELSPEC_ERR_NULL;
    for (int64_t i = 0; i < rows; ++i) {
        for (int64_t j = 0; j < cols; ++j) out[i + j * rows] = in[j + i * cols];
    }
    return VELSPEC_OK;
}
