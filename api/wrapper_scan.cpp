// Scan acquisition: configuration 0, scans and the device's stored reference.
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "API.h"
#include "api_guard.h"
#include "device_file.h"
#include "scan_sequence.h"
#include "velspec_scan.h"
#include "wrapper.h"
#include "diag.h"

using velscan::api::ApiGuarded;
using velscan::api::DeviceFile;
using velscan::api::FetchDeviceFile;
using velscan::api::RunScanSequence;

namespace {

// Working records are about 10 KB each: taken from the heap per call.
std::unique_ptr<scanResults> NewResults() {
    return std::unique_ptr<scanResults>(new (std::nothrow) scanResults());
}

int32_t GetConfigInfo(slewScanCfg *config) {
    if (ZOR_GetNumScanCfg() <= 0) return VEL_ERR_NUM_CONFIGS;
    // The device may state an image length up to what one reply carries;
    // receive into room for that, then refuse anything beyond the 512 bytes
    // of the configuration buffer.
    static_assert(ZOR_SCAN_CFG_IMAGE_MAX >= VEL_CONFIG_BUFFER_SIZE);
    std::vector<uint8_t> buffer(ZOR_SCAN_CFG_IMAGE_MAX, 0);
    uint32_t length = 0;
    if (ZOR_GetScanCfg(0, buffer.data(), &length) < 0) return VEL_ERR_READ_CONFIG;
    if (length > VEL_CONFIG_BUFFER_SIZE) return VEL_ERR_READ_CONFIG;
    if (velspec_scan_read_configuration(buffer.data(), length) != VELSPEC_OK) return VEL_ERR_READ_CONFIG;
    std::memcpy(config, buffer.data(), sizeof(slewScanCfg));
    return VEL_OK;
}

int32_t GetWavelengths(double *wavelengths, int32_t count) {
    if (count < 0 || count > VEL_MAX_WAVELENGTHS) return VEL_ERR_TOO_MANY_POINTS;
    // The averaging count is reset to 1 on purpose; its result does not
    // decide the outcome.
    (void)ZOR_SetScanNumRepeats(1);
    auto result = NewResults();
    if (!result) return VEL_ERR_INTERPRET;
    const int32_t status = RunScanSequence(0, *result);
    if (status != VEL_OK) return status;
    if (count > result->length) return VEL_ERR_POINT_COUNT;
    std::memcpy(wavelengths, result->wavelength, sizeof(double) * static_cast<size_t>(count));
    return VEL_OK;
}

int32_t GetIntensities(int32_t index, int32_t *intensities, int32_t count) {
    if (count < 0 || count > SCAN_MAX_ADC) return VEL_ERR_POINT_COUNT;
    const int32_t stored = ZOR_GetNumScanCfg();
    if (stored < 0) return VEL_ERR_NUM_CONFIGS;
    if (index >= stored) return VEL_ERR_CONFIG_INDEX;
    auto result = NewResults();
    if (!result) return VEL_ERR_INTERPRET;
    const int32_t status = RunScanSequence(index, *result);
    if (status != VEL_OK) return status;
    // Points past the scan's length are 0: interpretation clears the record.
    std::memcpy(intensities, result->intensity, sizeof(int32_t) * static_cast<size_t>(count));
    return VEL_OK;
}

int32_t GetScanResults(scanResults *out) {
    if (ZOR_GetNumScanCfg() <= 0) return VEL_ERR_NUM_CONFIGS;
    auto result = NewResults();
    if (!result) return VEL_ERR_INTERPRET;
    const int32_t status = RunScanSequence(0, *result);
    if (status != VEL_OK) return status;
    std::memcpy(out, result.get(), sizeof(scanResults));
    return VEL_OK;
}

// Asks for one file's size, reports it with `label`, and fetches it whole.
bool FetchReportedFile(uint32_t file_type, const char *label, DeviceFile &file) {
    const int32_t size = ZOR_GetFileSizeToRead(file_type);
    velscan::diag::Print(label, size);
    return FetchDeviceFile(size, file);
}

int32_t GetReference(int32_t *intensities, int32_t count) {
    if (count < 0 || count > SCAN_MAX_ADC) return VEL_ERR_POINT_COUNT;
    DeviceFile reference;
    if (!FetchReportedFile(ZOR_FILE_REFCAL_DATA, "calSize: %d\n", reference)) return VEL_ERR_FILE;
    DeviceFile matrix;
    if (!FetchReportedFile(ZOR_FILE_MATRIX_DATA, "ZOR_FILE_MATRIX_DATA size: %d\n", matrix))
        return VEL_ERR_FILE;
    velscan::diag::Print("*****debug pMatrix****\n");

    const int32_t scan_size = ZOR_GetFileSizeToRead(ZOR_FILE_SCAN_DATA);
    if (scan_size < 0) return VEL_ERR_SCAN_SIZE;
    velscan::diag::Print("ZOR_FILE_SCAN_DATA size: %d\n", scan_size);
    velscan::diag::Print("size of uScanData: %d\n", static_cast<int>(sizeof(uScanData)));
    velscan::diag::Print("size of scanResults: %d\n", static_cast<int>(sizeof(scanResults)));
    DeviceFile scan;
    if (!FetchDeviceFile(scan_size, scan)) return VEL_ERR_FILE;

    auto scan_result = NewResults();
    auto reference_result = NewResults();
    if (!scan_result || !reference_result) return VEL_ERR_INTERPRET;
    if (velspec_scan_interpret(scan.bytes.get(), scan.size, scan_result.get()) != 0) return VEL_ERR_INTERPRET;
    const int32_t r = velspec_scan_interpReference(reference.bytes.get(), reference.size, matrix.bytes.get(),
                                                   matrix.size, scan_result.get(), reference_result.get());
    if (r != 0) {
        velscan::diag::Print("velspec_scan_interpReference error: %d\n", r);
        return VEL_ERR_REFERENCE;
    }
    std::memcpy(intensities, reference_result->intensity, sizeof(int32_t) * static_cast<size_t>(count));
    return VEL_OK;
}

}  // namespace

// The public entry points refuse null pointers before anything is sent.

extern "C" int32_t velGetConfigInfo(slewScanCfg *config) {
    if (!config) return VEL_ERR_NULL_ARGUMENT;
    return ApiGuarded(VEL_ERR_READ_CONFIG, [&] { return GetConfigInfo(config); });
}

extern "C" int32_t velGetWavelengths(double *wavelengths, int32_t count) {
    if (!wavelengths) return VEL_ERR_NULL_ARGUMENT;
    return ApiGuarded(VEL_ERR_INTERPRET, [&] { return GetWavelengths(wavelengths, count); });
}

extern "C" int32_t velGetIntensities(int32_t index, int32_t *intensities, int32_t count) {
    if (!intensities) return VEL_ERR_NULL_ARGUMENT;
    return ApiGuarded(VEL_ERR_INTERPRET, [&] { return GetIntensities(index, intensities, count); });
}

extern "C" int32_t velGetScanResults(scanResults *result) {
    if (!result) return VEL_ERR_NULL_ARGUMENT;
    return ApiGuarded(VEL_ERR_INTERPRET, [&] { return GetScanResults(result); });
}

extern "C" int32_t velGetRefIntensityFromDevice(int32_t *intensities, int32_t count) {
    if (!intensities) return VEL_ERR_NULL_ARGUMENT;
    return ApiGuarded(VEL_ERR_INTERPRET, [&] { return GetReference(intensities, count); });
}
