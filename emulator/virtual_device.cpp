// The C backend table, serving every instrument of the pool, and the control
// interface, acting on the default instrument or on one chosen by serial.
#include "virtual_device.h"

#include <chrono>

#include "instrument_pool.h"
#include "physics.h"
#include "virtual_control.h"
#include "virtual_instrument.h"

namespace virt {

namespace {

// Adds the wall time of one backend call to an instrument's busy counter
// (the default instrument's for calls that pick one).
class BusyTimer {
public:
    explicit BusyTimer(VirtualInstrument *instrument = &VirtualInstrument::Get())
        : instrument_(instrument), start_(std::chrono::steady_clock::now()) {}
    ~BusyTimer() {
        if (instrument_ == nullptr) return;
        auto elapsed = std::chrono::steady_clock::now() - start_;
        instrument_->counters.busy_ns +=
            static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count());
    }
    BusyTimer(const BusyTimer &) = delete;
    BusyTimer &operator=(const BusyTimer &) = delete;

private:
    VirtualInstrument *instrument_;
    std::chrono::steady_clock::time_point start_;
};

// The transport calls these through plain function pointers: nothing may
// escape them, so a failed allocation inside the model becomes the failure
// value hidapi itself would give.
int BackendInit(void) { return 0; }
int BackendExit(void) { return 0; }

hid_device_info *BackendEnumerate(unsigned short vendor, unsigned short product) {
    BusyTimer timer;
    try {
        return InstrumentPool::Get().Enumerate(vendor, product);
    } catch (...) {
        return nullptr;
    }
}

void BackendFreeEnumeration(hid_device_info *list) { InstrumentPool::Get().FreeEnumeration(list); }

hid_device *BackendOpen(unsigned short vendor, unsigned short product, const wchar_t *serial) {
    BusyTimer timer;
    try {
        return InstrumentPool::Get().Open(vendor, product, serial);
    } catch (...) {
        return nullptr;
    }
}

void BackendClose(hid_device *device) {
    if (VirtualInstrument *instrument = InstrumentPool::Get().Find(device)) instrument->Close(device);
}

int BackendWrite(hid_device *device, const unsigned char *data, size_t length) {
    VirtualInstrument *instrument = InstrumentPool::Get().Find(device);
    if (instrument == nullptr) return -1;
    BusyTimer timer(instrument);
    try {
        return instrument->Write(device, data, length);
    } catch (...) {
        return -1;
    }
}

int BackendReadTimeout(hid_device *device, unsigned char *data, size_t length, int /*milliseconds*/) {
    VirtualInstrument *instrument = InstrumentPool::Get().Find(device);
    if (instrument == nullptr) return -1;
    BusyTimer timer(instrument);
    try {
        return instrument->Read(device, data, length);
    } catch (...) {
        return -1;
    }
}

// The virtual instrument fails only when unplugged, which needs no text.
const wchar_t *BackendError(hid_device *) { return nullptr; }

const USB_HidBackend kBackend = {
    BackendInit,  BackendExit,  BackendEnumerate,   BackendFreeEnumeration, BackendOpen,
    BackendClose, BackendWrite, BackendReadTimeout, BackendError,
};

}  // namespace

void Reset() { VirtualInstrument::Get().Reset(); }

void SetSample(Sample sample) { VirtualInstrument::Get().firmware.sample = sample; }
Sample CurrentSample() { return VirtualInstrument::Get().firmware.sample; }

void SetScanTimeScale(double scale) {
    VirtualInstrument::Get().firmware.time_scale = scale < 0.0 ? 0.0 : scale;
}

void SetScanCompletePolls(uint32_t polls) { VirtualInstrument::Get().firmware.scan_complete_polls = polls; }

void SetNoiseEnabled(bool enabled) { VirtualInstrument::Get().firmware.noise_enabled = enabled; }
void SetNoiseSeed(uint64_t seed) { VirtualInstrument::Get().firmware.ReseedNoise(seed); }

void InjectFault(const FaultSpec &fault_spec) { VirtualInstrument::Get().faults.Arm(fault_spec); }
void ClearFaults() { VirtualInstrument::Get().ClearFaults(); }
size_t PendingFaults() { return VirtualInstrument::Get().faults.Size(); }

std::vector<std::vector<uint8_t>> SentFrames() { return VirtualInstrument::Get().sent_frames; }
void ClearSentFrames() { VirtualInstrument::Get().sent_frames.clear(); }

std::vector<uint8_t> LastUpload() { return VirtualInstrument::Get().firmware.last_upload; }
uint32_t LastUploadAction() { return VirtualInstrument::Get().firmware.last_upload_action; }

std::vector<uint8_t> FileImage(uint32_t file_type) {
    return VirtualInstrument::Get().firmware.FileImage(file_type);
}

void RaiseDeviceError(uint32_t type, uint8_t status, uint16_t code) {
    VolatileState &vol = VirtualInstrument::Get().firmware.vol;
    if (type >= kErrorTypes) return;
    vol.error_status[type] = status;
    vol.error_code[type] = code;
}

void SetButtonPressed(bool pressed) { VirtualInstrument::Get().firmware.vol.button_pressed = pressed; }

Counters GetCounters() { return VirtualInstrument::Get().counters; }

std::string AddInstrument() { return InstrumentPool::Get().Add(); }
bool RemoveInstrument(const std::string &serial) { return InstrumentPool::Get().Remove(serial); }
std::vector<std::string> InstrumentSerials() { return InstrumentPool::Get().Serials(); }
std::string FirstClosedInstrument() { return InstrumentPool::Get().FirstClosed(); }

bool SetSampleOf(const std::string &serial, Sample sample) {
    VirtualInstrument *instrument = InstrumentPool::Get().BySerial(serial);
    if (instrument == nullptr) return false;
    instrument->firmware.sample = sample;
    return true;
}

bool ResetInstrument(const std::string &serial) {
    VirtualInstrument *instrument = InstrumentPool::Get().BySerial(serial);
    if (instrument == nullptr) return false;
    instrument->Reset();
    return true;
}

}  // namespace virt

extern "C" const USB_HidBackend *VIRT_Backend(void) { return &virt::kBackend; }
