// Everything the virtual instrument remembers between commands.
#ifndef VELSCAN_EMULATOR_DEVICE_STATE_H
#define VELSCAN_EMULATOR_DEVICE_STATE_H

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "velspec_records.h"

namespace virt {

inline constexpr size_t kMaxStoredConfigs = 20;
inline constexpr size_t kErrorTypes = 16;
inline constexpr uint8_t kDefaultGain = 16;

// Status word bits (ZOR_ReadDeviceStatus).
inline constexpr uint32_t kStatusReady = 1u << 0;
inline constexpr uint32_t kStatusScanComplete = 1u << 1;
inline constexpr uint32_t kStatusLampOn = 1u << 2;
inline constexpr uint32_t kStatusBluetoothOn = 1u << 3;
inline constexpr uint32_t kStatusButtonEnabled = 1u << 4;
inline constexpr uint32_t kStatusButtonPressed = 1u << 5;
inline constexpr uint32_t kStatusError = 1u << 6;
inline constexpr uint32_t kStatusHibernate = 1u << 7;

// Kept in flash or EEPROM: survives a controller reset, not an erase.
struct StoredState {
    std::vector<std::vector<uint8_t>> configs;  // images exactly as received
    calibCoeffSet calibration{};
    std::vector<uint8_t> refcal_file;  // white-standard scan image
    std::vector<uint8_t> matrix_file;  // refMatrix image
    std::array<char, 8> serial{};
    std::array<char, 20> manufacturing_serial{};
    std::array<char, 16> model_name{};
    std::array<char, 24> ble_name{};
    std::array<char, 8> hw_text{};
    uint32_t hw_values[2] = {0, 0};
    std::array<uint8_t, 8> flash_uid{};
    uint32_t versions[7] = {};
    uint32_t flash_checksum = 0;
    uint64_t lamp_usage_ms = 0;
    bool hibernate_enabled = false;
};

// Lost when the controller restarts.
struct VolatileState {
    uint8_t active_index = 0;
    std::optional<std::vector<uint8_t>> applied_config;  // ZOR_ApplyScanConfig image
    uint16_t repeats = 1;
    uint8_t pga_gain = kDefaultGain;
    bool pga_fixed = true;
    bool scan_controls_lamp = true;  // a scan switches lamp and controller itself
    bool velc_enabled = false;       // lamp and controller switched on directly
    bool button_enabled = true;
    bool button_pressed = false;
    bool bluetooth_on = false;
    uint8_t led = 0;
    bool hibernating = false;
    bool in_boot_loader = false;
    std::array<uint8_t, 7> clock{};  // year-2000, month, day, weekday, hour, minute, second
    std::array<char, 14> name_tag{};
    uint16_t sub_image[2] = {0, 480};
    uint8_t calib_pattern = 0;
    std::map<uint32_t, uint32_t> velc_registers;
    // Sensors, hundredths where the host shows them so.
    uint32_t temperature = 2512;
    uint32_t humidity = 3820;
    uint32_t battery_voltage = 391;
    uint32_t battery_percent = 8650;
    uint32_t battery_charging = 0;
    uint32_t controller_temp = 3140;
    int16_t detector_temp = 2237;
    // Errors.
    std::array<uint8_t, kErrorTypes> error_status{};
    std::array<uint16_t, kErrorTypes> error_code{};
    // Scans.
    std::vector<uint8_t> last_scan_file;
    uint32_t scan_count = 0;
    bool scan_complete = false;
    // A scan still running: its file, and the scan-complete queries left
    // until it replaces last_scan_file.
    std::vector<uint8_t> running_scan_file;
    uint32_t polls_until_complete = 0;
    uint32_t snr[3] = {0, 0, 0};
    // File download in progress: the image being delivered and the next byte.
    std::vector<uint8_t> download;
    size_t download_pos = 0;
    bool download_open = false;
    // File upload in progress.
    std::optional<uint32_t> upload_size;
    uint16_t upload_action = 0;
    std::vector<uint8_t> upload;
};

}  // namespace virt

#endif
