#include "scan_sequence.h"

#include "API.h"
#include "device_file.h"
#include "usb.h"
#include "velspec_scan.h"
#include "wrapper.h"

namespace velscan::api {

namespace {

// A failed query yields a negative code, not a time; an estimate beyond an
// hour is not a scan this instrument runs. Neither is waited for.
uint32_t ScanWaitMs(int32_t estimate) {
    if (estimate < 0 || static_cast<uint32_t>(estimate) > VEL_MAX_SCAN_WAIT_MS) return 0;
    return static_cast<uint32_t>(estimate);
}

}  // namespace

int32_t RunScanSequence(int32_t config_index, scanResults &result) {
    // The device numbers its slots with one byte.
    if (ZOR_SetActiveScanIndex(static_cast<uint8_t>(config_index & 0xFF)) < 0) return VEL_ERR_SELECT_CONFIG;
    const int32_t estimate = ZOR_GetEstimatedScanTime();
    if (ZOR_PerformScan(0) < 0) return VEL_ERR_START_SCAN;
    const uint32_t wait = ScanWaitMs(estimate);
    if (wait > 0) USB_Sleep(wait);

    const int32_t size = ZOR_GetFileSizeToRead(ZOR_FILE_SCAN_DATA);
    if (size < 0) return VEL_ERR_SCAN_SIZE;
    DeviceFile file;
    if (!FetchDeviceFile(size, file)) return VEL_ERR_FILE;
    if (velspec_scan_interpret(file.bytes.get(), file.size, &result) != 0) return VEL_ERR_INTERPRET;
    return VEL_OK;
}

}  // namespace velscan::api
