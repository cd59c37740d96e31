#include "device_file.h"

#include <new>

#include "API.h"

namespace velscan::api {

bool FetchDeviceFile(int32_t size, DeviceFile &file) {
    if (size < 0) return false;
    // One spare byte so a zero-size file still has a buffer to hand over.
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[static_cast<size_t>(size) + 1]);
    if (!bytes) return false;
    const int32_t received = ZOR_GetFile(bytes.get(), size);
    if (received < 0 || received < size) return false;
    file.bytes = std::move(bytes);
    file.size = static_cast<size_t>(size);
    return true;
}

}  // namespace velscan::api
