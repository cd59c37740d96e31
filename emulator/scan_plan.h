// Which DMD columns each pattern of a scan lights, worked out from a stored
// configuration the way the instrument generates its patterns: column bands
// from the column pattern definition, Hadamard bands from the rows of the
// S-matrices of the Hadamard pattern definition.
#ifndef VELSCAN_EMULATOR_SCAN_PLAN_H
#define VELSCAN_EMULATOR_SCAN_PLAN_H

#include <cstdint>
#include <optional>
#include <vector>

#include "velspec_records.h"

namespace virt {

// A configuration image decoded, always in multi-section form.
struct DecodedConfig {
    bool multi_section = false;  // came from a multi-section image
    scanCfg single{};            // valid when !multi_section
    slewScanCfg slew{};          // the configuration as sections (also for a single-section one)
};

// Decodes a configuration image (single- or multi-section); nothing when the
// image is not a valid configuration.
std::optional<DecodedConfig> DecodeConfig(const std::vector<uint8_t> &image);

// Columns lit by one pattern: half-open ranges [first, last).
struct LitRange {
    int first;
    int last;
};
using Pattern = std::vector<LitRange>;

struct SectionPlan {
    std::vector<Pattern> patterns;
    uint32_t exposure_us = 0;
};

struct ScanPlan {
    std::vector<SectionPlan> sections;
    size_t pattern_count = 0;
    size_t adc_entries = 0;  // patterns plus interleaved black readings
};

// Black (dark) readings: entry k of the raw data is black when (k + 1) is a
// multiple of this period, the layout the host's section walk expects.
inline constexpr uint8_t kBlackPatternPeriod = 25;
bool IsBlackEntry(size_t k);

// Where the lit columns of each pattern come from: the frames the spectral
// library draws for the DMD (what the instrument shows), or the column and
// Hadamard pattern definitions and S-matrix rows they are drawn from.
enum class PatternSource { Drawn, Definitions };

// The patterns of a configuration with the calibration the instrument holds.
// Nothing when the configuration cannot be scanned (no pattern definition,
// an exposure code outside the table, more readings than the raw record holds).
std::optional<ScanPlan> PlanScan(const DecodedConfig &config, const calibCoeffSet &calibration,
                                 PatternSource source = PatternSource::Drawn);

// Milliseconds the scan takes: per reading its exposure plus the mirror
// settling time, times the averaging count, plus fixed start-up overhead.
uint32_t EstimateScanMs(const ScanPlan &plan, uint16_t repeats);

}  // namespace virt

#endif
