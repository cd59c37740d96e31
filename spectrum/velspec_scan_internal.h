// Record helpers shared by the spectral library's sources (internal, C++
// only). They take the record kind from the type of their argument, so a
// scanData is never read through the multi-section overlay.
#ifndef VELSCAN_VELSPEC_SCAN_INTERNAL_H
#define VELSCAN_VELSPEC_SCAN_INTERNAL_H

#include <cstddef>
#include <cstdint>

#include "velspec_records.h"

namespace velspec {

// Header and configuration of a single-section record into results: the
// configuration becomes one section of a multi-section configuration.
void CopySingleHeader(const scanData *data, scanResults *results);

// Header and full configuration of a multi-section record into results.
void CopySlewHeader(const slewScanData *data, scanResults *results);

// The scanCfg held inline in a single-section record.
scanCfg InlineConfig(const scanData *data);

// A scanCfg made of one section of a multi-section configuration.
scanCfg SectionConfig(const slewScanCfg *cfg, const slewScanSection *section);

// Decodes a scan data image of image_size bytes in place in a buffer of
// capacity bytes (at least sizeof(uScanData)).
int32_t ReadScanData(void *buffer, size_t image_size, size_t capacity);

}  // namespace velspec

#endif  // VELSCAN_VELSPEC_SCAN_INTERNAL_H
