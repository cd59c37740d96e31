// Text and JSON of what `velscan list`, `info` and `config` show, and the C
// interface hands out: the instrument's identity, its state and its stored
// configurations.
#pragma once

#include <string>
#include <vector>

#include "instrument.h"

namespace velscan {

// One line per interface: index, serial, vendor:product in lower-case hex, path.
std::string DeviceListText(const std::vector<DeviceEntry> &devices);

// "key: value" lines, then the configuration table.
std::string InfoText(const InstrumentInfo &info);
// One JSON object; the configurations as an array of objects.
std::string InfoJson(const InstrumentInfo &info);

// The same JSON on one line with its keys in alphabetical order, and invalid
// UTF-8 in names replaced: the texts the C interface hands out. The device
// list is an array of {index, serial, vendor_id, product_id, path}.
std::string DeviceListLine(const std::vector<DeviceEntry> &devices);
std::string InfoLine(const InstrumentInfo &info);
std::string ConfigurationsLine(const std::vector<Configuration> &configurations);

// A table: slot, name, type, wavelength range, width, points, averaging.
std::string ConfigurationTable(const std::vector<Configuration> &configurations);
// One configuration in full, every section on a line of its own.
std::string ConfigurationText(const Configuration &configuration);

}  // namespace velscan
