/* Column scans: one lit band per pattern.
 *
 * This header compiles as C and as C++. */
#ifndef VELSCAN_VELSPEC_SCAN_COL_H
#define VELSCAN_VELSPEC_SCAN_COL_H

#include <stdint.h>

#include "velspec_helper.h"
#include "velspec_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Interprets a decoded single-section column scan: dark level removed, one
 * point per non-black reading, each with the wavelength of its band centre. */
int32_t velspec_scan_col_interpret(const scanData *data, scanResults *results);

/* The centre columns of the cfg's num_patterns bands, evenly spaced between
 * the columns of wavelength_start_nm and wavelength_end_nm. A configuration
 * of more than COL_MAX_PATTERNS patterns gives VELSPEC_ERR_BAD_INPUT. */
int32_t velspec_scan_col_genPatDef(const scanCfg *cfg, const calibCoeffSet *coeffs, colPatDef *out);

/* Draws the definition's bands into consecutive bit planes from pattern
 * position first on; returns num_patterns or a negative status. */
int32_t velspec_scan_col_genPatterns(const colPatDef *def, const frameBufferDesc *fb, uint32_t first);

#ifdef __cplusplus
}
#endif

#endif /* VELSCAN_VELSPEC_SCAN_COL_H */
