#include "device_list.h"

#include "usb.h"
#include "virtual_device.h"

namespace velscan {

Status ListDevices(const OpenRequest &request, std::vector<DeviceEntry> &out)
{
    out.clear();
    // Without --virtual the backend installed stays (hidapi unless a test
    // installed its own).
    if (request.use_virtual)
        USB_SetHidBackend(VIRT_Backend());
    std::vector<DeviceEntry> all;
    Status status = ListDevices(all);
    if (!status)
        return status;
    for (const DeviceEntry &entry : all)
        if (request.serial.empty() || entry.serial == request.serial)
            out.push_back(entry);
    if (out.empty())
        return Status::Fail(kErrNotFound, "no instrument with serial number " + request.serial + " found");
    return Status::Ok();
}

}  // namespace velscan
