// One spectrometer, opened: identity, stored configurations, scans and the
// stored reference recomputed for a scan. Calls into the device are
// serialized by one process-wide lock and select this instrument's entry of
// the transport's device table first, so several instruments can be open and
// used from several threads.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "spectrum.h"
#include "status.h"

namespace velscan {

// What `velscan list` shows of one HID interface of the instrument.
struct DeviceEntry {
    int index = 0;
    std::string serial;
    uint16_t vendor_id = 0;
    uint16_t product_id = 0;
    std::string path;
};

// Enumerates instruments on the installed HID backend, or the virtual one
// (kErrNotFound when none). While an instrument is open the table it was
// opened from is listed, not enumerated again.
Status ListDevices(std::vector<DeviceEntry> &out, bool use_virtual = false);

enum class VirtualSample { White, Organic, Emission, Covered };
// "white", "organic", "emission", "covered": kErrArgument otherwise.
Status ParseSample(std::string_view name, VirtualSample &out);
std::string_view SampleName(VirtualSample sample);

struct OpenRequest {
    std::string serial;        // empty: the first instrument found
    bool use_virtual = false;  // the built-in virtual spectrometer
    VirtualSample sample = VirtualSample::White;
};

enum class ScanKind { Column, Hadamard, MultiSection };
std::string_view ScanKindName(ScanKind kind);  // "column", "hadamard", "multi"

struct Section {
    ScanKind kind = ScanKind::Column;  // Column or Hadamard
    double start_nm = 0;
    double end_nm = 0;
    int width_px = 0;
    int points = 0;
    int exposure = 0;  // exposure code
};

struct Configuration {
    int slot = 0;
    std::string name;
    ScanKind kind = ScanKind::Column;
    std::vector<Section> sections;  // one for column/Hadamard, up to 5 for multi
    int average = 1;
    double start_nm() const;
    double end_nm() const;
    int points() const;
};

struct InstrumentInfo {
    std::string serial, model, manufacturing_serial;
    std::string hardware_version, firmware_version;
    std::string flash_unique_id;  // "5A:17:..."
    double battery_volts = 0, battery_percent = 0;
    double temperature_c = 0, humidity_percent = 0;
    double lamp_hours = 0;
    std::vector<Configuration> configurations;
};

struct ScanRequest {
    int config = 0;   // stored slot
    int average = 0;  // scans averaged; 0 leaves the instrument's setting
    int gain = 0;     // amplifier gain 1..64; 0 leaves the instrument's setting
    // Called while waiting for the scan, about every 100 ms, with the
    // estimated milliseconds left (0 while confirming it finished).
    std::function<void(uint32_t remaining_ms)> progress;
};

class Instrument {
public:
    static Status Open(const OpenRequest &request, std::unique_ptr<Instrument> &out);
    ~Instrument();  // closes the device
    Instrument(const Instrument &) = delete;
    Instrument &operator=(const Instrument &) = delete;

    const std::string &Serial() const;

    Status Info(InstrumentInfo &out);
    Status Configurations(std::vector<Configuration> &out);
    Status GetConfiguration(int slot, Configuration &out);
    // Checks the request against what the instrument can scan (kErrArgument
    // naming the value out of range), stores it in request.slot (or the next
    // free slot when negative), reads it back into `stored`.
    Status AddConfiguration(const Configuration &request, Configuration &stored);
    Status EraseConfigurations();

    // Selects the configuration, sets averaging and gain, starts the scan,
    // waits its estimated time, confirms with the instrument that it
    // finished (bounded), fetches and interprets the record. `out` gets the
    // spectrum, its metadata and the raw image.
    Status Scan(const ScanRequest &request, Spectrum &out);
    // The stored reference recomputed for `scan`'s configuration.
    Status Reference(const Spectrum &scan, Spectrum &out);

    // Closes and opens the same instrument again by serial number, trying
    // for up to `wait` (for a series that lost its instrument).
    Status Reopen(std::chrono::milliseconds wait);

private:
    friend class DeviceAccess;
    Instrument();
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace velscan
