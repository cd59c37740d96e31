// Console items that take scans (1 to 4) and the configuration report shown
// at start-up.
#pragma once

#include <stdint.h>

#include "wrapper.h"

namespace velscan::console {

// Capacity of the console's point arrays and the count it asks the API for.
constexpr int32_t kConsolePoints = 228;

// Values the scan items keep for the whole run. The wavelength array starts
// as zeros; items 3 and 4 print whatever item 2 last stored there.
struct ScanItemsState {
    slewScanCfg config;
    scanResults result;
    double wavelengths[kConsolePoints];
    int32_t intensities[kConsolePoints];
    int32_t reference[kConsolePoints];
};

void ConsoleReportConfiguration(ScanItemsState &state, int32_t &status);

void ConsoleItemScan(ScanItemsState &state, int32_t &status);         // 1
void ConsoleItemWavelengths(ScanItemsState &state, int32_t &status);  // 2
void ConsoleItemIntensities(ScanItemsState &state, int32_t &status);  // 3
void ConsoleItemReference(ScanItemsState &state, int32_t &status);    // 4

}  // namespace velscan::console
