#include "device_list.h"

namespace velscan {

Status ListDevices(const OpenRequest &request, std::vector<DeviceEntry> &out) {
    out.clear();
    std::vector<DeviceEntry> all;
    Status status = ListDevices(all, request.use_virtual);
    if (!status) return status;
    for (const DeviceEntry &entry : all)
        if (request.serial.empty() || entry.serial == request.serial) out.push_back(entry);
    if (out.empty())
        return Status::Fail(kErrNotFound, "no instrument with serial number " + request.serial + " found");
    return Status::Ok();
}

}  // namespace velscan
