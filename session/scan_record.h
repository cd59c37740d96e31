// Turning an interpreted scan record (scanResults) into a spectrum and its
// metadata; shared by raw-image conversion and the instrument's scans.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "spectrum.h"
#include "velspec_records.h"

namespace velscan {

// Text of a fixed-size field that may lack its terminating zero; control
// characters become "?".
std::string FieldString(const char *field, size_t size);

// "column", "hadamard" or "multi" from the configuration the record carries.
std::string RecordKindName(const slewScanCfg &cfg);

// Points in ascending wavelength order (a multi-section record is sorted).
void FillPoints(const scanResults &record, Spectrum &out);

// The metadata a record itself carries: serial, configuration, scan name,
// instrument clock, averaging, gain, temperature, humidity, calibration.
void AddRecordMetadata(const scanResults &record, Metadata &out);

// velspec_scan_interpret of the image into `record` (heap-sized by the caller).
Status InterpretImage(const uint8_t *image, size_t size, scanResults &record);

}  // namespace velscan
