// Fetching one device file whole into a heap buffer owned by the caller.
#pragma once

#include <stdint.h>

#include <cstddef>
#include <memory>

namespace velscan::api {

struct DeviceFile {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
};

// Fetches the file named by the last size query: `size` is the size that
// query reported. Returns false (nothing kept) when the size is negative, the
// buffer cannot be taken, the transfer fails, or fewer than `size` bytes
// arrive: interpreting a partly filled buffer would read garbage.
bool FetchDeviceFile(int32_t size, DeviceFile &file);

}  // namespace velscan::api
