// The acquisition shared by the scanning API functions: select a
// configuration, start a scan, wait its estimated time, fetch and interpret
// the device's last-scan file.
#pragma once

#include <stdint.h>

#include "velspec_records.h"

namespace velscan::api {

// Returns 0 with `result` filled, or the API code of the first failing step
// (-15, -18, -19, -20 or -29).
int32_t RunScanSequence(int32_t config_index, scanResults &result);

}  // namespace velscan::api
