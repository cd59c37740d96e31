#include "scan_engine.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "velspec_scan.h"

namespace virt {

namespace {

constexpr uint32_t kReferenceExposureUs = 635;  // exposure code 0: light counts are per this time
constexpr uint8_t kGains[] = {64, 32, 16, 8, 4, 2, 1};

double PatternLight(const Pattern &pattern, const std::vector<double> &column_light) {
    double sum = 0.0;
    int covered_to = 0;  // bands never overlap by construction; guard anyway
    for (const LitRange &range : pattern) {
        for (int c = std::max(range.first, covered_to); c < range.last; ++c) sum += column_light[c];
        covered_to = std::max(covered_to, range.last);
    }
    return sum;
}

template <typename Record>
void FillHeader(Record &r, const ScanConditions &c, uint8_t gain, uint16_t entries) {
    r.header_version = 1;
    std::memcpy(r.scan_name, c.name.data(), sizeof r.scan_name);
    std::memcpy(r.scan_time, c.time.data(), sizeof r.scan_time);
    r.system_temp_hundredths = c.system_temp;
    r.aux_reading_signed = c.detector_temp;
    r.humidity_hundredths = c.humidity;
    r.aux_reading_unsigned = c.lamp_monitor;
    r.device_tag = c.device_tag;
    r.calibration_coeffs = c.calibration;
    std::memcpy(r.serial_number, c.serial.data(), sizeof r.serial_number);
    r.adc_data_length = entries;
    r.black_pattern_first = kBlackPatternPeriod - 1;
    r.black_pattern_period = kBlackPatternPeriod;
    r.pga_gain = gain;
}

uint8_t ChooseGain(double max_light) {
    for (uint8_t g : kGains)
        if (Physics::DarkOffset(g) + g * max_light <= 0.75 * kAdcFullScale) return g;
    return 1;
}

}  // namespace

std::optional<ScanOutput> RunScan(const DecodedConfig &config, const ScanPlan &plan,
                                  const ScanConditions &conditions, Physics &physics, NoiseSource &noise) {
    Coeffs3 bend = {conditions.calibration.shift_vector_coeffs[0],
                    conditions.calibration.shift_vector_coeffs[1],
                    conditions.calibration.shift_vector_coeffs[2]};
    const std::vector<double> &column_light =
        physics.ColumnLight(conditions.sample, conditions.lamp_on, bend);

    // Light of every pattern, scaled by its section's exposure.
    std::vector<double> light;
    light.reserve(plan.pattern_count);
    for (const SectionPlan &section : plan.sections) {
        double exposure = static_cast<double>(section.exposure_us) / kReferenceExposureUs;
        for (const Pattern &pattern : section.patterns)
            light.push_back(exposure * PatternLight(pattern, column_light));
    }
    ScanOutput out;
    out.max_light = light.empty() ? 0.0 : *std::max_element(light.begin(), light.end());
    out.gain = conditions.auto_gain ? ChooseGain(out.max_light) : conditions.gain;

    NoiseSource *source = conditions.noise ? &noise : nullptr;
    std::vector<int32_t> adc(SCAN_MAX_ADC, 0);
    size_t next = 0;
    for (size_t k = 0; k < plan.adc_entries; ++k) {
        double l = IsBlackEntry(k) ? 0.0 : light[next++];
        adc[k] = Physics::Reading(l, out.gain, 1.0, conditions.repeats, source);
    }

    auto record = std::make_unique<uScanData>();
    std::memset(record.get(), 0, sizeof *record);
    uint16_t entries = static_cast<uint16_t>(plan.adc_entries);
    if (config.multi_section) {
        auto slew = std::make_unique<slewScanData>();
        std::memset(slew.get(), 0, sizeof *slew);
        FillHeader(*slew, conditions, out.gain, entries);
        slew->cfg = config.slew;
        slew->cfg.num_repeats = conditions.repeats;
        std::copy(adc.begin(), adc.end(), slew->adc_data);
        std::memcpy(record.get(), slew.get(), sizeof *slew);
        record->decoded_as = VELSPEC_DECODED_SLEW;
    } else {
        auto data = std::make_unique<scanData>();
        std::memset(data.get(), 0, sizeof *data);
        FillHeader(*data, conditions, out.gain, entries);
        const scanCfg &s = config.single;
        data->scan_type = s.scan_type;
        data->config_index = s.config_index;
        std::memcpy(data->cfg_serial_number, s.serial_number, sizeof data->cfg_serial_number);
        std::memcpy(data->config_name, s.config_name, sizeof data->config_name);
        data->wavelength_start_nm = s.wavelength_start_nm;
        data->wavelength_end_nm = s.wavelength_end_nm;
        data->width_px = s.width_px;
        data->num_patterns = s.num_patterns;
        data->num_repeats = conditions.repeats;
        std::copy(adc.begin(), adc.end(), data->adc_data);
        std::memcpy(record.get(), data.get(), sizeof *data);
        record->decoded_as = VELSPEC_DECODED_SINGLE;
    }

    size_t size = 0;
    if (velspec_get_scan_data_dump_size(record.get(), &size) != VELSPEC_OK || size == 0) return std::nullopt;
    out.image.assign(size, 0);
    if (velspec_scan_write_data(record.get(), out.image.data(), out.image.size()) != VELSPEC_OK)
        return std::nullopt;
    return out;
}

}  // namespace virt
