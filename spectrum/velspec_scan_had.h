/* Hadamard scans: the stored S-matrices, the Hadamard pattern definition and
 * the decoding of Hadamard readings.
 *
 * This header compiles as C and as C++. */
#ifndef VELSCAN_VELSPEC_SCAN_HAD_H
#define VELSCAN_VELSPEC_SCAN_HAD_H

#include <stdint.h>

#include "velspec_helper.h"
#include "velspec_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* S-matrices of the 29 orders that are primes congruent to 3 mod 4 up to
 * 251. Element (r, c) of an order-n matrix is bit k = r*n + c of the array,
 * bit k being bit (k mod 8) of byte k/8; rows are not padded. These tables
 * are fixed forever: readings decode only with the table their patterns were
 * made from. */
extern const uint8_t g_s_matrix_3[2];
extern const uint8_t g_s_matrix_7[7];
extern const uint8_t g_s_matrix_11[16];
extern const uint8_t g_s_matrix_19[46];
extern const uint8_t g_s_matrix_23[67];
extern const uint8_t g_s_matrix_31[121];
extern const uint8_t g_s_matrix_43[232];
extern const uint8_t g_s_matrix_47[277];
extern const uint8_t g_s_matrix_59[436];
extern const uint8_t g_s_matrix_67[562];
extern const uint8_t g_s_matrix_71[631];
extern const uint8_t g_s_matrix_79[781];
extern const uint8_t g_s_matrix_83[862];
extern const uint8_t g_s_matrix_103[1327];
extern const uint8_t g_s_matrix_107[1432];
extern const uint8_t g_s_matrix_127[2017];
extern const uint8_t g_s_matrix_131[2146];
extern const uint8_t g_s_matrix_139[2416];
extern const uint8_t g_s_matrix_151[2851];
extern const uint8_t g_s_matrix_163[3322];
extern const uint8_t g_s_matrix_167[3487];
extern const uint8_t g_s_matrix_179[4006];
extern const uint8_t g_s_matrix_191[4561];
extern const uint8_t g_s_matrix_199[4951];
extern const uint8_t g_s_matrix_211[5566];
extern const uint8_t g_s_matrix_223[6217];
extern const uint8_t g_s_matrix_227[6442];
extern const uint8_t g_s_matrix_239[7141];
extern const uint8_t g_s_matrix_251[7876];

/* Indexed by order 0..251: the matrix of that order, or null. */
extern const uint8_t *const g_matrix_lookup[SMATRIX_LOOKUP_LEN];

/* The library's one shared Hadamard definition, rebuilt by pattern
 * generation and by the section-range computation. Not reentrant. */
extern hadPatDef patDefH;

/* 1 if no d with 2 <= d <= m/2 divides m (so 1 for 0..3), else 0. */
int32_t checkPrime(uint32_t m);

/* The smallest q >= m with q = 3 mod 4 and checkPrime(q). */
uint32_t getPaleyOrder(uint32_t m);

/* Writes the order*order entries (0.0 or 1.0), row-major. out must hold at
 * least order*order entries. Order above 251: VELSPEC_ERR_BAD_INPUT; no
 * stored matrix of that order: VELSPEC_ERR_NULL. */
int32_t getSMatrix(uint16_t order, double *out);

/* Writes the order entries (0 or 1) of one row. A row at or beyond the order
 * gives VELSPEC_ERR_BAD_INPUT. */
int32_t getSMatrixRow(uint16_t order, uint32_t row, uint8_t *out);

/* Splits the points of cfg's column definition into interleaved groups whose
 * lit bands are at least two dark columns apart. VELSPEC_ERR_FAILED when no
 * spacing up to 15 separates the bands; VELSPEC_ERR_BAD_INPUT when a group
 * would exceed HAD_MAX_GROUP_POINTS bands. */
int32_t velspec_scan_had_genPatDef(const scanCfg *cfg, const calibCoeffSet *coeffs, hadPatDef *out);

/* Interprets a decoded single-section Hadamard scan: dark level removed, the
 * inverse S-matrix applied per group, wavelengths of the band centres. */
int32_t velspec_scan_had_interpret(const scanData *data, scanResults *results);

/* Draws the definition's patterns from pattern position first on; returns
 * num_patterns or a negative status. */
int32_t velspec_scan_had_genPatterns(const hadPatDef *def, const frameBufferDesc *fb, uint32_t first);

#ifdef __cplusplus
}
#endif

#endif /* VELSCAN_VELSPEC_SCAN_HAD_H */
