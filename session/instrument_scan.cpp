// Taking a scan and recomputing the stored reference for it.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>

#include "API.h"
#include "device_file.h"
#include "guard.h"
#include "instrument_internal.h"
#include "scan_record.h"
#include "velspec_scan.h"
#include "wrapper.h"

using velscan::api::DeviceFile;
using velscan::api::FetchDeviceFile;

namespace velscan {

namespace {

constexpr uint32_t kProgressStepMs = 100;
constexpr uint32_t kPollStepMs = 50;
constexpr uint32_t kLeastPollMs = 2000;
constexpr int kMaxGain = 64;

bool ValidGain(int gain) { return gain >= 1 && gain <= kMaxGain && (gain & (gain - 1)) == 0; }

std::string UtcNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

void Report(const ScanRequest &request, uint32_t remaining_ms) {
    if (request.progress) {
        request.progress(remaining_ms);
    }
}

// Waits the estimate in steps, then asks the instrument until it says the
// scan finished: a scan slower than its estimate must not hand back the
// previous scan's file.
Status WaitForScan(const ScanRequest &request, uint32_t estimate_ms) {
    for (uint32_t remaining = estimate_ms; remaining > 0;) {
        Report(request, remaining);
        const uint32_t step = std::min(kProgressStepMs, remaining);
        USB_Sleep(step);
        remaining -= step;
    }
    const uint32_t budget = std::max(kLeastPollMs, estimate_ms);
    for (uint32_t waited = 0;; waited += kPollStepMs) {
        Report(request, 0);
        const int32_t complete = ZOR_GetScanComplete();
        if (complete < 0) {
            return CommandFailed("asking whether the scan finished", complete);
        }
        if (complete != 0) {
            return Status::Ok();
        }
        if (waited >= budget) {
            return Status::Fail(kErrScanTimeout, "the instrument did not report the scan finished within " +
                                                     std::to_string((estimate_ms + budget) / 1000) + " s");
        }
        USB_Sleep(kPollStepMs);
    }
}

Status FetchFile(uint32_t type, const char *what, DeviceFile &file) {
    const int32_t size = ZOR_GetFileSizeToRead(type);
    if (size < 0) {
        return CommandFailed(std::string("asking the size of ") + what, size);
    }
    if (!FetchDeviceFile(size, file)) {
        return ApiFailed(std::string("fetching ") + what, VEL_ERR_FILE);
    }
    return Status::Ok();
}

}  // namespace

Status Instrument::Scan(const ScanRequest &request, Spectrum &out) {
    return Guarded([&]() -> Status {
        if (request.average < 0 || request.average > 65535) {
            return Status::Fail(kErrArgument, "averaging " + std::to_string(request.average) +
                                                  " is out of range (1 to 65535)");
        }
        if (request.gain != 0 && !ValidGain(request.gain)) {
            return Status::Fail(kErrArgument, "gain " + std::to_string(request.gain) +
                                                  " is out of range (1, 2, 4, 8, 16, 32 or 64)");
        }
        auto record = std::make_unique<scanResults>();
        DeviceFile file;
        Configuration config;
        std::string start_time;
        int32_t estimate = 0;
        {
            DeviceAccess access(*state_);
            if (!access.status()) {
                return access.status();
            }
            Status status = ReadStoredConfiguration(request.config, config);
            if (!status) {
                return status;
            }
            int32_t r = ZOR_SetActiveScanIndex(static_cast<uint8_t>(request.config));
            if (r < 0) return CommandFailed("selecting configuration " + std::to_string(request.config), r);
            if (request.average > 0) {
                r = ZOR_SetScanNumRepeats(static_cast<uint16_t>(request.average));
                if (r < 0) return CommandFailed("setting the averaging", r);
            }
            if (request.gain > 0) {
                r = ZOR_SetFixedPGAGain(1, static_cast<uint8_t>(request.gain));
                if (r < 0) return CommandFailed("setting the gain", r);
            }
            estimate = ZOR_GetEstimatedScanTime();
            if (estimate < 0) return CommandFailed("asking the estimated scan time", estimate);
            if (static_cast<uint32_t>(estimate) > VEL_MAX_SCAN_WAIT_MS) {
                return Status::Fail(kErrImplausible, "the instrument estimates the scan at " +
                                                         std::to_string(estimate / 1000) +
                                                         " s, over an hour: not trusted, no scan taken");
            }
            start_time = UtcNow();
            r = ZOR_PerformScan(0);
            if (r < 0) return CommandFailed("starting the scan", r);
            status = WaitForScan(request, static_cast<uint32_t>(estimate));
            if (!status) {
                return status;
            }
            status = FetchFile(ZOR_FILE_SCAN_DATA, "the scan data", file);
            if (!status) {
                return status;
            }
        }
        int32_t interpreted = VELSPEC_OK;
        {
            std::lock_guard<std::mutex> hold(Shared().mutex);
            interpreted = velspec_scan_interpret(file.bytes.get(), file.size, record.get());
        }
        if (interpreted != VELSPEC_OK || record->length <= 0) {
            return SpectralFailed("interpreting the scan data",
                                  interpreted != VELSPEC_OK ? interpreted : VELSPEC_ERR_FAILED);
        }
        Spectrum spectrum;
        FillPoints(*record, spectrum);
        Metadata &meta = spectrum.metadata;
        meta.Set("program", "velscan " VELSCAN_VERSION);
        meta.Set("serial", state_->serial);
        meta.Set("model", state_->model);
        meta.Set("config_slot", std::to_string(request.config));
        meta.Set("config_name", config.name);
        meta.Set("config_type", std::string(ScanKindName(config.kind)));
        meta.Set("start_time", start_time);
        meta.Set("estimated_scan_ms", std::to_string(estimate));
        AddRecordMetadata(*record, meta);
        // The slot the scan was taken with, whatever index the record carries.
        meta.Set("config_slot", std::to_string(request.config));
        spectrum.raw_image.assign(file.bytes.get(), file.bytes.get() + file.size);
        out = std::move(spectrum);
        return Status::Ok();
    });
}

Status Instrument::Reference(const Spectrum &scan, Spectrum &out) {
    return Guarded([&]() -> Status {
        if (scan.raw_image.empty()) {
            return Status::Fail(kErrArgument,
                                "the scan keeps no record image to recompute the reference for");
        }
        auto scan_record = std::make_unique<scanResults>();
        auto reference = std::make_unique<scanResults>();
        Status status = InterpretImage(scan.raw_image.data(), scan.raw_image.size(), *scan_record);
        if (!status) {
            return status;
        }
        DeviceFile stored, matrix;
        {
            DeviceAccess access(*state_);
            if (!access.status()) {
                return access.status();
            }
            status = FetchFile(ZOR_FILE_REFCAL_DATA, "the stored reference", stored);
            if (!status) {
                return status;
            }
            status = FetchFile(ZOR_FILE_MATRIX_DATA, "the reference matrix", matrix);
            if (!status) {
                return status;
            }
        }
        int32_t r = VELSPEC_OK;
        {
            std::lock_guard<std::mutex> hold(Shared().mutex);
            r = velspec_scan_interpReference(stored.bytes.get(), stored.size, matrix.bytes.get(), matrix.size,
                                             scan_record.get(), reference.get());
        }
        if (r != VELSPEC_OK) {
            return SpectralFailed("recomputing the stored reference for this scan's configuration", r);
        }
        Spectrum spectrum;
        FillPoints(*reference, spectrum);
        spectrum.metadata.Set("program", "velscan " VELSCAN_VERSION);
        spectrum.metadata.Set("source", "stored reference recomputed for the scan's configuration");
        AddRecordMetadata(*reference, spectrum.metadata);
        status = CheckSameAxis(scan, spectrum, "the recomputed reference");
        if (!status) {
            return Status::Fail(kErrInstrument, status.message);
        }
        out = std::move(spectrum);
        return Status::Ok();
    });
}

}  // namespace velscan
