// Finding instruments, opening one (real or virtual), closing and reopening.
#include <array>

#include "API.h"
#include "guard.h"
#include "instrument_internal.h"
#include "scan_record.h"
#include "virtual_control.h"
#include "virtual_device.h"

namespace velscan {

namespace {

constexpr uint32_t kReopenStepMs = 500;
constexpr const char *kPermissionHint =
    "On Linux, let your user open it: install contrib/70-velscan.rules (see the README), "
    "then unplug the instrument and plug it in again.";

struct SampleName_ {
    std::string_view name;
    VirtualSample sample;
    virt::Sample model;
};

constexpr std::array<SampleName_, 4> kSamples = {{
    {"white", VirtualSample::White, virt::Sample::WhiteReference},
    {"organic", VirtualSample::Organic, virt::Sample::Organic},
    {"emission", VirtualSample::Emission, virt::Sample::EmissionLines},
    {"covered", VirtualSample::Covered, virt::Sample::Dark},
}};

bool AnyOpen() { return Shared().open_count > 0; }

// Enumerates afresh only while no instrument is open: a new enumeration
// rewrites the table entries that open instruments are using.
Status Enumerate() {
    if (AnyOpen()) {
        return Status::Ok();
    }
    const int32_t count = USB_Enumerate();
    if (count < 0) {
        return CommandFailed("initialising the HID library", count);
    }
    return Status::Ok();
}

Status NothingFound() {
    return Status::Fail(kErrNotFound, "no instrument found: check that it is plugged in and switched on. " +
                                          std::string(kPermissionHint));
}

void InstallVirtual() {
    SharedState &shared = Shared();
    if (!shared.virtual_installed) {
        USB_GetHidBackend(&shared.saved_backend);
        USB_SetHidBackend(VIRT_Backend());
        shared.virtual_installed = true;
    }
}

// The sample in front of the virtual instrument with this serial.
void PlaceSample(const std::string &serial, VirtualSample sample) {
    for (const SampleName_ &entry : kSamples) {
        if (entry.sample == sample) {
            virt::SetSampleOf(serial, entry.model);
        }
    }
}

// A virtual instrument opened while every one listed is in use is a new
// instrument with its own serial number. The virtual spectrometer lists its
// instruments in a fixed order and only appends, so rebuilding the table
// keeps the entries already open in their places.
Status AddVirtualIfAllInUse() {
    for (int i = 0; i < deviceNumber; ++i) {
        if (!Shared().in_use[i]) {
            return Status::Ok();
        }
    }
    if (deviceNumber >= USB_MAX_DEVICES) {
        return Status::Ok();  // the table is full: the choice below says every one is open
    }
    virt::AddInstrument();
    const int32_t count = USB_Enumerate();
    if (count < 0) {
        return CommandFailed("initialising the HID library", count);
    }
    return Status::Ok();
}

void RestoreBackendIfIdle() {
    SharedState &shared = Shared();
    if (shared.virtual_installed && shared.open_count == 0) {
        USB_SetHidBackend(&shared.saved_backend);
        shared.virtual_installed = false;
    }
}

// The entry to open: the one with the serial asked for, or the first free one.
Status ChooseEntry(const std::string &serial, int &index) {
    std::string found;
    for (int i = 0; i < deviceNumber; ++i) {
        const std::string entry_serial = NarrowSerial(devInfo[i].serialNumber);
        if (serial.empty() ? !Shared().in_use[i] : entry_serial == serial.substr(0, USB_SERIAL_CHARS)) {
            if (Shared().in_use[i]) {
                return Status::Fail(kErrCannotOpen, "the instrument " + serial + " is already open");
            }
            index = i;
            return Status::Ok();
        }
        found += (found.empty() ? "" : ", ") + entry_serial;
    }
    if (deviceNumber == 0) {
        return NothingFound();
    }
    if (serial.empty()) {
        return Status::Fail(kErrCannotOpen, "every instrument found is already open");
    }
    return Status::Fail(kErrNotFound,
                        "no instrument with serial number " + serial + " (found: " + found + ")");
}

Status OpenEntry(int index) {
    if (USB_Open(index) == 0) {
        return Status::Ok();
    }
    const std::string reason = NarrowText(USB_LastOpenError());
    const std::string path = USB_DevicePath(index);
    std::string message = "the instrument " + NarrowSerial(devInfo[index].serialNumber) +
                          (path.empty() ? "" : " (" + path + ")") + " was found but cannot be opened";
    message += reason.empty() ? "." : ": " + reason + ".";
    return Status::Fail(kErrCannotOpen, message + " " + kPermissionHint);
}

std::string ReadModel() {
    char model[17] = {};
    return ZOR_ReadModelName(model) == 0 ? FieldString(model, 16) : std::string();
}

}  // namespace

Status ParseSample(std::string_view name, VirtualSample &out) {
    for (const SampleName_ &entry : kSamples) {
        if (entry.name == name) {
            out = entry.sample;
            return Status::Ok();
        }
    }
    return Status::Fail(kErrArgument,
                        "unknown sample \"" + std::string(name) + "\" (white, organic, emission or covered)");
}

std::string_view SampleName(VirtualSample sample) {
    for (const SampleName_ &entry : kSamples) {
        if (entry.sample == sample) {
            return entry.name;
        }
    }
    return "white";
}

Status ListDevices(std::vector<DeviceEntry> &out, bool use_virtual) {
    return Guarded([&]() -> Status {
        std::lock_guard<std::mutex> hold(Shared().mutex);
        if (use_virtual && AnyOpen() && !Shared().virtual_installed) {
            return Status::Fail(kErrArgument,
                                "a real instrument is open: the virtual one cannot be listed beside it");
        }
        if (use_virtual) {
            InstallVirtual();
        }
        Status status = Enumerate();
        std::vector<DeviceEntry> entries;
        for (int i = 0; status && i < deviceNumber; ++i) {
            entries.push_back({i, NarrowSerial(devInfo[i].serialNumber), devInfo[i].vendorId,
                               devInfo[i].productId, USB_DevicePath(i)});
        }
        if (use_virtual) {
            RestoreBackendIfIdle();
        }
        if (!status) {
            return status;
        }
        if (entries.empty()) {
            return NothingFound();
        }
        out = std::move(entries);
        return Status::Ok();
    });
}

Instrument::Instrument() : state_(std::make_unique<State>()) {}

Instrument::~Instrument() {
    std::lock_guard<std::mutex> hold(Shared().mutex);
    if (state_->index >= 0) {
        USB_Close(state_->index);
        Shared().in_use[state_->index] = false;
    }
    if (state_->counted) {
        Shared().open_count--;
    }
    RestoreBackendIfIdle();
}

const std::string &Instrument::Serial() const { return state_->serial; }

Status Instrument::Open(const OpenRequest &request, std::unique_ptr<Instrument> &out) {
    return Guarded([&]() -> Status {
        std::unique_ptr<Instrument> instrument(new Instrument());
        std::lock_guard<std::mutex> hold(Shared().mutex);
        SharedState &shared = Shared();
        // The backend table is process-wide: real and virtual instruments
        // cannot be open at the same time.
        if (AnyOpen() && request.use_virtual != shared.virtual_installed) {
            return Status::Fail(
                kErrArgument, request.use_virtual
                                  ? "a real instrument is open: the virtual one cannot be opened beside it"
                                  : "the virtual instrument is open: a real one cannot be opened beside it");
        }
        if (request.use_virtual) {
            InstallVirtual();
        }
        // On any failure below the instrument's destructor restores the
        // backend when no other instrument is open.
        State &state = *instrument->state_;
        state.is_virtual = request.use_virtual;
        Status status = Enumerate();
        if (!status) {
            return status;
        }
        if (request.use_virtual && request.serial.empty()) {
            status = AddVirtualIfAllInUse();
            if (!status) {
                return status;
            }
        }
        shared.open_count++;
        state.counted = true;
        int index = -1;
        status = ChooseEntry(request.serial, index);
        if (!status) {
            return status;
        }
        status = OpenEntry(index);
        if (!status) {
            return status;
        }
        state.index = index;
        shared.in_use[index] = true;
        state.serial = NarrowSerial(devInfo[index].serialNumber);
        if (request.use_virtual) {
            PlaceSample(state.serial, request.sample);
        }
        currentIndex = index;
        state.model = ReadModel();
        out = std::move(instrument);
        return Status::Ok();
    });
}

Status Instrument::Reopen(std::chrono::milliseconds wait) {
    return Guarded([&]() -> Status {
        std::lock_guard<std::mutex> hold(Shared().mutex);
        State &state = *state_;
        const uint64_t budget = wait.count() > 0 ? static_cast<uint64_t>(wait.count()) : 0;
        uint64_t waited = 0;
        Status status;
        while (true) {
            if (state.index >= 0) {
                USB_Close(state.index);
                Shared().in_use[state.index] = false;
            }
            // Alone, the table can be rebuilt: the instrument may come back
            // at another place.
            if (Shared().open_count == 1 && USB_Enumerate() >= 0) {
                state.index = -1;
            }
            int index = state.index;
            status = index >= 0 ? Status::Ok() : ChooseEntry(state.serial, index);
            if (status) {
                status = OpenEntry(index);
            }
            if (status) {
                state.index = index;
                Shared().in_use[index] = true;
                return Status::Ok();
            }
            if (waited >= budget) {
                break;
            }
            USB_Sleep(kReopenStepMs);
            waited += kReopenStepMs;
        }
        return Status::Fail(status.code, "the instrument " + state.serial + " did not come back within " +
                                             std::to_string(budget / 1000) + " s: " + status.message);
    });
}

}  // namespace velscan
