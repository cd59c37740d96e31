#include "scan_plan.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "velspec_scan.h"
#include "velspec_scan_col.h"
#include "velspec_scan_had.h"

namespace virt {

namespace {

constexpr uint32_t kSettleUs = 180;   // mirrors settle and the converter samples
constexpr uint32_t kStartupMs = 120;  // lamp warm-up and pattern loading
constexpr int kColumns = DMD_NUM_COLUMNS;

LitRange Band(int center, int width) {
    int first = std::max(center - width / 2, 0);
    int last = std::min(first + width, kColumns);
    return {first, std::max(last, first)};
}

scanCfg SectionAsScanCfg(const slewScanCfg &cfg, const slewScanSection &section) {
    scanCfg out{};
    out.scan_type = section.section_scan_type;
    out.config_index = cfg.config_index;
    std::memcpy(out.serial_number, cfg.serial_number, sizeof out.serial_number);
    std::memcpy(out.config_name, cfg.config_name, sizeof out.config_name);
    out.wavelength_start_nm = section.wavelength_start_nm;
    out.wavelength_end_nm = section.wavelength_end_nm;
    out.width_px = section.width_px;
    out.num_patterns = section.num_patterns;
    out.num_repeats = cfg.num_repeats;
    return out;
}

bool ColumnPatterns(const scanCfg &cfg, const calibCoeffSet &calibration, SectionPlan &plan) {
    if (cfg.num_patterns == 0 || cfg.num_patterns > COL_MAX_PATTERNS || cfg.width_px == 0) return false;
    auto def = std::make_unique<colPatDef>();
    if (velspec_scan_col_genPatDef(&cfg, &calibration, def.get()) != VELSPEC_OK) return false;
    for (int i = 0; i < def->num_patterns; ++i)
        plan.patterns.push_back({Band(def->center_column[i], def->width_px)});
    return true;
}

bool HadamardPatterns(const scanCfg &cfg, const calibCoeffSet &calibration, SectionPlan &plan) {
    if (cfg.num_patterns < 3 || cfg.width_px == 0) return false;
    auto def = std::make_unique<hadPatDef>();
    if (velspec_scan_had_genPatDef(&cfg, &calibration, def.get()) != VELSPEC_OK) return false;
    if (def->num_groups == 0 || def->num_groups > HAD_MAX_SPACING) return false;
    std::vector<uint8_t> row;
    for (int g = 0; g < def->num_groups; ++g) {
        const hadPatGroup &group = def->groups[g];
        if (group.num_columns > HAD_MAX_GROUP_POINTS || group.paley_order > SMATRIX_MAX_ORDER ||
            group.num_columns > group.paley_order)
            return false;
        row.assign(group.paley_order, 0);
        for (uint32_t r = 0; r < group.paley_order; ++r) {
            if (getSMatrixRow(group.paley_order, r, row.data()) != VELSPEC_OK) return false;
            Pattern pattern;
            for (int c = 0; c < group.num_columns; ++c)
                if (row[c] != 0) pattern.push_back(Band(group.center_column[c], def->width_px));
            plan.patterns.push_back(std::move(pattern));
        }
    }
    return true;
}

// The first line of each pattern as drawn into 24-bit frame buffers, read
// back as runs of lit columns. Bending shifts whole lines, so the first line
// before bending says which columns a pattern lights; the physics applies
// the per-row shift. Two lines per frame keep the frame size a multiple of
// 4 bytes, the step the generator moves from frame to frame.
bool DrawnPatterns(const scanCfg &cfg, const calibCoeffSet &calibration, size_t expected, SectionPlan &plan) {
    constexpr uint32_t kPlanes = 24;
    constexpr uint32_t kLines = 2;
    constexpr size_t kFrameBytes = static_cast<size_t>(kColumns) * kLines * 3;
    uint32_t frames = static_cast<uint32_t>((expected + kPlanes - 1) / kPlanes);
    std::vector<uint8_t> pixels(std::max<size_t>(frames, 1) * kFrameBytes, 0);
    frameBufferDesc fb{pixels.data(), std::max<uint32_t>(frames, 1), kColumns, kLines, 24};
    if (velspec_scan_genPatterns(&cfg, &calibration, &fb) != static_cast<int32_t>(expected)) return false;
    for (size_t p = 0; p < expected; ++p) {
        const uint8_t *line = pixels.data() + (p / kPlanes) * kFrameBytes;
        uint32_t plane = static_cast<uint32_t>(p % kPlanes);
        Pattern pattern;
        for (int c = 0; c < kColumns; ++c) {
            bool lit = (line[3 * c + plane / 8] >> (plane % 8)) & 1u;
            if (!lit) continue;
            if (!pattern.empty() && pattern.back().last == c)
                pattern.back().last = c + 1;
            else
                pattern.push_back({c, c + 1});
        }
        plan.patterns.push_back(std::move(pattern));
    }
    return true;
}

}  // namespace

bool IsBlackEntry(size_t k) { return (k + 1) % kBlackPatternPeriod == 0; }

std::optional<DecodedConfig> DecodeConfig(const std::vector<uint8_t> &image) {
    if (image.empty()) return std::nullopt;
    // Decoding works in place and the record may be larger than a short image.
    std::vector<uint8_t> buffer(std::max(image.size(), sizeof(slewScanCfg)) + 8, 0);
    std::memcpy(buffer.data(), image.data(), image.size());
    if (velspec_scan_read_configuration(buffer.data(), image.size()) != VELSPEC_OK) return std::nullopt;
    DecodedConfig out;
    if (buffer[0] == SCAN_TYPE_SLEW) {
        out.multi_section = true;
        std::memcpy(&out.slew, buffer.data(), sizeof out.slew);
        if (out.slew.num_sections < 1 || out.slew.num_sections > SLEW_MAX_SECTIONS) return std::nullopt;
        return out;
    }
    std::memcpy(&out.single, buffer.data(), sizeof out.single);
    const scanCfg &s = out.single;
    if (s.scan_type != SCAN_TYPE_COLUMN && s.scan_type != SCAN_TYPE_HADAMARD) return std::nullopt;
    out.slew.scan_type = SCAN_TYPE_SLEW;
    out.slew.config_index = s.config_index;
    std::memcpy(out.slew.serial_number, s.serial_number, sizeof s.serial_number);
    std::memcpy(out.slew.config_name, s.config_name, sizeof s.config_name);
    out.slew.num_repeats = s.num_repeats;
    out.slew.num_sections = 1;
    out.slew.sections[0] = {s.scan_type,         s.width_px,     s.wavelength_start_nm,
                            s.wavelength_end_nm, s.num_patterns, 0};
    return out;
}

std::optional<ScanPlan> PlanScan(const DecodedConfig &config, const calibCoeffSet &calibration,
                                 PatternSource source) {
    ScanPlan plan;
    for (int s = 0; s < config.slew.num_sections; ++s) {
        const slewScanSection &section = config.slew.sections[s];
        SectionPlan sp;
        int32_t exposure = velspec_scan_get_exp_time_us(section.exposure_time);
        if (exposure <= 0) return std::nullopt;
        sp.exposure_us = static_cast<uint32_t>(exposure);
        scanCfg cfg = config.multi_section ? SectionAsScanCfg(config.slew, section) : config.single;
        bool ok = false;
        if (section.section_scan_type == SCAN_TYPE_COLUMN)
            ok = ColumnPatterns(cfg, calibration, sp);
        else if (section.section_scan_type == SCAN_TYPE_HADAMARD)
            ok = HadamardPatterns(cfg, calibration, sp);
        if (!ok) return std::nullopt;
        if (source == PatternSource::Drawn) {
            size_t expected = sp.patterns.size();
            sp.patterns.clear();
            if (!DrawnPatterns(cfg, calibration, expected, sp)) return std::nullopt;
        }
        plan.pattern_count += sp.patterns.size();
        plan.sections.push_back(std::move(sp));
    }
    size_t entries = 0;
    for (size_t placed = 0; placed < plan.pattern_count; ++entries)
        if (!IsBlackEntry(entries)) ++placed;
    if (entries > SCAN_MAX_ADC) return std::nullopt;
    plan.adc_entries = entries;
    return plan;
}

uint32_t EstimateScanMs(const ScanPlan &plan, uint16_t repeats) {
    uint64_t us = 0;
    size_t k = 0;
    for (const SectionPlan &section : plan.sections) {
        for (size_t i = 0; i < section.patterns.size(); ++k) {
            us += section.exposure_us + kSettleUs;  // a black reading takes a slot too
            if (!IsBlackEntry(k)) ++i;
        }
    }
    return static_cast<uint32_t>(kStartupMs + us * std::max<uint16_t>(repeats, 1) / 1000);
}

}  // namespace virt
