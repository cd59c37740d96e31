// Device table, enumeration, open/close and single-report transfer.
#include "usb.h"

#include <cstring>

#include "usb_seams.h"

using velscan::link::UsbBackend;

USB_DeviceInfo devInfo[USB_MAX_DEVICES];
int32_t deviceNumber = 0;
int32_t currentIndex = 0;
int32_t defaultTimeOut = USB_DEFAULT_TIMEOUT_MS;

namespace {

// What the device table does not hold: each entry's device path and the
// reason of the last failed open.
char devicePaths[USB_MAX_DEVICES][256];
wchar_t lastOpenError[256];

void CopyPath(char *dest, const char *source) {
    std::memset(dest, 0, sizeof devicePaths[0]);
    if (source != nullptr) std::strncpy(dest, source, sizeof devicePaths[0] - 1);
}

void KeepOpenError(const wchar_t *text) {
    lastOpenError[0] = L'\0';
    if (text == nullptr) return;
    size_t i = 0;
    for (; i + 1 < sizeof lastOpenError / sizeof lastOpenError[0] && text[i] != L'\0'; ++i)
        lastOpenError[i] = text[i];
    lastOpenError[i] = L'\0';
}

bool ValidIndex(int32_t index) { return index >= 0 && index < USB_MAX_DEVICES; }

hid_device *CurrentHandle() { return ValidIndex(currentIndex) ? devInfo[currentIndex].handle : nullptr; }

// Keep the first 8 characters; an interface without a serial-number string
// gets an empty one.
void CopySerial(wchar_t *dest, const wchar_t *source) {
    std::memset(dest, 0, sizeof(wchar_t) * (USB_SERIAL_CHARS + 1));
    if (source == nullptr) return;
    for (int i = 0; i < USB_SERIAL_CHARS && source[i] != L'\0'; ++i) dest[i] = source[i];
}

}  // namespace

extern "C" int32_t USB_Init(void) { return UsbBackend().init(); }

extern "C" int32_t USB_Exit(void) { return UsbBackend().exit(); }

extern "C" int32_t USB_Enumerate(void) {
    const USB_HidBackend &hid = UsbBackend();
    if (hid.init() == -1) return USB_ERR_INIT;
    struct hid_device_info *list = hid.enumerate(0, 0);
    int32_t count = 0;
    for (struct hid_device_info *it = list; it != nullptr; it = it->next) {
        if (it->vendor_id != USB_VENDOR_ID) continue;
        // The table has room for four; further interfaces are not entered.
        if (count == USB_MAX_DEVICES) break;
        USB_DeviceInfo &entry = devInfo[count];
        entry.index = count;
        entry.vendorId = it->vendor_id;
        entry.productId = it->product_id;
        CopySerial(entry.serialNumber, it->serial_number);
        CopyPath(devicePaths[count], it->path);
        ++count;
    }
    deviceNumber = count;
    hid.free_enumeration(list);
    return count;
}

extern "C" int32_t USB_Open(int32_t index) {
    if (!ValidIndex(index)) return USB_ERR_OPEN;
    currentIndex = index;
    USB_DeviceInfo &entry = devInfo[index];
    // Opening an entry that is still open releases the old handle first,
    // so it is not lost.
    if (entry.handle != nullptr) {
        UsbBackend().close(entry.handle);
        entry.handle = nullptr;
    }
    // An empty serial opens by vendor and product alone (hidapi treats a null
    // serial as "any").
    const wchar_t *serial = entry.serialNumber[0] != L'\0' ? entry.serialNumber : nullptr;
    // An entry never filled by enumeration has vendor 0 and matches nothing.
    const USB_HidBackend &hid = UsbBackend();
    entry.handle = entry.vendorId != 0 ? hid.open(entry.vendorId, entry.productId, serial) : nullptr;
    KeepOpenError(entry.handle == nullptr && entry.vendorId != 0 && hid.error ? hid.error(nullptr) : nullptr);
    return entry.handle != nullptr ? 0 : USB_ERR_OPEN;
}

extern "C" const wchar_t *USB_LastOpenError(void) { return lastOpenError; }

extern "C" const char *USB_DevicePath(int32_t index) { return ValidIndex(index) ? devicePaths[index] : ""; }

extern "C" int32_t USB_Close(int32_t index) {
    if (!ValidIndex(index)) return USB_ERR_OPEN;
    USB_DeviceInfo &entry = devInfo[index];
    if (entry.handle != nullptr) UsbBackend().close(entry.handle);
    entry.handle = nullptr;
    return 0;
}

extern "C" int32_t USB_Write(const uint8_t *report) {
    hid_device *handle = CurrentHandle();
    if (handle == nullptr) return USB_ERR_WRITE_CLOSED;
    return UsbBackend().write(handle, report, USB_OUTPUT_REPORT_SIZE);
}

extern "C" int32_t USB_ReadTimeout(uint8_t *buffer, int32_t timeoutMs) {
    hid_device *handle = CurrentHandle();
    if (handle == nullptr) return USB_ERR_READ_CLOSED;
    return UsbBackend().read_timeout(handle, buffer, USB_REPORT_SIZE, timeoutMs);
}

extern "C" int32_t USB_Read(uint8_t *buffer) { return USB_ReadTimeout(buffer, defaultTimeOut); }
