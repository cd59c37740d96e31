// Decoding of one Hadamard group (internal, C++ only): x = y * D with
// D[r][c] = (S[r][c] - 0.5) / ((q + 1) / 4), which applies the inverse of the
// order-q S-matrix to the group's q readings y.
#ifndef VELSCAN_VELSPEC_HAD_DECODE_H
#define VELSCAN_VELSPEC_HAD_DECODE_H

#include <cstdint>

namespace velspec {

// The straightforward form: loads S into a q x q double matrix, forms D in a
// second one and multiplies. Writes x[0 .. q). Kept as the reference the
// fast form is measured and checked against.
int32_t HadDecodeGroupMatrix(const double *y, uint16_t order, double *x);

// The same sums in the same order, read straight from the bit table without
// allocating; only the first `bands` values x[0 .. bands) are formed (the
// others belong to bands that are never lit). Bit-identical to the matrix
// form for every value it writes.
int32_t HadDecodeGroup(const double *y, uint16_t order, uint16_t bands, double *x);

}  // namespace velspec

#endif  // VELSCAN_VELSPEC_HAD_DECODE_H
