/* Scan data and configuration encoding, interpretation dispatch,
 * multi-section scans, pattern generation and bending, and recomputation of
 * a stored reference for another scan configuration.
 *
 * Images are decoded in place: afterwards the caller's buffer starts with the
 * decoded record. Every function that can fail returns a VELSPEC_* status.
 * This header compiles as C and as C++. */
#ifndef VELSCAN_VELSPEC_SCAN_H
#define VELSCAN_VELSPEC_SCAN_H

#include <stddef.h>
#include <stdint.h>

#include "velspec_helper.h"
#include "velspec_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Scan data ------------------------------------------------------------- */

/* Decodes a single- or multi-section scan data image in place; afterwards the
 * buffer holds a uScanData whose decoded_as tells which image it came from.
 * size must cover both the image and sizeof(uScanData), else
 * VELSPEC_ERR_NO_MEMORY. */
int32_t velspec_scan_read_data(void *buffer, size_t size);

/* Encodes a uScanData: one image of type 0, or four images (types 6, 4, 5, 7)
 * back to back for a multi-section record. */
int32_t velspec_scan_write_data(const uScanData *record, void *buffer, size_t size);

/* Total encoded size of a uScanData. */
int32_t velspec_get_scan_data_dump_size(const uScanData *record, size_t *size);

/* The four part sizes of a multi-section record (types 6, 4, 5, 7). */
int32_t velspec_get_scan_data_dump_sizes(const uScanData *record, size_t *header_size, size_t *cfg_head_size,
                                         size_t *sections_size, size_t *adc_size);

/* 0 column, 1 Hadamard, 2 multi-section, or VELSPEC_ERR_BAD_TYPE. A record
 * decoded by velspec_scan_read_data is classified by the image it came from;
 * any other record by its overlay bytes. */
int32_t velspec_scan_data_get_type(const uScanData *record);

/* 1 if the image is not a single-section scan data image, else 0. */
int32_t velspec_is_slewdatatype(const void *image, size_t size);

/* Section `section` of a multi-section record as a single-section record. */
int32_t velspec_get_scanData_from_slewScanData(const slewScanData *data, scanData *out, uint8_t section);

/* Copies the scan header and the configuration (in multi-section form) of the
 * record into results. */
void velspec_copy_scanData_hdr_to_scanResults(const uScanData *record, scanResults *results);

/* ---- Configurations -------------------------------------------------------- */

/* Decodes a configuration image in place; afterwards the buffer holds a
 * scanCfg or (first byte 2) a slewScanCfg. */
int32_t velspec_scan_read_configuration(void *buffer, size_t size);

/* config points to a scanCfg or a slewScanCfg, told apart by its first byte
 * (scan_type 2 means slewScanCfg). */
int32_t velspec_scan_write_configuration(const void *config, void *buffer, size_t size);
int32_t velspec_get_scan_config_dump_size(const void *config, size_t *size);

/* 1 if the image's first data byte (the configuration's scan_type) is 2. */
int32_t velspec_is_slewcfgtype(const void *image, size_t size);

/* 0 or 1 for one column or Hadamard section, 2 for several. */
int32_t velspec_scan_slew_get_cfg_type(const slewScanCfg *cfg);

/* Sum of the sections' num_patterns modulo 65536. */
int32_t velspec_scan_slew_get_num_patterns(const slewScanCfg *cfg);

/* Largest wavelength_end_nm of the sections, 0 when there are none. */
int32_t velspec_scan_slew_get_end_nm(const slewScanCfg *cfg);

/* Exposure code 0..6 in microseconds; 0 for any other code. */
int32_t velspec_scan_get_exp_time_us(uint16_t code);

/* ---- Interpretation -------------------------------------------------------- */

/* Interprets a scan data image (left unchanged) into results. */
int32_t velspec_scan_interpret(const void *image, size_t size, scanResults *results);

/* Interprets a decoded multi-section record section by section. The record's
 * readings are dark-corrected in place. */
int32_t velspec_scan_slew_interpret(uScanData *record, scanResults *results);

/* Where section `section`'s readings lie in adc_data: first entry, number of
 * patterns and number of black readings inside the range. Rebuilds patDefH
 * for Hadamard sections. */
int32_t velspec_scan_section_get_adc_data_range(const slewScanData *data, uint8_t section, uint32_t *start,
                                                uint16_t *num_patterns, uint16_t *num_blacks);

/* ---- Reference correction ------------------------------------------------- */

/* Recomputes the stored reference (a scan data image) for the scan's
 * configuration using the reference matrix image. Both images stay unchanged. */
int32_t velspec_scan_interpReference(const void *ref_image, size_t ref_size, const void *matrix_image,
                                     size_t matrix_size, const scanResults *scan, scanResults *ref);

/* Corrects a reference already resampled onto the scan's wavelengths for the
 * scan's band widths, then scales it for the gain ratio. */
int32_t velspec_scan_recomputeRefIntensities(const scanResults *scan, scanResults *ref,
                                             const refMatrix *matrix);

/* ref intensities times scan gain / reference gain (when the gains differ). */
int32_t velspec_scan_scale_for_pga_gain(const scanResults *scan, scanResults *ref);

/* 0 when the sections agree in type, width, range and pattern count, else -1. */
int32_t velspec_scan_cfg_compare(const slewScanCfg *a, const slewScanCfg *b);

/* 0 when a one-section reference covers every scan section, else -1. */
int32_t velspec_valid_configs_to_interp(const slewScanCfg *scan_cfg, const slewScanCfg *ref_cfg);

/* ---- Pattern generation ---------------------------------------------------- */

/* Draws every pattern of a scanCfg or slewScanCfg (told apart by the first
 * byte) into the frame buffers; returns the number of patterns or a status. */
int32_t velspec_scan_genPatterns(const void *config, const calibCoeffSet *coeffs, const frameBufferDesc *fb);

/* Draws the sections one after the other without a gap. */
int32_t velspec_scan_slew_genPatterns(const slewScanCfg *cfg, const calibCoeffSet *coeffs,
                                      const frameBufferDesc *fb);

/* Shifts every line of the first num_patterns patterns' frames sideways by
 * round(s0 + s1 r + s2 r^2) pixels; shift_coeffs are the three
 * shift_vector_coeffs (a calibCoeffSet may be passed, they come first). */
int32_t velspec_scan_bendPatterns(const frameBufferDesc *fb, const double *shift_coeffs,
                                  int32_t num_patterns);

/* shift[r] = round(s0 + s1*r + s2*r^2), halves away from zero, for r < n,
 * held to the int8 range. */
int32_t velspec_calib_genShiftVector(const double coeffs[3], int32_t n, int8_t *shift);

#ifdef __cplusplus
}
#endif

#endif /* VELSCAN_VELSPEC_SCAN_H */
