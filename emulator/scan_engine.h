// Runs a planned scan through the physics and packs the result as the scan
// data image the instrument keeps as its last-scan file.
#ifndef VELSCAN_EMULATOR_SCAN_ENGINE_H
#define VELSCAN_EMULATOR_SCAN_ENGINE_H

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "physics.h"
#include "scan_plan.h"
#include "velspec_records.h"

namespace virt {

// Everything about the moment of the scan that goes into its header.
struct ScanConditions {
    Sample sample = Sample::WhiteReference;
    bool lamp_on = true;
    uint8_t gain = 16;
    bool auto_gain = false;  // choose the gain that keeps the brightest reading near 3/4 of full scale
    uint16_t repeats = 1;
    bool noise = true;
    calibCoeffSet calibration{};  // the instrument's stored coefficients
    std::array<char, SCAN_NAME_LEN> name{};
    std::array<uint8_t, SCAN_TIME_LEN> time{};
    int16_t system_temp = 0;
    int16_t detector_temp = 0;
    uint16_t humidity = 0;
    uint16_t lamp_monitor = 0;
    uint32_t device_tag = 0;
    std::array<char, SERIAL_NUMBER_LEN> serial{};
};

struct ScanOutput {
    std::vector<uint8_t> image;  // serialized uScanData
    uint8_t gain = 0;            // gain in force
    double max_light = 0.0;      // brightest pattern, counts per unit gain
};

// Nothing when the record cannot be encoded.
std::optional<ScanOutput> RunScan(const DecodedConfig &config, const ScanPlan &plan,
                                  const ScanConditions &conditions, Physics &physics, NoiseSource &noise);

}  // namespace virt

#endif
