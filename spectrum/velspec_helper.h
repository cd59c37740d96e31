/* Record mapping and encoding, calibration and matrix records, rectangle
 * drawing, dark-level removal, interpolation and matrix helpers.
 *
 * Every function that can fail returns a VELSPEC_* status (0 on success).
 * This header compiles as C and as C++. */
#ifndef VELSCAN_VELSPEC_HELPER_H
#define VELSCAN_VELSPEC_HELPER_H

#include <stddef.h>
#include <stdint.h>

#include "tpl.h"
#include "velspec_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Record mapping and encoding ----------------------------------------- */

/* A new tpl mapping of the record for the record type, or null for a type
 * outside 0..7 or a mapping failure. The caller releases it with tpl_free. */
tpl_node *map_data_to_tplnode(void *record, int32_t type);

/* Encodes the record as one image of the type into buffer[0 .. size). */
int32_t velspec_serialize(const void *record, void *buffer, size_t size, int32_t type);

/* The encoded size of the record as an image of the type. */
int32_t velspec_get_serialize_dump_size(const void *record, size_t *size, int32_t type);

/* Decodes the image of the type held in buffer[0 .. size) into a record at
 * the start of the same buffer. */
int32_t velspec_deserialize(void *buffer, size_t size, int32_t type);

/* Calibration coefficients and reference matrix records. read_data decodes
 * in place: afterwards the buffer starts with a calibCoeffSet. */
int32_t velspec_calib_write_data(const calibCoeffSet *coeffs, void *buffer, size_t size);
int32_t velspec_calib_read_data(void *buffer, size_t size);
int32_t velspec_calib_write_ref_matrix(const refMatrix *matrix, void *buffer, size_t size);

/* ---- Frame buffers and rectangles ----------------------------------------- */

typedef struct frameBufferDesc {
    uint8_t *buffer; /* first frame; the frames follow in memory */
    uint32_t num_frames;
    uint32_t width;  /* pixels per line (DMD columns) */
    uint32_t height; /* lines per frame (DMD rows) */
    uint32_t bpp;    /* 16, 24 or 32 */
} frameBufferDesc;

typedef struct rectangle {
    uint32_t x;
    uint32_t y;
    uint32_t width;
    uint32_t height;
    uint32_t color; /* pixel value; for patterns one bit, the bit plane */
} rectangle;

/* Mode 1 sets every pixel of the rectangle to color; any other mode ORs it.
 * DrawRectangle dispatches on bpp; an unknown depth draws nothing. */
void DrawRectangle(const rectangle *rect, const frameBufferDesc *fb, uint8_t mode);
void DrawRectangle16BPP(const rectangle *rect, const frameBufferDesc *fb, uint8_t mode);
void DrawRectangle24BPP(const rectangle *rect, const frameBufferDesc *fb, uint8_t mode);
void DrawRectangle32BPP(const rectangle *rect, const frameBufferDesc *fb, uint8_t mode);

/* ---- Dark level ------------------------------------------------------------ */

/* Black readings are the entries i with (i - black_pattern_first) a multiple
 * of black_pattern_period; a period of 0 marks no entry as black. Both return
 * VELSPEC_ERR_BAD_INPUT, changing nothing, when adc_data_length exceeds
 * SCAN_MAX_ADC. */

/* In place: black readings become 0, the mean of the black readings is
 * subtracted from every other reading among the first adc_data_length. */
int32_t velspec_subtract_dc_level(slewScanData *data);

/* The non-black readings minus the mean of the black readings go, in order,
 * to results->intensity; results->length becomes their number. */
int32_t velspec_subtract_remove_dc_level(const scanData *data, scanResults *results);

/* ---- Matrices (row-major doubles) ----------------------------------------- */

/* C := A (m x n) * B (n x p); each sum runs over k = 0 .. n-1 in order. */
int32_t velspec_matrix_mult(const double *a, const double *b, double *c, int32_t m, int32_t n, int32_t p);

/* out (cols x rows) := transpose of in (rows x cols). */
int32_t velspec_matrix_transpose(const double *in, double *out, int32_t rows, int32_t cols);

/* ---- Interpolation --------------------------------------------------------- */

/* Linear resampling of an old table (old_wl, values) onto new_wl; afterwards
 * values[i] holds the resampled value (0 or less becomes 0) and old_wl[i]
 * holds new_wl[i] for every i below new_count. new_wl must ascend. An old
 * table ends at its count or at the first wavelength of exactly 0.0. */
int32_t velspec_interpolate_int_wavelengths(const double *new_wl, int32_t new_count, double *old_wl,
                                            int32_t *values, int32_t old_count);

/* As above with double values over an old table of REF_MATRIX_WAVELENGTHS
 * entries; old_wl and values must hold at least
 * max(REF_MATRIX_WAVELENGTHS, new_count) entries. */
int32_t velspec_interpolate_double_wavelengths(const double *new_wl, double *old_wl, double *values,
                                               int32_t new_count);

/* As above over an old table of old_count positions; old_pos and values must
 * hold at least max(old_count, new_count) entries. */
int32_t velspec_interpolate_double_positions(const double *new_pos, double *old_pos, double *values,
                                             int32_t new_count, int32_t old_count);

/* The value at width x on the line through (a, ya) and (b, yb), in 32-bit
 * integer arithmetic; the truncated quotient is taken from the end point that
 * belongs to x's side. VELSPEC_ERR_BAD_INPUT when a equals b. */
int32_t velspec_compute_from_references(uint32_t a, uint32_t b, uint32_t ya, uint32_t yb, int32_t x,
                                        int32_t *out);

#ifdef __cplusplus
}
#endif

#endif /* VELSCAN_VELSPEC_HELPER_H */
