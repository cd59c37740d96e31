// Shared by the instrument sources: the process-wide lock and state around
// the transport's device table, and the per-instrument state.
#pragma once

#include <mutex>
#include <string>

#include "instrument.h"
#include "usb.h"

namespace velscan {

// The core below keeps process-wide state (the device table and its current
// index, the framing buffers, the installed HID backend, the spectral
// library's static Hadamard definition, which interpreting a record rebuilds
// and the virtual instrument uses while it scans), so every call into it
// happens under this one lock.
struct SharedState {
    std::mutex mutex;
    int open_count = 0;
    bool virtual_installed = false;  // the virtual backend is installed by us
    USB_HidBackend saved_backend{};  // the table it replaced
    bool in_use[USB_MAX_DEVICES] = {};
};
SharedState &Shared();

struct Instrument::State {
    int index = -1;  // entry of the device table; -1: closed
    bool is_virtual = false;
    bool counted = false;  // counted in SharedState::open_count
    std::string serial;
    std::string model;
};

// Holds the lock and makes the instrument's entry current for the calls
// made while it lives. ok() is false (kErrClosed) when the entry is closed.
class DeviceAccess {
public:
    explicit DeviceAccess(const Instrument::State &state);
    const Status &status() const { return status_; }

private:
    std::lock_guard<std::mutex> hold_;
    Status status_;
};

// kErrInstrument "<step> failed (code N: text)" for a ZOR_* result.
Status CommandFailed(const std::string &step, int code);
// The same for a device API or spectral library code.
Status ApiFailed(const std::string &step, int code);
Status SpectralFailed(const std::string &step, int code);

// ASCII of a wide HID string; anything else becomes "?" (in a serial, spaces too).
std::string NarrowText(const wchar_t *text);
std::string NarrowSerial(const wchar_t *serial);
// The number of stored configurations (lock held).
Status StoredCount(int &count);
// Reads stored configuration `slot` after checking it is one of those stored
// (lock held): kErrArgument for a slot out of range.
Status ReadStoredConfiguration(int slot, Configuration &out);

// Reads stored configuration `slot` (lock held).
Status ReadConfiguration(int slot, Configuration &out);

}  // namespace velscan
