#include "scripted_hid.h"

#include <cstring>

namespace fuzz {
namespace {

ByteCursor *g_in = nullptr;
bool g_fail_write = false;
int g_pending = 0;
hid_device_info g_info;
wchar_t g_serial[] = L"FZ000001";
// Any non-null handle will do; the transport never looks inside.
unsigned char g_handle_storage;

int scripted_init() { return 0; }
int scripted_exit() { return 0; }

hid_device_info *scripted_enumerate(unsigned short, unsigned short) {
    std::memset(&g_info, 0, sizeof g_info);
    g_info.vendor_id = USB_VENDOR_ID;
    g_info.product_id = USB_PRODUCT_ID;
    g_info.serial_number = g_serial;
    return &g_info;
}

void scripted_free_enumeration(hid_device_info *) {}

hid_device *scripted_open(unsigned short, unsigned short, const wchar_t *) {
    return reinterpret_cast<hid_device *>(&g_handle_storage);
}

void scripted_close(hid_device *) {}

int scripted_write(hid_device *, const unsigned char *data, size_t length) {
    // The transport always sends whole 65-byte reports with report ID 0.
    if (length != USB_OUTPUT_REPORT_SIZE || data[0] != 0) __builtin_trap();
    if (g_fail_write) {
        g_fail_write = false;
        return -1;
    }
    return static_cast<int>(length);
}

int scripted_read(hid_device *, unsigned char *data, size_t length, int timeout_ms) {
    if (length > USB_REPORT_SIZE) length = USB_REPORT_SIZE;
    if (timeout_ms == 0) {
        if (g_pending == 0) return 0;
        --g_pending;
        std::memset(data, 0xA5, length);
        return static_cast<int>(length);
    }
    if (g_in->empty()) return 0;
    uint8_t control = g_in->byte();
    if (control & 0x40) ++g_pending;
    switch (control & 7) {
    case 0: return 0;
    case 1: return -1;
    default: break;
    }
    size_t n = length;
    if (control & 8) {
        size_t short_len = 1 + g_in->byte() % 64;
        if (short_len < n) n = short_len;
    }
    std::vector<uint8_t> bytes = g_in->take(n);
    if (bytes.empty()) return 0;
    std::memcpy(data, bytes.data(), bytes.size());
    return static_cast<int>(bytes.size());
}

const USB_HidBackend kScripted = {
    scripted_init, scripted_exit, scripted_enumerate, scripted_free_enumeration,
    scripted_open, scripted_close, scripted_write, scripted_read, nullptr,
};

} // namespace

void scripted_hid_begin(ByteCursor *in) {
    g_in = in;
    g_fail_write = false;
    g_pending = 0;
    USB_SetHidBackend(&kScripted);
    USB_Enumerate();
    USB_Open(0);
}

void scripted_hid_fail_next_write() { g_fail_write = true; }

void scripted_hid_end() {
    USB_Close(0);
    USB_SetHidBackend(nullptr);
    g_in = nullptr;
}

} // namespace fuzz
