// Scan configurations, scan control, gain, averaging and calibration.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "byte_order.h"
#include "firmware.h"
#include "velspec_helper.h"

namespace virt {

namespace {

constexpr size_t kCalibPayload = 144;
constexpr size_t kApplyPayload = 124;
constexpr size_t kSaveImageMax = 123;
constexpr uint8_t kEraseKey = 0x5A;  // 'Z': guards the erase of all configurations

bool ValidGain(uint8_t gain) {
    return gain == 1 || gain == 2 || gain == 4 || gain == 8 || gain == 16 || gain == 32 || gain == 64;
}

bool Scannable(const std::vector<uint8_t> &image, const calibCoeffSet &calibration) {
    std::optional<DecodedConfig> config = DecodeConfig(image);
    return config && PlanScan(*config, calibration);
}

}  // namespace

Reply Firmware::PerformScan(const Request &) {
    std::vector<uint8_t> previous = vol.last_scan_file;
    if (!TakeScan()) return Reply::Reject(kRejectBadArgument);
    if (scan_complete_polls > 0) {
        // A slow scan: until it finishes the device still holds the last one.
        vol.running_scan_file = std::move(vol.last_scan_file);
        vol.last_scan_file = std::move(previous);
        vol.scan_complete = false;
        vol.polls_until_complete = scan_complete_polls;
    }
    return Reply::Ack();
}

Reply Firmware::GetScanComplete(const Request &) {
    if (vol.polls_until_complete > 0 && --vol.polls_until_complete == 0) {
        vol.last_scan_file = std::move(vol.running_scan_file);
        vol.running_scan_file.clear();
        vol.scan_complete = true;
    }
    return Reply::Data({static_cast<uint8_t>(vol.scan_complete ? 1 : 0)});
}

Reply Firmware::GetEstimatedScanTime(const Request &) {
    std::optional<DecodedConfig> config = CurrentConfig();
    if (!config) return Reply::Reject(kRejectBadArgument);
    std::optional<ScanPlan> plan = PlanScan(*config, stored.calibration);
    if (!plan) return Reply::Reject(kRejectBadArgument);
    double ms = std::round(EstimateScanMs(*plan, vol.repeats) * std::max(time_scale, 0.0));
    std::vector<uint8_t> payload;
    PutU32(payload, static_cast<uint32_t>(std::min(ms, 4.0e9)));
    return Reply::Data(std::move(payload));
}

Reply Firmware::InterpretScan(const Request &) {
    // The instrument's own interpretation is shown on its display; the host
    // only learns whether there was a scan to interpret.
    return vol.last_scan_file.empty() ? Reply::Reject(kRejectBadArgument) : Reply::Ack();
}

Reply Firmware::SetPGAGain(const Request &r) {
    if (!ValidGain(r.data[0])) return Reply::Reject(kRejectBadArgument);
    vol.pga_gain = r.data[0];
    vol.pga_fixed = true;
    return Reply::Ack();
}

Reply Firmware::SetFixedPGAGain(const Request &r) {
    bool fixed = r.data[0] != 0;
    if (fixed && !ValidGain(r.data[1])) return Reply::Reject(kRejectBadArgument);
    vol.pga_fixed = fixed;
    if (fixed) vol.pga_gain = r.data[1];
    return Reply::Ack();
}

Reply Firmware::GetPGAGain(const Request &) { return Reply::Data({vol.pga_gain}); }

Reply Firmware::SetScanNumRepeats(const Request &r) {
    uint16_t repeats = GetU16(r.data);
    if (repeats == 0) return Reply::Reject(kRejectBadArgument);
    vol.repeats = repeats;
    return Reply::Ack();
}

Reply Firmware::ApplyScanConfig(const Request &r) {
    std::vector<uint8_t> image(r.data, r.data + kApplyPayload);
    if (!Scannable(image, stored.calibration)) return Reply::Reject(kRejectBadArgument);
    vol.applied_config = std::move(image);
    return Reply::Ack();
}

Reply Firmware::SaveScanCfg(const Request &r) {
    uint8_t index = r.data[1];
    size_t length = r.data[2];
    if (length == 0 || length > kSaveImageMax) return Reply::Reject(kRejectBadLength);
    if (index > stored.configs.size() || index >= kMaxStoredConfigs) return Reply::Reject(kRejectBadArgument);
    std::vector<uint8_t> image(r.data + 3, r.data + 3 + length);
    if (!DecodeConfig(image)) return Reply::Reject(kRejectBadArgument);
    if (index == stored.configs.size())
        stored.configs.push_back(std::move(image));
    else
        stored.configs[index] = std::move(image);
    return Reply::Ack();
}

Reply Firmware::GetScanCfg(const Request &r) {
    uint32_t index = GetU32(r.data);
    if (index >= stored.configs.size()) return Reply::Reject(kRejectBadArgument);
    const std::vector<uint8_t> &image = stored.configs[index];
    std::vector<uint8_t> payload;
    PutU32(payload, static_cast<uint32_t>(image.size()));
    payload.insert(payload.end(), image.begin(), image.end());
    return Reply::Data(std::move(payload));
}

Reply Firmware::EraseAllScanCfg(const Request &r) {
    if (r.data[0] != kEraseKey) return Reply::Reject(kRejectBadArgument);
    stored.configs.clear();
    vol.active_index = 0;
    vol.applied_config.reset();
    return Reply::Ack();
}

Reply Firmware::GetNumScanCfg(const Request &) {
    return Reply::Data({static_cast<uint8_t>(stored.configs.size())});
}
Reply Firmware::GetActiveScanIndex(const Request &) { return Reply::Data({vol.active_index}); }

Reply Firmware::SetActiveScanIndex(const Request &r) {
    if (r.data[0] >= stored.configs.size()) return Reply::Reject(kRejectBadArgument);
    vol.active_index = r.data[0];
    vol.applied_config.reset();
    return Reply::Ack();
}

Reply Firmware::SetScanSubImage(const Request &r) {
    vol.sub_image[0] = GetU16(r.data);
    vol.sub_image[1] = GetU16(r.data + 2);
    return Reply::Ack();
}

Reply Firmware::SetScanNameTag(const Request &r) {
    std::copy(r.data, r.data + vol.name_tag.size(), vol.name_tag.begin());
    return Reply::Ack();
}

Reply Firmware::SendEEPROMWipe(const Request &r) {
    if (r.data[0] != 0) stored.calibration = calibCoeffSet{};
    if (r.data[1] != 0) {
        stored.configs.clear();
        vol.active_index = 0;
        vol.applied_config.reset();
    }
    if (r.data[2] != 0) {
        stored.refcal_file.clear();
        stored.matrix_file.clear();
    }
    return Reply::Ack();
}

Reply Firmware::EEPROMMassErase(const Request &) {
    const uint8_t all[3] = {1, 1, 1};
    Request wipe{0x0227, all, sizeof all};
    return SendEEPROMWipe(wipe);
}

Reply Firmware::SendCalibStruct(const Request &r) {
    // Payload byte 0 is a zero; the image follows.
    std::vector<uint8_t> buffer(r.data + 1, r.data + kCalibPayload);
    buffer.resize(std::max(buffer.size(), sizeof(calibCoeffSet)), 0);
    if (velspec_calib_read_data(buffer.data(), kCalibPayload - 1) != VELSPEC_OK)
        return Reply::Reject(kRejectBadArgument);
    std::memcpy(&stored.calibration, buffer.data(), sizeof stored.calibration);
    return Reply::Ack();
}

Reply Firmware::GetCalibStruct(const Request &) {
    std::vector<uint8_t> payload(kCalibPayload, 0);
    if (velspec_calib_write_data(&stored.calibration, payload.data(), payload.size()) != VELSPEC_OK)
        return Reply::Reject(kRejectBadArgument);
    return Reply::Data(std::move(payload));
}

Reply Firmware::GenCalibPatterns(const Request &r) {
    vol.calib_pattern = r.data[0];
    return Reply::Ack();
}

Reply Firmware::StartSNRScan(const Request &) {
    // Signal-to-noise of the brightest band of the white standard for 1, 16
    // and 64 averaged scans, in the noise model of the detector.
    Coeffs3 bend = {stored.calibration.shift_vector_coeffs[0], stored.calibration.shift_vector_coeffs[1],
                    stored.calibration.shift_vector_coeffs[2]};
    const std::vector<double> &light = physics_.ColumnLight(sample, LampLitDuringScan(), bend);
    double best = 0.0;
    for (size_t c = 0; c + 6 <= light.size(); ++c) {
        double band = 0.0;
        for (size_t k = c; k < c + 6; ++k) band += light[k];
        best = std::max(best, band);
    }
    double signal = vol.pga_gain * best;
    double sigma = std::sqrt(120.0 * 120.0 + 0.05 * signal);
    double snr = signal / sigma;
    vol.snr[0] = static_cast<uint32_t>(snr);
    vol.snr[1] = static_cast<uint32_t>(snr * 4.0);
    vol.snr[2] = static_cast<uint32_t>(snr * 8.0);
    return Reply::Ack();
}

Reply Firmware::StartHadSNRScan(const Request &r) {
    // A Hadamard pattern lights about half of its bands, which raises the
    // signal-to-noise ratio by roughly the square root of half a group (79).
    Reply reply = StartSNRScan(r);
    for (uint32_t &v : vol.snr) v = static_cast<uint32_t>(v * std::sqrt(79.0) / 2.0);
    return reply;
}

Reply Firmware::GetSNRData(const Request &) {
    std::vector<uint8_t> payload;
    for (uint32_t v : vol.snr) PutU32(payload, v);
    return Reply::Data(std::move(payload));
}

Reply Firmware::SaveRefCalPerformed(const Request &) {
    // The last scan becomes the stored reference; it must be a
    // single-section scan for the host to recompute it for other scans.
    if (vol.last_scan_file.empty() || vol.last_scan_file.size() != VELSPEC_IMG_SIZE_SCAN_DATA)
        return Reply::Reject(kRejectBadArgument);
    stored.refcal_file = vol.last_scan_file;
    return Reply::Ack();
}

Reply Firmware::UpdateRefCalWithWORefl(const Request &) {
    return stored.refcal_file.empty() ? Reply::Reject(kRejectBadArgument) : Reply::Ack();
}

}  // namespace virt
