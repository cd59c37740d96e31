// Reading the stored S-matrices and choosing the order of a group.
#include "velspec_scan_had.h"

namespace {

// Element (row, column) of an order-n table: bit row*n + column of the bit
// string, least significant bit of each byte first.
inline uint8_t SmatrixBit(const uint8_t *table, uint32_t order, uint32_t row, uint32_t column) {
    const uint32_t k = row * order + column;
    return static_cast<uint8_t>((table[k / 8] >> (k % 8)) & 1u);
}

// The stored table of an order, or the status that explains its absence.
int32_t FindTable(uint16_t order, const uint8_t **table) {
    if (order > SMATRIX_MAX_ORDER) return VELSPEC_ERR_BAD_INPUT;
    *table = g_matrix_lookup[order];
    return *table == nullptr ? VELSPEC_ERR_NULL : VELSPEC_OK;
}

}  // namespace

extern "C" int32_t checkPrime(uint32_t m) {
    // A divisor in 2..m/2 exists exactly when one exists in 2..sqrt(m), so
    // the shorter search gives the same answer without walking billions of
    // candidates for a large m.
    for (uint32_t d = 2; d <= m / d; ++d) {
        if (m % d == 0) return 0;
    }
    return 1;
}

extern "C" uint32_t getPaleyOrder(uint32_t m) {
    // Worked in 64 bits so that m near the top of the range cannot wrap
    // around to a small order; 0 when no such order fits in 32 bits.
    uint64_t q = (static_cast<uint64_t>(m) + 1 + 3) / 4 * 4;
    while (q - 1 <= UINT32_MAX && !checkPrime(static_cast<uint32_t>(q - 1))) q += 4;
    return q - 1 <= UINT32_MAX ? static_cast<uint32_t>(q - 1) : 0;
}

extern "C" int32_t getSMatrix(uint16_t order, double *out) {
    if (order > SMATRIX_MAX_ORDER) return VELSPEC_ERR_BAD_INPUT;
    if (out == nullptr) return VELSPEC_ERR_NULL;
    const uint8_t *table = nullptr;
    const int32_t status = FindTable(order, &table);
    if (status != VELSPEC_OK) return status;
    for (uint32_t r = 0; r < order; ++r) {
        for (uint32_t c = 0; c < order; ++c) {
            out[r * order + c] = SmatrixBit(table, order, r, c) ? 1.0 : 0.0;
        }
    }
    return VELSPEC_OK;
}

extern "C" int32_t getSMatrixRow(uint16_t order, uint32_t row, uint8_t *out) {
    if (order > SMATRIX_MAX_ORDER) return VELSPEC_ERR_BAD_INPUT;
    if (out == nullptr) return VELSPEC_ERR_NULL;
    const uint8_t *table = nullptr;
    const int32_t status = FindTable(order, &table);
    if (status != VELSPEC_OK) return status;
    // Rows past the last would read past the end of the table.
    if (row >= order) return VELSPEC_ERR_BAD_INPUT;
    for (uint32_t c = 0; c < order; ++c) out[c] = SmatrixBit(table, order, row, c);
    return VELSPEC_OK;
}
