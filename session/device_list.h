// `velscan list` on the backend an open request names: the virtual
// spectrometer or the system's HID devices.
#pragma once

#include <vector>

#include "instrument.h"

namespace velscan {

// Enumerates the virtual instrument or the installed backend, and keeps the entries whose
// serial matches request.serial (all when empty); kErrNotFound when none.
Status ListDevices(const OpenRequest &request, std::vector<DeviceEntry> &out);

}  // namespace velscan
