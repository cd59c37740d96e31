// The record of a scan in a series that could not be taken, so that it shows
// in the output (a row or file of empty cells with the reason) instead of
// being silently dropped.
#pragma once

#include <string>

#include "spectrum.h"

namespace velscan {

// A spectrum on `like`'s wavelengths with every intensity empty (NaN), the
// identifying metadata of `like` (program, serial, model, configuration),
// start_time `start_time` and scan_error `reason`.
Spectrum MissingScan(const Spectrum &like, const std::string &start_time, const std::string &reason);

// The current time as ISO 8601 UTC to the second ("2025-04-17T09:30:00Z").
std::string NowIso8601();

}  // namespace velscan
