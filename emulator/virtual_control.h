// Test and tool control of the virtual spectrometer (C++ only; not part of
// the device API). VIRT_Backend() serves a default instrument (serial
// VIRT_SERIAL_NUMBER) and any added with AddInstrument(); everything here acts
// on the default one unless it names an instrument by serial number.
#ifndef VELSCAN_VIRTUAL_CONTROL_H
#define VELSCAN_VIRTUAL_CONTROL_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace virt {

// What sits in front of the instrument's sampling window.
enum class Sample {
    WhiteReference,  // diffuse white standard, reflectance 0.99
    Organic,         // moist organic material: water near 1450 nm, C-H overtones near 1200 and 1730 nm
    EmissionLines,   // gas-discharge calibration source: narrow lines, lamp light blocked
    Dark,            // window covered: no light at all
};

// Faults the instrument can be told to commit.
enum class Fault {
    NoReply,           // the command is taken but never answered: the host times out
    Status1,           // reply (or acknowledgement) carries status bits 1 and no data
    Status2,           // ... status bits 2
    Status3,           // ... status bits 3
    ShortReply,        // fewer reports than the length field promises: the last report of a
                       // long reply is dropped, a one-report reply claims one report more
    OversizeLength,    // length field 1000, beyond the host's 576-byte payload capacity
    CorruptImage,      // one byte of a delivered file image is XOR-ed with a mask
    Disconnect,        // one-shot: this command's write fails and reads fail until the next
                       // write; persistent: unplugged, writes, reads, enumeration and open fail
    SerialLinkPieces,  // file pieces carry 574 file bytes and two trailing link bytes
    LateReply,         // the reply is held back: the read meant for it times out, and it
                       // arrives right after, ahead of anything the next command brings
    CutPayload,        // a complete, well-formed reply whose payload (and length field)
                       // lacks its last `cut` bytes, as a device that sends fewer fields would
};

// Matches any command code.
inline constexpr uint32_t kAnyCommand = 0xFFFFFFFFu;
// Matches any file type (CorruptImage).
inline constexpr uint32_t kAnyFile = 0xFFFFFFFFu;

struct FaultSpec {
    Fault fault = Fault::NoReply;
    // Command code (16-bit, e.g. 0x002E) whose exchanges the fault hits.
    // kAnyCommand means every command, except for the two faults tied to one:
    // CorruptImage counts downloads (ZOR_GetFileSizeToRead of file_type),
    // SerialLinkPieces counts file pieces (ZOR_GetFileData).
    uint32_t command = kAnyCommand;
    // Number of matching exchanges to let pass untouched before striking.
    uint32_t skip = 0;
    // One-shot faults strike once and are gone; persistent ones strike every
    // matching exchange until ClearFaults() or Reset().
    bool persistent = false;
    // CorruptImage: the file type whose image is damaged, the byte offset
    // inside the image and the XOR mask applied to that byte.
    uint32_t file_type = kAnyFile;
    size_t offset = 0;
    uint8_t xor_mask = 0xFF;
    // CutPayload: bytes taken off the end of the payload (all of it, at most).
    size_t cut = 1;
};

// Back to the factory state: stored configurations, identity, calibration,
// reference files, sensors, switches, noise seed, sample (white reference),
// scan-time scale 1; clears faults, the frame log and the counters.
void Reset();

void SetSample(Sample sample);
Sample CurrentSample();

// Multiplies the estimated scan time the instrument reports; 0 zeroes it.
void SetScanTimeScale(double scale);
// A scan slower than it says: it finishes only at the polls-th scan-complete
// query after it started; until then the scan-complete state is 0 and the
// last-scan file still holds the previous scan. 0 (the default): at once.
void SetScanCompletePolls(uint32_t polls);

// Detector noise: on by default, drawn from a generator seeded with
// kDefaultNoiseSeed at Reset() so that transcripts are stable.
inline constexpr uint64_t kDefaultNoiseSeed = 0x5EED0F1EC7A11ULL;
void SetNoiseEnabled(bool enabled);
void SetNoiseSeed(uint64_t seed);

void InjectFault(const FaultSpec &fault_spec);
// Disarms every fault and plugs an unplugged instrument back in.
void ClearFaults();
// Faults still armed (one-shot faults that have not struck yet, persistent ones).
size_t PendingFaults();

// Every command frame the host sent since Reset()/ClearSentFrames(), complete
// (4-byte header, command code, data), in order, as reassembled from reports.
std::vector<std::vector<uint8_t>> SentFrames();
void ClearSentFrames();

// Last complete upload (ZOR_SetFileSizeAndAction + ZOR_WriteFileData): its
// bytes and action code. Uploads with action 2 or 3 also replace the stored
// reference scan or reference matrix file.
std::vector<uint8_t> LastUpload();
uint32_t LastUploadAction();

// Exact bytes the instrument would deliver for a file type right now (0 last
// scan, 2 stored reference, 3 reference matrix); empty for other types.
std::vector<uint8_t> FileImage(uint32_t file_type);

// Record a device error: sets the per-type status byte and 16-bit code read by
// ZOR_GetSpecificErrorStatus / ZOR_GetSpecificErrorcode and flags it in the
// error-status record. Types 0 to 15.
void RaiseDeviceError(uint32_t type, uint8_t status, uint16_t code);

// The push button as the operator would press it.
void SetButtonPressed(bool pressed);

// Counters for benchmarks and tests.
struct Counters {
    uint64_t reports_written = 0;  // hid_write calls that reached the instrument
    uint64_t reports_read = 0;     // reports handed out by hid_read_timeout
    uint64_t frames_handled = 0;   // complete command frames processed
    uint64_t scans = 0;            // scans performed
    uint64_t busy_ns = 0;          // wall time spent inside the backend functions
};
Counters GetCounters();

// Several instruments at once. An added instrument gets the lowest free
// serial number above the default's (VS260418, VS260419, ...), its own
// firmware in factory state, sample and faults, and is enumerated after the
// default one; it stays until removed, like a second instrument plugged in.
std::string AddInstrument();
// Removes an added instrument no host has open; false otherwise (the default one always stays).
bool RemoveInstrument(const std::string &serial);
// Every instrument's serial number, the default first.
std::vector<std::string> InstrumentSerials();
// The first instrument, default first, that is plugged in and no host has open; empty when none.
std::string FirstClosedInstrument();
// SetSample and Reset for one instrument; false when no instrument has that serial.
bool SetSampleOf(const std::string &serial, Sample sample);
bool ResetInstrument(const std::string &serial);

}  // namespace virt

#endif
