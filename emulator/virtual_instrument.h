// One in-process instrument behind the HID backend: its firmware, the report
// link to the host, the armed faults and what the host sent. The default
// instrument always exists; InstrumentPool holds it and any added ones.
#ifndef VELSCAN_EMULATOR_VIRTUAL_INSTRUMENT_H
#define VELSCAN_EMULATOR_VIRTUAL_INSTRUMENT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fault_plan.h"
#include "firmware.h"
#include "report_link.h"
#include "usb.h"
#include "virtual_control.h"

namespace virt {

class VirtualInstrument {
public:
    // The default instrument (serial VIRT_SERIAL_NUMBER).
    static VirtualInstrument &Get();
    explicit VirtualInstrument(std::string serial) : firmware(std::move(serial)) {}

    // hidapi entry points for this instrument; the pool picks the instrument.
    bool Present() const { return !unplugged_; }
    bool IsOpen() const { return open_; }
    hid_device *Handle() const {
        return reinterpret_cast<hid_device *>(const_cast<VirtualInstrument *>(this));
    }
    std::wstring SerialString() const;
    hid_device *Open(unsigned short vendor, unsigned short product, const wchar_t *serial);
    void Close(hid_device *device);
    int Write(hid_device *device, const unsigned char *data, size_t length);
    int Read(hid_device *device, unsigned char *data, size_t length);

    void Reset();
    void ClearFaults();

    Firmware firmware;
    FaultPlan faults;
    std::vector<std::vector<uint8_t>> sent_frames;
    Counters counters;

private:
    bool IsOurs(hid_device *device) const { return device == Handle() && open_; }
    // Handles one complete command frame; false when the write must fail.
    bool TakeFrame(const std::vector<uint8_t> &frame);
    void SendReply(const Reply &reply, uint8_t sequence, uint16_t command);

    FrameAssembler assembler_;
    ReportQueue queue_;
    std::vector<Report> late_;  // a held-back reply, released when a read times out
    bool open_ = false;
    bool unplugged_ = false;  // persistent disconnect: everything fails
    bool glitch_ = false;     // one-shot disconnect: reads fail until the next write
};

}  // namespace virt

#endif
