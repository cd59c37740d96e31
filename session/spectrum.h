// A measured or loaded spectrum: wavelengths, intensities, optional reference
// ratios, metadata, and the instrument's scan record image when it came from
// an instrument or a raw file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "status.h"

namespace velscan {

// Ordered key/value metadata; keys are lower-case snake_case
// (program, serial, model, config_slot, config_name, config_type,
// start_time (ISO 8601 UTC), estimated_scan_ms, average, gain,
// temperature_c, humidity_percent, calibration coefficients, masked_points, ...).
class Metadata {
public:
    void Set(std::string key, std::string value);         // replaces an existing key in place
    const std::string *Find(std::string_view key) const;  // null when absent
    const std::vector<std::pair<std::string, std::string>> &Entries() const { return entries_; }

private:
    std::vector<std::pair<std::string, std::string>> entries_;
};

struct Spectrum {
    std::vector<double> wavelength_nm;  // ascending
    std::vector<double> intensity;      // counts, same length
    // With a reference applied, all three have the same length as
    // wavelength_nm; otherwise all three are empty. NaN marks an empty
    // (masked) cell: it is written as an empty CSV cell / JSON null.
    std::vector<double> reference;
    std::vector<double> reflectance;
    std::vector<double> absorbance;
    Metadata metadata;
    std::vector<uint8_t> raw_image;  // scan record image as received; may be empty

    size_t Points() const { return wavelength_nm.size(); }
    bool HasReference() const { return !reference.empty(); }
};

// Wavelengths equal within this many nm count as the same axis.
inline constexpr double kAxisToleranceNm = 0.001;
// Where W - D is not above this share of its largest value the ratio is masked.
inline constexpr double kReferenceFloor = 0.01;

// Same point count and every wavelength within kAxisToleranceNm:
// otherwise kErrMismatch naming the first differing point.
Status CheckSameAxis(const Spectrum &scan, const Spectrum &other, std::string_view what);

// Fills scan.reference (W), reflectance R = (S - D) / (W - D) and absorbance
// A = -log10 R; D is dark's intensity or 0. Masks (NaN) R and A where W - D is
// not above kReferenceFloor of its largest value, and A where R <= 0. Never
// clamps. Sets metadata masked_points. Refuses mismatched axes (kErrMismatch).
Status ApplyReference(Spectrum &scan, const Spectrum &white, const Spectrum *dark);

// Number of masked (NaN) cells in reflectance or absorbance.
size_t MaskedPoints(const Spectrum &scan);

// Interprets a scan record image exactly as the instrument delivers it
// (what --raw keeps) into a spectrum with its metadata; the image is kept.
Status SpectrumFromImage(const uint8_t *image, size_t size, Spectrum &out);

}  // namespace velscan
