// What the C handles stand for, and the registries that hold them.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "handle_registry.h"
#include "instrument.h"
#include "spectrum.h"
#include "velscan.h"

namespace velscan::capi {

struct DeviceObject {
    std::mutex mutex;  // one call at a time on this instrument's state
    std::unique_ptr<Instrument> instrument;
    std::string serial;
};

HandleRegistry<DeviceObject, velscan_device> &Devices();
HandleRegistry<const Spectrum, velscan_spectrum> &Spectra();

// Hands out a new spectrum handle in *out.
void HandOut(Spectrum spectrum, velscan_spectrum **out);

}  // namespace velscan::capi
