#include "api_device.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "diag.h"
#include "usb.h"
#include "velspec_helper.h"
#include "velspec_scan.h"

namespace api_test {

namespace {

// The API's debug lines are checked as the menu shows them, on standard output.
const bool stdio_sink = (velscan::diag::SetSink(velscan::diag::StdioSink, nullptr), true);

// Little-endian 32-bit words, one after another.
Bytes U32s(std::initializer_list<uint32_t> words) {
    Bytes out;
    for (uint32_t v : words)
        for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
    return out;
}

// Runs the library's size query, then its writer into a buffer of at least
// `room` bytes, and keeps the stated size.
template <typename SizeOf, typename Write>
Bytes Encode(SizeOf size_of, Write write, size_t room = 0) {
    size_t size = 0;
    if (size_of(&size) != VELSPEC_OK) return {};
    Bytes image(std::max(size, room));
    if (write(image.data(), image.size()) != VELSPEC_OK) return {};
    image.resize(size);
    return image;
}

}  // namespace

ApiDevice::ApiDevice() {
    hid.addDevice();
    USB_Enumerate();
    USB_Open(0);
    hid.clearRecords();
    hid.onCommand = [this](const SentCommand &command) { Answer(command); };
}

std::vector<uint16_t> ApiDevice::Codes() const {
    std::vector<uint16_t> codes;
    for (const SentCommand &command : Sent()) codes.push_back(command.code);
    return codes;
}

void ApiDevice::Answer(const SentCommand &command) {
    const auto failure = failures_.find({command.code, seen_[command.code]++});
    if (failure != failures_.end()) {
        if (failure->second == Failure::Timeout) return hid.queueTimeout();
        return failure->second == Failure::Status3 ? hid.queueReply({}, 3) : hid.queueAck(7);
    }
    const uint16_t code = command.code;
    if (code == kGetNumScanCfg) return hid.queueReply({num_configs});
    if (code == kGetEstimatedScanTime) return hid.queueReply(U32s({estimated_scan_ms}));
    if (code == kGetPGAGain) return hid.queueReply({gain});
    if (code == kButtonTestRd) return hid.queueReply({button});
    if (code == kGetFlashUniqueID) return hid.queueReply(Bytes(uuid, uuid + 8));
    if (code == kReadDeviceStatus) return hid.queueReply(U32s({0x11}));
    if (code == kReadHum) return hid.queueReply(U32s({2533, 4512}));  // temperature, humidity
    if (code == kReadBattVolt) return hid.queueReply(U32s({391, 8700, 5}));
    if (code == kGetScanCfg) {
        Bytes payload = U32s({static_cast<uint32_t>(config_image.size())});
        payload.insert(payload.end(), config_image.begin(), config_image.end());
        return hid.queueReply(payload);
    }
    if (code == kGetFileSizeToRead) {
        file_ = files[command.data[0]];
        file_offset_ = 0;
        return hid.queueReply(U32s({static_cast<uint32_t>(file_.size()) + stated_extra}));
    }
    if (code != kGetFileData) return hid.queueReply({});             // an empty acknowledgement
    if (file_offset_ >= file_.size()) return hid.queueReply({}, 1);  // nothing left to deliver
    const size_t n = std::min<size_t>(576, file_.size() - file_offset_);
    const auto from = file_.begin() + static_cast<long>(file_offset_);
    file_offset_ += n;
    hid.queueReply(Bytes(from, from + static_cast<long>(n)));
}

Bytes ColumnScanImage(int points, int16_t temperature, uint16_t humidity) {
    auto record = std::make_unique<uScanData>();
    scanData &scan = record->data;
    scan.header_version = 1;
    scan.system_temp_hundredths = temperature;
    scan.humidity_hundredths = humidity;
    // Calibration that maps column c to 850 + c nm.
    scan.calibration_coeffs.pixel_to_wavelength_coeffs[0] = 850.0;
    scan.calibration_coeffs.pixel_to_wavelength_coeffs[1] = 1.0;
    scan.wavelength_start_nm = 900;
    scan.wavelength_end_nm = 1700;
    scan.width_px = 6;
    scan.num_patterns = static_cast<uint16_t>(points);
    scan.num_repeats = 1;
    scan.black_pattern_period = 255;
    // The readings after one dark reading worth 100: point i-1 reads 1000 + i.
    scan.adc_data_length = static_cast<uint16_t>(points + 1);
    scan.adc_data[0] = 100;
    for (int i = 1; i <= points; ++i) scan.adc_data[i] = 1100 + i;
    return Encode([&](size_t *size) { return velspec_get_scan_data_dump_size(record.get(), size); },
                  [&](void *to, size_t n) { return velspec_scan_write_data(record.get(), to, n); });
}

Bytes ReferenceMatrixImage() {
    auto matrix = std::make_unique<refMatrix>();
    for (int w = 0; w < REF_MATRIX_WIDTHS; ++w) {
        matrix->widths[w] = static_cast<uint8_t>(2 + w);
        for (int j = 0; j < REF_MATRIX_WAVELENGTHS; ++j) {
            matrix->wavelengths[j] = 880.0 + 18.0 * j;
            matrix->ref_intensities[w][j] = static_cast<uint16_t>(1000 * (w + 2));
        }
    }
    return Encode(
        [&](size_t *size) { return velspec_get_serialize_dump_size(matrix.get(), size, REC_REF_MATRIX); },
        [&](void *to, size_t n) { return velspec_calib_write_ref_matrix(matrix.get(), to, n); });
}

Bytes ConfigImage(bool two_sections, const char *serial) {
    scanCfg single{};
    slewScanCfg slew{};
    single.wavelength_start_nm = 900;
    single.wavelength_end_nm = 1700;
    single.width_px = 6;
    single.num_patterns = 228;
    slew.scan_type = 2;
    slew.num_sections = 2;
    slew.sections[0] = {0, 6, 950, 1300, 100, 0};
    slew.sections[1] = {1, 8, 1300, 1650, 100, 0};
    const void *cfg = two_sections ? static_cast<const void *>(&slew) : &single;
    char *serial_field = two_sections ? slew.serial_number : single.serial_number;
    std::memcpy(serial_field, serial, std::min<size_t>(std::strlen(serial), sizeof single.serial_number));
    single.num_repeats = slew.num_repeats = 1;
    return Encode([&](size_t *size) { return velspec_get_scan_config_dump_size(cfg, size); },
                  [&](void *to, size_t n) { return velspec_scan_write_configuration(cfg, to, n); }, 512);
}

}  // namespace api_test
