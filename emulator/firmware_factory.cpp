// The factory state of the virtual unit: identity, calibration, stored scan
// configurations, the white-standard reference scan and the reference matrix.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string_view>

#include "firmware.h"
#include "scan_engine.h"
#include "velspec_helper.h"
#include "velspec_scan.h"
#include "velspec_util.h"
#include "virtual_device.h"

namespace virt {

namespace {

constexpr uint64_t kReferenceNoiseSeed = 0x5EF0CA1ULL;  // the reference was measured once, long ago
constexpr uint16_t kReferenceRepeats = 6;
constexpr int kMatrixFirstWidth = 2;  // widths 2 .. 20 columns

template <size_t N>
void CopyText(std::array<char, N> &field, std::string_view text) {
    field.fill(0);
    std::memcpy(field.data(), text.data(), std::min(N, text.size()));
}

void CopyText(char *field, size_t n, std::string_view text) {
    std::memset(field, 0, n);
    std::memcpy(field, text.data(), std::min(n, text.size()));
}

std::vector<uint8_t> EncodeConfig(const void *config) {
    size_t size = 0;
    if (velspec_get_scan_config_dump_size(config, &size) != VELSPEC_OK) return {};
    std::vector<uint8_t> image(size, 0);
    if (velspec_scan_write_configuration(config, image.data(), image.size()) != VELSPEC_OK) return {};
    return image;
}

scanCfg SingleConfig(uint16_t index, uint8_t type, const char *name, const std::array<char, 8> &serial) {
    scanCfg cfg{};
    cfg.scan_type = type;
    cfg.config_index = index;
    std::memcpy(cfg.serial_number, serial.data(), sizeof cfg.serial_number);
    CopyText(cfg.config_name, sizeof cfg.config_name, name);
    cfg.wavelength_start_nm = 900;
    cfg.wavelength_end_nm = 1700;
    cfg.width_px = 6;
    cfg.num_patterns = 228;
    cfg.num_repeats = 1;
    return cfg;
}

slewScanCfg TwoSectionConfig(uint16_t index, const std::array<char, 8> &serial) {
    slewScanCfg cfg{};
    cfg.scan_type = SCAN_TYPE_SLEW;
    cfg.config_index = index;
    std::memcpy(cfg.serial_number, serial.data(), sizeof cfg.serial_number);
    CopyText(cfg.config_name, sizeof cfg.config_name, "Column 900-1300 + Hadamard 1304-1700");
    cfg.num_repeats = 1;
    cfg.num_sections = 2;
    cfg.sections[0] = {SCAN_TYPE_COLUMN, 6, 900, 1300, 100, 0};
    // The second section starts one band past the first so no wavelength repeats.
    cfg.sections[1] = {SCAN_TYPE_HADAMARD, 8, 1304, 1700, 100, 1};
    return cfg;
}

}  // namespace

void Firmware::FactoryReset() {
    stored = StoredState{};
    vol = VolatileState{};
    sample = Sample::WhiteReference;
    time_scale = 1.0;
    scan_complete_polls = 0;
    noise_enabled = true;
    noise_seed = kDefaultNoiseSeed;
    serial_link_pieces = false;
    download_type = 0;
    last_upload.clear();
    last_upload_action = 0;

    CopyText(stored.serial, identity_serial);
    CopyText(stored.manufacturing_serial, "VSM-2026-0417-A1");
    CopyText(stored.model_name, "VelScan NIR-1");
    CopyText(stored.ble_name, "VelScan-" + identity_serial);
    CopyText(stored.hw_text, "HW-REV-C");
    stored.hw_values[0] = 3;         // main board revision
    stored.hw_values[1] = 20260115;  // assembly date
    stored.flash_uid = {0x5A, 0x17, 0x3C, 0x91, 0x08, 0x4E, 0x22, 0xD8};
    // Firmware 2.1.4, DMD controller 1.3.0, scan header version 1,
    // calibration data 3, reference data 2, configuration format 1, build date.
    const uint32_t versions[7] = {0x00020104, 0x00010300, 1, 3, 2, 1, 0x20260115};
    std::copy(std::begin(versions), std::end(versions), stored.versions);
    stored.flash_checksum = 0x3E9A71C5;
    stored.lamp_usage_ms = 37ULL * 3600 * 1000 + 12 * 60 * 1000;  // 37 h 12 min

    Optics optics = FactoryOptics();
    std::copy(optics.shift.begin(), optics.shift.end(), stored.calibration.shift_vector_coeffs);
    std::copy(optics.pixel_to_nm.begin(), optics.pixel_to_nm.end(),
              stored.calibration.pixel_to_wavelength_coeffs);

    scanCfg column = SingleConfig(0, SCAN_TYPE_COLUMN, "Column 228 900-1700 w6", stored.serial);
    scanCfg hadamard = SingleConfig(1, SCAN_TYPE_HADAMARD, "Hadamard 228 900-1700 w6", stored.serial);
    slewScanCfg two_section = TwoSectionConfig(2, stored.serial);
    stored.configs = {EncodeConfig(&column), EncodeConfig(&hadamard), EncodeConfig(&two_section)};

    vol.clock = {26, 12, 6, 0, 9, 30, 0};  // 2026-12-06, Sunday, 09:30:00
    vol.velc_registers = {{0x0000, 0x00010300}, {0x0004, 0x00000356}, {0x0008, 0x000001E0}};

    // The white-standard reference: the column configuration, default gain,
    // averaged, with its own noise so that it does not shift later scans.
    if (std::optional<DecodedConfig> ref_cfg = DecodeConfig(stored.configs[0])) {
        if (std::optional<ScanPlan> plan = PlanScan(*ref_cfg, stored.calibration)) {
            ScanConditions c;
            c.sample = Sample::WhiteReference;
            c.gain = kDefaultGain;
            c.repeats = kReferenceRepeats;
            c.calibration = stored.calibration;
            CopyText(c.name.data(), c.name.size(), "RefCal white");
            c.time = {26, 1, 15, 4, 14, 5, 0};
            c.system_temp = 2300;
            c.detector_temp = 2150;
            c.humidity = 3500;
            c.lamp_monitor = 1832;
            c.serial = stored.serial;
            NoiseSource reference_noise(kReferenceNoiseSeed);
            if (std::optional<ScanOutput> out = RunScan(*ref_cfg, *plan, c, physics_, reference_noise))
                stored.refcal_file = std::move(out->image);
        }
    }

    // The reference matrix: white-standard band intensities at gain 1 for
    // widths 2 to 20 columns at 50 wavelengths from 900 to 1700 nm.
    auto matrix = std::make_unique<refMatrix>();
    std::memset(matrix.get(), 0, sizeof *matrix);
    Coeffs3 bend = optics.shift;
    const std::vector<double> &light = physics_.ColumnLight(Sample::WhiteReference, true, bend);
    for (int k = 0; k < REF_MATRIX_WAVELENGTHS; ++k)
        matrix->wavelengths[k] = 900.0 + 800.0 * k / (REF_MATRIX_WAVELENGTHS - 1);
    for (int w = 0; w < REF_MATRIX_WIDTHS; ++w) {
        int width = kMatrixFirstWidth + w;
        matrix->widths[w] = static_cast<uint8_t>(width);
        for (int k = 0; k < REF_MATRIX_WAVELENGTHS; ++k) {
            double column = 0.0;
            if (velspec_util_nmToColumn(matrix->wavelengths[k], stored.calibration.pixel_to_wavelength_coeffs,
                                        &column) != VELSPEC_OK)
                continue;
            int first = std::max(static_cast<int>(column) - width / 2, 0);
            int last = std::min(first + width, kDmdColumns);
            double sum = 0.0;
            for (int c = first; c < last; ++c) sum += light[c];
            matrix->ref_intensities[w][k] = static_cast<uint16_t>(std::clamp(std::round(sum), 1.0, 65535.0));
        }
    }
    stored.matrix_file.assign(VELSPEC_IMG_SIZE_REF_MATRIX, 0);
    if (velspec_calib_write_ref_matrix(matrix.get(), stored.matrix_file.data(), stored.matrix_file.size()) !=
        VELSPEC_OK)
        stored.matrix_file.clear();

    noise_.Seed(noise_seed);
}

}  // namespace virt
