// Finding, opening and closing instruments; identity, configurations,
// scans and references.
#include <limits>
#include <string>
#include <vector>

#include "boundary.h"
#include "info_format.h"
#include "objects.h"
#include "velscan.h"

using velscan::Status;
using namespace velscan::capi;

namespace {

// Opens per request and hands out a device handle in *out.
Status OpenDevice(const velscan::OpenRequest &request, velscan_device **out) {
    auto device = std::make_shared<DeviceObject>();
    Status status = velscan::Instrument::Open(request, device->instrument);
    if (!status) return status;
    device->serial = device->instrument->Serial();
    *out = Devices().Add(std::move(device));
    return Status::Ok();
}

// Runs `work` on the live device behind dev, one call at a time per device.
template <typename Work>
Status WithDevice(const velscan_device *dev, Work &&work) {
    if (dev == nullptr) return NullPointer("device");
    std::shared_ptr<DeviceObject> device = Devices().Find(dev);
    if (!device) return BadHandle("device");
    std::lock_guard<std::mutex> hold(device->mutex);
    return work(*device->instrument);
}

}  // namespace

extern "C" int32_t velscan_list(char *buffer, size_t size, size_t *needed) {
    return Guarded([&] {
        std::vector<velscan::DeviceEntry> devices;
        Status status = velscan::ListDevices(devices);
        // Nothing attached is an empty list here, not a failure.
        if (!status && status.code != velscan::kErrNotFound) return status;
        return TextOut(velscan::DeviceListLine(devices), buffer, size, needed);
    });
}

extern "C" int32_t velscan_open(const char *serial, velscan_device **out) {
    return Guarded([&] {
        if (out == nullptr) return NullPointer("out");
        velscan::OpenRequest request;
        if (serial != nullptr) request.serial = serial;
        return OpenDevice(request, out);
    });
}

extern "C" int32_t velscan_open_virtual(const char *sample, velscan_device **out) {
    return Guarded([&] {
        if (out == nullptr) return NullPointer("out");
        velscan::OpenRequest request;
        request.use_virtual = true;
        if (sample != nullptr) {
            Status status = velscan::ParseSample(sample, request.sample);
            if (!status) return status;
        }
        return OpenDevice(request, out);
    });
}

extern "C" int32_t velscan_close(velscan_device *dev) {
    return Guarded([&] {
        if (dev == nullptr) return NullPointer("device");
        // The instrument closes when the last call still using it returns.
        return Devices().Remove(dev) ? Status::Ok() : BadHandle("device");
    });
}

extern "C" int32_t velscan_device_serial(const velscan_device *dev, char *buffer, size_t size,
                                         size_t *needed) {
    return Guarded([&] {
        if (dev == nullptr) return NullPointer("device");
        std::shared_ptr<DeviceObject> device = Devices().Find(dev);
        if (!device) return BadHandle("device");
        return TextOut(device->serial, buffer, size, needed);
    });
}

extern "C" int32_t velscan_info(velscan_device *dev, char *buffer, size_t size, size_t *needed) {
    return Guarded([&] {
        if (buffer == nullptr && size > 0) return NullPointer("buffer");
        return WithDevice(dev, [&](velscan::Instrument &instrument) {
            velscan::InstrumentInfo info;
            Status status = instrument.Info(info);
            if (!status) return status;
            return TextOut(velscan::InfoLine(info), buffer, size, needed);
        });
    });
}

extern "C" int32_t velscan_configurations(velscan_device *dev, char *buffer, size_t size, size_t *needed) {
    return Guarded([&] {
        if (buffer == nullptr && size > 0) return NullPointer("buffer");
        return WithDevice(dev, [&](velscan::Instrument &instrument) {
            std::vector<velscan::Configuration> configurations;
            Status status = instrument.Configurations(configurations);
            if (!status) return status;
            return TextOut(velscan::ConfigurationsLine(configurations), buffer, size, needed);
        });
    });
}

extern "C" int32_t velscan_scan(velscan_device *dev, int32_t config, int32_t average,
                                velscan_spectrum **out) {
    return Guarded([&] {
        if (out == nullptr) return NullPointer("out");
        if (config < 0)
            return Status::Fail(VELSCAN_ERR_ARGUMENT,
                                "configuration slot " + std::to_string(config) + " is negative");
        if (average < 0 || average > std::numeric_limits<uint16_t>::max())
            return Status::Fail(VELSCAN_ERR_ARGUMENT,
                                "average " + std::to_string(average) + " is outside 0 (as set) to 65535");
        return WithDevice(dev, [&](velscan::Instrument &instrument) {
            velscan::ScanRequest request;
            request.config = config;
            request.average = average;
            velscan::Spectrum spectrum;
            Status status = instrument.Scan(request, spectrum);
            if (!status) return status;
            HandOut(std::move(spectrum), out);
            return Status::Ok();
        });
    });
}

extern "C" int32_t velscan_reference(velscan_device *dev, const velscan_spectrum *scan,
                                     velscan_spectrum **out) {
    return Guarded([&] {
        if (out == nullptr) return NullPointer("out");
        if (scan == nullptr) return NullPointer("scan");
        std::shared_ptr<const velscan::Spectrum> measured = Spectra().Find(scan);
        if (!measured) return BadHandle("scan");
        return WithDevice(dev, [&](velscan::Instrument &instrument) {
            velscan::Spectrum reference;
            Status status = instrument.Reference(*measured, reference);
            if (!status) return status;
            HandOut(std::move(reference), out);
            return Status::Ok();
        });
    });
}
