// Every virtual instrument the HID backend serves: the default one (serial
// VIRT_SERIAL_NUMBER), always there, and any added for several instruments
// at once, each with its own serial number, firmware, sample and state.
// Enumeration lists them in order, default first; the backend's handle is the
// instrument itself.
#ifndef VELSCAN_EMULATOR_INSTRUMENT_POOL_H
#define VELSCAN_EMULATOR_INSTRUMENT_POOL_H

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "usb.h"
#include "virtual_instrument.h"

namespace virt {

class InstrumentPool {
public:
    static InstrumentPool &Get();
    VirtualInstrument &Default() { return default_; }

    // hidapi entry points that choose an instrument.
    hid_device_info *Enumerate(unsigned short vendor, unsigned short product);
    void FreeEnumeration(hid_device_info *list);
    // Null serial: the first instrument present, as hidapi opens the first match.
    hid_device *Open(unsigned short vendor, unsigned short product, const wchar_t *serial);
    // The instrument behind a handle the backend handed out; null when none is.
    VirtualInstrument *Find(hid_device *device);

    std::string Add();
    bool Remove(const std::string &serial);
    std::vector<std::string> Serials();
    std::string FirstClosed();
    VirtualInstrument *BySerial(const std::string &serial);

private:
    InstrumentPool();
    // Default first, then the added ones in the order they were added.
    std::vector<VirtualInstrument *> All();

    VirtualInstrument default_;
    // The structure (added instruments, enumeration listings) may change from
    // any thread; calls into one instrument are serialized by the transport's users.
    std::mutex mutex_;
    std::vector<std::unique_ptr<VirtualInstrument>> added_;

    struct Listing {
        std::vector<hid_device_info> entries;
        std::vector<std::wstring> serials;
        std::vector<std::string> paths;
    };
    std::map<hid_device_info *, std::unique_ptr<Listing>> listings_;
};

}  // namespace virt

#endif
