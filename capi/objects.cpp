#include "objects.h"

#include <atomic>

namespace velscan::capi {

uint64_t NextHandleNumber() {
    static std::atomic<uint64_t> next{1};
    return next.fetch_add(1);
}

HandleRegistry<DeviceObject, velscan_device> &Devices() {
    static HandleRegistry<DeviceObject, velscan_device> devices;
    return devices;
}

HandleRegistry<const Spectrum, velscan_spectrum> &Spectra() {
    static HandleRegistry<const Spectrum, velscan_spectrum> spectra;
    return spectra;
}

void HandOut(Spectrum spectrum, velscan_spectrum **out) {
    *out = Spectra().Add(std::make_shared<const Spectrum>(std::move(spectrum)));
}

}  // namespace velscan::capi
