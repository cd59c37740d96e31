#include "instrument_pool.h"

#include <cstdlib>
#include <cstring>

#include "virtual_device.h"

namespace virt {

namespace {

// Serial numbers are "VS" and six digits; added instruments count up from
// the default one's number.
constexpr const char *kSerialPrefix = "VS";

long SerialNumber(const std::string &serial) {
    return std::strtol(serial.c_str() + std::strlen(kSerialPrefix), nullptr, 10);
}

std::string SerialOf(const VirtualInstrument &instrument) {
    const std::wstring wide = instrument.SerialString();
    return std::string(wide.begin(), wide.end());
}

}  // namespace

InstrumentPool::InstrumentPool() : default_(VIRT_SERIAL_NUMBER) {}

InstrumentPool &InstrumentPool::Get() {
    static InstrumentPool pool;
    return pool;
}

std::vector<VirtualInstrument *> InstrumentPool::All() {
    std::vector<VirtualInstrument *> all{&default_};
    for (const auto &added : added_) all.push_back(added.get());
    return all;
}

hid_device_info *InstrumentPool::Enumerate(unsigned short vendor, unsigned short product) {
    if ((vendor != 0 && vendor != USB_VENDOR_ID) || (product != 0 && product != USB_PRODUCT_ID))
        return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    auto listing = std::make_unique<Listing>();
    std::vector<VirtualInstrument *> all = All();
    for (size_t position = 0; position < all.size(); ++position) {
        if (!all[position]->Present()) continue;
        listing->serials.push_back(all[position]->SerialString());
        listing->paths.push_back("virtual:velscan/" + std::to_string(position));
    }
    if (listing->serials.empty()) return nullptr;
    // The strings are complete before the entries point into them.
    listing->entries.resize(listing->serials.size());
    for (size_t i = 0; i < listing->entries.size(); ++i) {
        hid_device_info &info = listing->entries[i];
        std::memset(&info, 0, sizeof info);
        info.path = listing->paths[i].data();
        info.vendor_id = USB_VENDOR_ID;
        info.product_id = USB_PRODUCT_ID;
        info.serial_number = listing->serials[i].data();
        info.release_number = 0x0214;
        info.manufacturer_string = const_cast<wchar_t *>(L"VelScan Instruments");
        info.product_string = const_cast<wchar_t *>(L"VelScan NIR-1 (virtual)");
        info.usage_page = 0xFF00;
        info.usage = 0x0001;
        info.interface_number = 0;
        info.next = i + 1 < listing->entries.size() ? &listing->entries[i + 1] : nullptr;
    }
    hid_device_info *head = listing->entries.data();
    listings_[head] = std::move(listing);
    return head;
}

void InstrumentPool::FreeEnumeration(hid_device_info *list) {
    std::lock_guard<std::mutex> lock(mutex_);
    listings_.erase(list);
}

hid_device *InstrumentPool::Open(unsigned short vendor, unsigned short product, const wchar_t *serial) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (VirtualInstrument *instrument : All()) {
        if (!instrument->Present()) continue;
        if (serial != nullptr && instrument->SerialString() != serial) continue;
        return instrument->Open(vendor, product, serial);
    }
    return nullptr;
}

VirtualInstrument *InstrumentPool::Find(hid_device *device) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (VirtualInstrument *instrument : All())
        if (instrument->Handle() == device) return instrument;
    return nullptr;
}

std::string InstrumentPool::Add() {
    std::lock_guard<std::mutex> lock(mutex_);
    // The lowest number above the default's that no instrument carries.
    std::vector<VirtualInstrument *> all = All();
    auto taken = [&all](long number) {
        for (VirtualInstrument *instrument : all)
            if (SerialNumber(SerialOf(*instrument)) == number) return true;
        return false;
    };
    long number = SerialNumber(VIRT_SERIAL_NUMBER) + 1;
    while (taken(number)) ++number;
    std::string serial = kSerialPrefix + std::to_string(number);
    added_.push_back(std::make_unique<VirtualInstrument>(serial));
    return serial;
}

bool InstrumentPool::Remove(const std::string &serial) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = added_.begin(); it != added_.end(); ++it) {
        if (SerialOf(**it) != serial) continue;
        if ((*it)->IsOpen()) return false;
        added_.erase(it);
        return true;
    }
    return false;
}

std::vector<std::string> InstrumentPool::Serials() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> serials;
    for (VirtualInstrument *instrument : All()) serials.push_back(SerialOf(*instrument));
    return serials;
}

std::string InstrumentPool::FirstClosed() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (VirtualInstrument *instrument : All())
        if (!instrument->IsOpen() && instrument->Present()) return SerialOf(*instrument);
    return {};
}

VirtualInstrument *InstrumentPool::BySerial(const std::string &serial) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (VirtualInstrument *instrument : All())
        if (SerialOf(*instrument) == serial) return instrument;
    return nullptr;
}

}  // namespace virt
