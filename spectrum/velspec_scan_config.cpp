// Scan configurations: decoding and encoding of single- and multi-section
// configuration images, their sizes, and small queries.
#include <cstdio>
#include <cstring>

#include "velspec_scan.h"
#include "diag.h"

namespace {

// A configuration is told apart by its first byte, scan_type.
bool IsSlewConfig(const void *config) { return *static_cast<const uint8_t *>(config) == SCAN_TYPE_SLEW; }

int32_t TypeSize(const void *record, int32_t type, size_t *size) {
    return velspec_get_serialize_dump_size(record, size, type);
}

int32_t ReadSingleConfig(void *buffer, size_t size) {
    static const scanCfg blank{};
    size_t needed = 0;
    const int32_t status = TypeSize(&blank, REC_SCAN_CFG, &needed);
    if (status != VELSPEC_OK) return status;
    if (size < needed) return VELSPEC_ERR_NO_MEMORY;
    const int32_t decoded = velspec_deserialize(buffer, size, REC_SCAN_CFG);
    if (decoded != VELSPEC_OK) velscan::diag::Print("------velspec_deserialize debug 3\n");
    return decoded;
}

int32_t ReadSlewConfig(uint8_t *buffer, size_t size) {
    static const slewScanCfg blank{};
    size_t head = 0, sections = 0;
    int32_t status = TypeSize(&blank, REC_SLEW_CFG_HEAD, &head);
    if (status != VELSPEC_OK) return status;
    status = TypeSize(blank.sections, REC_SLEW_SECTIONS, &sections);
    if (status != VELSPEC_OK) return status;
    if (size < head + sections) return VELSPEC_ERR_NO_MEMORY;

    status = velspec_deserialize(buffer, head, REC_SLEW_CFG_HEAD);
    if (status != VELSPEC_OK) {
        velscan::diag::Print("------velspec_deserialize debug 4\n");
        return status;
    }
    status = velspec_deserialize(buffer + head, sections, REC_SLEW_SECTIONS);
    if (status != VELSPEC_OK) {
        velscan::diag::Print("------velspec_deserialize debug 5\n");
        return status;
    }
    // All five section slots move, whatever num_sections says.
    std::memmove(buffer + offsetof(slewScanCfg, sections), buffer + head,
                 sizeof(slewScanSection) * SLEW_MAX_SECTIONS);
    return VELSPEC_OK;
}

}  // namespace

extern "C" int32_t velspec_is_slewcfgtype(const void *image, size_t size) {
    if (image == nullptr) return 0;
    uint8_t first = 0;
    char *format = tpl_peek(TPL_IO_MEMORY | TPL_DATAPEEK, image, size, "c", &first);
    // A failed peek counts as single-section.
    if (format == nullptr) return 0;
    tpl_hook.release(format);
    return first == SCAN_TYPE_SLEW ? 1 : 0;
}

extern "C" int32_t velspec_scan_read_configuration(void *buffer, size_t size) {
    if (buffer == nullptr) return VELSPEC_ERR_NULL;
    if (velspec_is_slewcfgtype(buffer, size)) {
        return ReadSlewConfig(static_cast<uint8_t *>(buffer), size);
    }
    return ReadSingleConfig(buffer, size);
}

extern "C" int32_t velspec_get_scan_config_dump_size(const void *config, size_t *size) {
    if (config == nullptr || size == nullptr) return VELSPEC_ERR_NULL;
    if (!IsSlewConfig(config)) return TypeSize(config, REC_SCAN_CFG, size);
    const slewScanCfg *cfg = static_cast<const slewScanCfg *>(config);
    size_t head = 0, sections = 0;
    int32_t status = TypeSize(cfg, REC_SLEW_CFG_HEAD, &head);
    if (status != VELSPEC_OK) return status;
    status = TypeSize(cfg->sections, REC_SLEW_SECTIONS, &sections);
    if (status != VELSPEC_OK) return status;
    *size = head + sections;
    return VELSPEC_OK;
}

extern "C" int32_t velspec_scan_write_configuration(const void *config, void *buffer, size_t size) {
    if (config == nullptr || buffer == nullptr) return VELSPEC_ERR_NULL;
    if (!IsSlewConfig(config)) {
        size_t needed = 0;
        const int32_t status = TypeSize(config, REC_SCAN_CFG, &needed);
        if (status != VELSPEC_OK) return status;
        if (size < needed) return VELSPEC_ERR_NO_MEMORY;
        return velspec_serialize(config, buffer, size, REC_SCAN_CFG);
    }
    const slewScanCfg *cfg = static_cast<const slewScanCfg *>(config);
    size_t head = 0, sections = 0;
    int32_t status = TypeSize(cfg, REC_SLEW_CFG_HEAD, &head);
    if (status != VELSPEC_OK) return status;
    status = TypeSize(cfg->sections, REC_SLEW_SECTIONS, &sections);
    if (status != VELSPEC_OK) return status;
    if (size < head + sections) return VELSPEC_ERR_NO_MEMORY;
    status = velspec_serialize(cfg, buffer, head, REC_SLEW_CFG_HEAD);
    if (status != VELSPEC_OK) return status;
    return velspec_serialize(cfg->sections, static_cast<uint8_t *>(buffer) + head, sections,
                             REC_SLEW_SECTIONS);
}

extern "C" int32_t velspec_scan_slew_get_cfg_type(const slewScanCfg *cfg) {
    if (cfg == nullptr) return VELSPEC_ERR_NULL;
    if (cfg->num_sections == 1) {
        return cfg->sections[0].section_scan_type != 0 ? SCAN_TYPE_HADAMARD : SCAN_TYPE_COLUMN;
    }
    return SCAN_TYPE_SLEW;
}

namespace {

// Sections beyond the five slots do not exist, whatever num_sections says.
uint32_t ValidSections(const slewScanCfg *cfg) {
    return cfg->num_sections < SLEW_MAX_SECTIONS ? cfg->num_sections : SLEW_MAX_SECTIONS;
}

}  // namespace

extern "C" int32_t velspec_scan_slew_get_num_patterns(const slewScanCfg *cfg) {
    if (cfg == nullptr) return VELSPEC_ERR_NULL;
    uint16_t total = 0;
    for (uint32_t s = 0; s < ValidSections(cfg); ++s) {
        total = static_cast<uint16_t>(total + cfg->sections[s].num_patterns);
    }
    return total;
}

extern "C" int32_t velspec_scan_slew_get_end_nm(const slewScanCfg *cfg) {
    if (cfg == nullptr) return VELSPEC_ERR_NULL;
    uint16_t end = 0;
    for (uint32_t s = 0; s < ValidSections(cfg); ++s) {
        if (cfg->sections[s].wavelength_end_nm > end) end = cfg->sections[s].wavelength_end_nm;
    }
    return end;
}

extern "C" int32_t velspec_scan_get_exp_time_us(uint16_t code) {
    // Code 2 is 2450 us, not 2540.
    static const int32_t kMicroseconds[] = {635, 1270, 2450, 5080, 15240, 30480, 60960};
    return code < sizeof kMicroseconds / sizeof kMicroseconds[0] ? kMicroseconds[code] : 0;
}
