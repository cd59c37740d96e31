// The JSON descriptions velscan.h hands out: device list, instrument
// information, stored configurations (fields as documented there).
#pragma once

#include <string>
#include <vector>

#include "instrument.h"

namespace velscan::capi {

std::string DeviceListJson(const std::vector<DeviceEntry> &devices);
std::string InfoJson(const InstrumentInfo &info);
std::string ConfigurationsJson(const std::vector<Configuration> &configurations);

}  // namespace velscan::capi
