// Scan data records: decoding and encoding of single- and multi-section
// images, their sizes, the type query, section extraction and the copy of
// header and configuration into results.
#include <cstdio>
#include <cstring>

#include "velspec_scan.h"
#include "velspec_scan_internal.h"
#include "diag.h"

namespace {

// The type-0 format string: an image carrying any other is multi-section.
const char kSingleSectionFormat[] = "S(uc#cccccccjjvvu$(f#f#)c#vccccvc#c#vvcvvi#)";

// The four part images of a multi-section scan, in the order they travel.
const int32_t kSlewParts[4] = {REC_SLEW_DATA_HEAD, REC_SLEW_CFG_HEAD, REC_SLEW_SECTIONS, REC_ADC_DATA};

// The encoded size of each part type, asked of the engine on a zeroed
// record (the sizes are constants of the types).
int32_t PartSizes(size_t sizes[4]) {
    static const uScanData blank{};
    const void *sources[4] = {&blank.slew, &blank.slew.cfg, blank.slew.cfg.sections, blank.slew.adc_data};
    for (int part = 0; part < 4; ++part) {
        const int32_t status = velspec_get_serialize_dump_size(sources[part], &sizes[part], kSlewParts[part]);
        if (status != VELSPEC_OK) return status;
    }
    return VELSPEC_OK;
}

// Copies the scan header fields common to every record. The header occupies
// the same offsets in scanData, slewScanData and scanResults.
template <typename Source>
void CopyHeaderFields(const Source *data, scanResults *results) {
    results->header_version = data->header_version;
    std::memcpy(results->scan_name, data->scan_name, sizeof results->scan_name);
    std::memcpy(results->scan_time, data->scan_time, sizeof results->scan_time);
    results->system_temp_hundredths = data->system_temp_hundredths;
    results->aux_reading_signed = data->aux_reading_signed;
    results->humidity_hundredths = data->humidity_hundredths;
    results->aux_reading_unsigned = data->aux_reading_unsigned;
    results->device_tag = data->device_tag;
    results->calibration_coeffs = data->calibration_coeffs;
    std::memcpy(results->serial_number, data->serial_number, sizeof results->serial_number);
    results->pga_gain = data->pga_gain;
}

// Records which image the buffer was decoded from. Written byte-wise, like
// every move of the decoder, so no typed access depends on the alignment of
// the caller's buffer.
void MarkDecoded(void *buffer, uint32_t kind) {
    std::memcpy(static_cast<uint8_t *>(buffer) + offsetof(uScanData, decoded_as), &kind, sizeof kind);
}

int32_t ReadSingle(void *buffer, size_t image_size) {
    const int32_t status = velspec_deserialize(buffer, image_size, REC_SCAN_DATA);
    if (status != VELSPEC_OK) {
        velscan::diag::Print("------velspec_deserialize debug 6\n");
        return status;
    }
    MarkDecoded(buffer, VELSPEC_DECODED_SINGLE);
    return VELSPEC_OK;
}

// Decodes the four part images one after the other, each in place where it
// lies, and moves each decoded part to its field of the record at the
// buffer start (moves go from later to earlier bytes and may overlap).
int32_t ReadSlew(uint8_t *buffer, size_t image_size) {
    size_t sizes[4];
    int32_t status = PartSizes(sizes);
    if (status != VELSPEC_OK) return status;
    if (image_size < sizes[0] + sizes[1] + sizes[2] + sizes[3]) return VELSPEC_ERR_NO_MEMORY;

    status = velspec_deserialize(buffer, sizes[0], REC_SLEW_DATA_HEAD);
    if (status != VELSPEC_OK) {
        velscan::diag::Print("------velspec_deserialize debug 7\n");
        return status;
    }
    uint8_t *part = buffer + sizes[0];
    status = velspec_deserialize(part, sizes[1], REC_SLEW_CFG_HEAD);
    if (status != VELSPEC_OK) {
        velscan::diag::Print("------velspec_deserialize debug 8\n");
        return status;
    }
    std::memmove(buffer + offsetof(slewScanData, cfg), part, offsetof(slewScanCfg, sections));

    part += sizes[1];
    status = velspec_deserialize(part, sizes[2], REC_SLEW_SECTIONS);
    if (status != VELSPEC_OK) {
        velscan::diag::Print("------velspec_deserialize debug 9\n");
        return status;
    }
    std::memmove(buffer + offsetof(slewScanData, cfg.sections), part,
                 sizeof(slewScanSection) * SLEW_MAX_SECTIONS);

    part += sizes[2];
    status = velspec_deserialize(part, sizes[3], REC_ADC_DATA);
    if (status != VELSPEC_OK) {
        velscan::diag::Print("------velspec_deserialize debug 10\n");
        return status;
    }
    std::memmove(buffer + offsetof(slewScanData, adc_data), part, sizeof(int32_t) * SCAN_MAX_ADC);
    MarkDecoded(buffer, VELSPEC_DECODED_SLEW);
    return VELSPEC_OK;
}

}  // namespace

namespace velspec {

void CopySingleHeader(const scanData *data, scanResults *results) {
    CopyHeaderFields(data, results);
    results->cfg.scan_type = SCAN_TYPE_SLEW;
    results->cfg.config_index = data->config_index;
    std::memcpy(results->cfg.serial_number, data->cfg_serial_number, sizeof results->cfg.serial_number);
    std::memcpy(results->cfg.config_name, data->config_name, sizeof results->cfg.config_name);
    results->cfg.num_repeats = data->num_repeats;
    results->cfg.num_sections = 1;
    slewScanSection &section = results->cfg.sections[0];
    section.section_scan_type = data->scan_type;
    section.width_px = data->width_px;
    section.wavelength_start_nm = data->wavelength_start_nm;
    section.wavelength_end_nm = data->wavelength_end_nm;
    section.num_patterns = data->num_patterns;
}

void CopySlewHeader(const slewScanData *data, scanResults *results) {
    CopyHeaderFields(data, results);
    results->cfg = data->cfg;
}

scanCfg InlineConfig(const scanData *data) {
    scanCfg cfg{};
    cfg.scan_type = data->scan_type;
    cfg.config_index = data->config_index;
    std::memcpy(cfg.serial_number, data->cfg_serial_number, sizeof cfg.serial_number);
    std::memcpy(cfg.config_name, data->config_name, sizeof cfg.config_name);
    cfg.wavelength_start_nm = data->wavelength_start_nm;
    cfg.wavelength_end_nm = data->wavelength_end_nm;
    cfg.width_px = data->width_px;
    cfg.num_patterns = data->num_patterns;
    cfg.num_repeats = data->num_repeats;
    return cfg;
}

scanCfg SectionConfig(const slewScanCfg *cfg, const slewScanSection *section) {
    scanCfg out{};
    out.scan_type = section->section_scan_type;
    out.config_index = cfg->config_index;
    std::memcpy(out.serial_number, cfg->serial_number, sizeof out.serial_number);
    std::memcpy(out.config_name, cfg->config_name, sizeof out.config_name);
    out.wavelength_start_nm = section->wavelength_start_nm;
    out.wavelength_end_nm = section->wavelength_end_nm;
    out.width_px = section->width_px;
    out.num_patterns = section->num_patterns;
    out.num_repeats = cfg->num_repeats;
    return out;
}

int32_t ReadScanData(void *buffer, size_t image_size, size_t capacity) {
    if (buffer == nullptr) return VELSPEC_ERR_NULL;
    // The decoded record is larger than a short image; never write past the
    // buffer to hold it.
    if (capacity < sizeof(uScanData) || capacity < image_size) return VELSPEC_ERR_NO_MEMORY;
    if (velspec_is_slewdatatype(buffer, image_size)) {
        return ReadSlew(static_cast<uint8_t *>(buffer), image_size);
    }
    return ReadSingle(buffer, image_size);
}

}  // namespace velspec

extern "C" int32_t velspec_scan_read_data(void *buffer, size_t size) {
    return velspec::ReadScanData(buffer, size, size);
}

extern "C" int32_t velspec_is_slewdatatype(const void *image, size_t size) {
    if (image == nullptr) return 0;
    char *format = tpl_peek(TPL_IO_MEMORY, image, size);
    // A failed peek counts as single-section.
    if (format == nullptr) return 0;
    const bool single = std::strcmp(format, kSingleSectionFormat) == 0;
    tpl_hook.release(format);
    return single ? 0 : 1;
}

extern "C" int32_t velspec_scan_data_get_type(const uScanData *record) {
    if (record == nullptr) return VELSPEC_ERR_NULL;
    // A decoded record answers from the image it came from; the overlay
    // byte alone mistakes a single-section record whose config_index has 2
    // in its low byte for a multi-section one.
    if (record->decoded_as == VELSPEC_DECODED_SLEW) return SCAN_TYPE_SLEW;
    if (record->decoded_as != VELSPEC_DECODED_SINGLE && record->slew.cfg.scan_type == SCAN_TYPE_SLEW) {
        return SCAN_TYPE_SLEW;
    }
    const uint8_t type = record->data.scan_type;
    if (type == SCAN_TYPE_COLUMN || type == SCAN_TYPE_HADAMARD) return type;
    return VELSPEC_ERR_BAD_TYPE;
}

extern "C" int32_t velspec_get_scan_data_dump_sizes(const uScanData *record, size_t *header_size,
                                                    size_t *cfg_head_size, size_t *sections_size,
                                                    size_t *adc_size) {
    if (record == nullptr || header_size == nullptr || cfg_head_size == nullptr || sections_size == nullptr ||
        adc_size == nullptr) {
        return VELSPEC_ERR_NULL;
    }
    size_t sizes[4];
    const void *sources[4] = {&record->slew, &record->slew.cfg, record->slew.cfg.sections,
                              record->slew.adc_data};
    for (int part = 0; part < 4; ++part) {
        const int32_t status = velspec_get_serialize_dump_size(sources[part], &sizes[part], kSlewParts[part]);
        if (status != VELSPEC_OK) return status;
    }
    *header_size = sizes[0];
    *cfg_head_size = sizes[1];
    *sections_size = sizes[2];
    *adc_size = sizes[3];
    return VELSPEC_OK;
}

extern "C" int32_t velspec_get_scan_data_dump_size(const uScanData *record, size_t *size) {
    if (record == nullptr || size == nullptr) return VELSPEC_ERR_NULL;
    if (velspec_scan_data_get_type(record) == SCAN_TYPE_SLEW) {
        size_t sizes[4];
        const int32_t status =
            velspec_get_scan_data_dump_sizes(record, &sizes[0], &sizes[1], &sizes[2], &sizes[3]);
        if (status != VELSPEC_OK) return status;
        *size = sizes[0] + sizes[1] + sizes[2] + sizes[3];
        return VELSPEC_OK;
    }
    return velspec_get_serialize_dump_size(&record->data, size, REC_SCAN_DATA);
}

extern "C" int32_t velspec_scan_write_data(const uScanData *record, void *buffer, size_t size) {
    if (record == nullptr || buffer == nullptr) return VELSPEC_ERR_NULL;
    if (velspec_scan_data_get_type(record) == SCAN_TYPE_SLEW) {
        size_t sizes[4];
        int32_t status = velspec_get_scan_data_dump_sizes(record, &sizes[0], &sizes[1], &sizes[2], &sizes[3]);
        if (status != VELSPEC_OK) return status;
        if (size < sizes[0] + sizes[1] + sizes[2] + sizes[3]) return VELSPEC_ERR_NO_MEMORY;
        const void *sources[4] = {&record->slew, &record->slew.cfg, record->slew.cfg.sections,
                                  record->slew.adc_data};
        uint8_t *out = static_cast<uint8_t *>(buffer);
        for (int part = 0; part < 4; ++part) {
            status = velspec_serialize(sources[part], out, sizes[part], kSlewParts[part]);
            if (status != VELSPEC_OK) return status;
            out += sizes[part];
        }
        return VELSPEC_OK;
    }
    size_t needed = 0;
    const int32_t status = velspec_get_serialize_dump_size(&record->data, &needed, REC_SCAN_DATA);
    if (status != VELSPEC_OK) return status;
    if (size < needed) return VELSPEC_ERR_NO_MEMORY;
    return velspec_serialize(&record->data, buffer, size, REC_SCAN_DATA);
}

extern "C" void velspec_copy_scanData_hdr_to_scanResults(const uScanData *record, scanResults *results) {
    if (record == nullptr || results == nullptr) return;
    if (velspec_scan_data_get_type(record) == SCAN_TYPE_SLEW) {
        velspec::CopySlewHeader(&record->slew, results);
    } else {
        velspec::CopySingleHeader(&record->data, results);
    }
}

extern "C" int32_t velspec_get_scanData_from_slewScanData(const slewScanData *data, scanData *out,
                                                          uint8_t section) {
    if (data == nullptr || out == nullptr) return VELSPEC_ERR_NULL;
    if (section >= data->cfg.num_sections || section >= SLEW_MAX_SECTIONS) {
        return VELSPEC_ERR_BAD_INPUT;
    }
    uint32_t start = 0;
    uint16_t patterns = 0, blacks = 0;
    const int32_t status = velspec_scan_section_get_adc_data_range(data, section, &start, &patterns, &blacks);
    if (status != VELSPEC_OK) return status;
    const uint32_t entries = static_cast<uint32_t>(patterns) + blacks;

    // Header: the same fields at the same offsets in both records.
    std::memcpy(out, data, offsetof(scanData, pga_gain) + 1);
    const slewScanSection &s = data->cfg.sections[section];
    out->scan_type = s.section_scan_type;
    out->config_index = data->cfg.config_index;
    std::memcpy(out->cfg_serial_number, data->cfg.serial_number, sizeof out->cfg_serial_number);
    std::memcpy(out->config_name, data->cfg.config_name, sizeof out->config_name);
    out->wavelength_start_nm = s.wavelength_start_nm;
    out->wavelength_end_nm = s.wavelength_end_nm;
    out->width_px = s.width_px;
    out->num_patterns = s.num_patterns;
    out->num_repeats = data->cfg.num_repeats;

    std::memmove(out->adc_data, data->adc_data + start, entries * sizeof(int32_t));
    out->adc_data_length = static_cast<uint16_t>(entries);
    // Keep the black readings at their places relative to the new start.
    const uint8_t period = data->black_pattern_period;
    const uint8_t shift = period != 0 ? static_cast<uint8_t>(start % period) : 0;
    out->black_pattern_first = static_cast<uint8_t>(data->black_pattern_first - shift);
    return VELSPEC_OK;
}
