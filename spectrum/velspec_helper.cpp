// Record mapping and encoding: every record type names one tpl format
// string and the fixed lengths mapped with it.
#include "velspec_helper.h"
#include "diag.h"

#include <cstdio>
#include <cstring>

namespace {

struct RecordFormat {
    const char *format;
    int fixed_lengths[7];  // in order of the '#' characters
    size_t record_bytes;   // bytes the mapping writes from the record start
};

// Indexed by recordType. These strings and lengths are the image contract
// with the device: both sides compare them byte for byte.
const RecordFormat kRecordFormats[REC_NUM_TYPES] = {
    {"S(uc#cccccccjjvvu$(f#f#)c#vccccvc#c#vvcvvi#)",
     {20, 3, 3, 8, 8, 40, 864},
     offsetof(scanData, adc_data) + sizeof(int32_t) * SCAN_MAX_ADC},
    {"S(cvc#c#vvcvv)", {8, 40}, sizeof(scanCfg)},
    {"S(f#f#)", {3, 3}, sizeof(calibCoeffSet)},
    {"S(c#f#v##)", {19, 50, 19, 50}, sizeof(refMatrix)},
    {"S(cvc#c#vc)", {8, 40}, offsetof(slewScanCfg, sections)},
    {"S(ccvvvv)#", {5}, sizeof(slewScanSection) * SLEW_MAX_SECTIONS},
    {"S(uc#cccccccjjvvu$(f#f#)c#vccc)", {20, 3, 3, 8}, offsetof(slewScanData, pga_gain) + 1},
    {"i#", {864}, sizeof(int32_t) * SCAN_MAX_ADC},
};

bool KnownType(int32_t type) { return type >= 0 && type < REC_NUM_TYPES; }

// Owns a mapping for the length of one operation.
class Mapping {
public:
    Mapping(void *record, int32_t type) : node_(map_data_to_tplnode(record, type)) {}
    ~Mapping() {
        if (node_ != nullptr) tpl_free(node_);
    }
    Mapping(const Mapping &) = delete;
    Mapping &operator=(const Mapping &) = delete;
    tpl_node *get() const { return node_; }

private:
    tpl_node *node_;
};

}  // namespace

extern "C" tpl_node *map_data_to_tplnode(void *record, int32_t type) {
    if (!KnownType(type)) return nullptr;
    const RecordFormat &f = kRecordFormats[type];
    const int *n = f.fixed_lengths;
    // The engine takes the record address, then one count per '#'; counts
    // beyond the format's are not consumed.
    return tpl_map(f.format, record, n[0], n[1], n[2], n[3], n[4], n[5], n[6]);
}

extern "C" int32_t velspec_serialize(const void *record, void *buffer, size_t size, int32_t type) {
    if (record == nullptr || buffer == nullptr) return VELSPEC_ERR_NULL;
    // Packing only reads the record.
    Mapping mapping(const_cast<void *>(record), type);
    if (mapping.get() == nullptr) return VELSPEC_ERR_SERIALIZE;
    if (tpl_pack(mapping.get(), 0) != 0) return VELSPEC_ERR_SERIALIZE;
    if (tpl_dump(mapping.get(), TPL_IO_MEMORY | TPL_IO_CALLER_BUFFER, buffer, size) != 0) {
        return VELSPEC_ERR_SERIALIZE;
    }
    return VELSPEC_OK;
}

extern "C" int32_t velspec_get_serialize_dump_size(const void *record, size_t *size, int32_t type) {
    if (record == nullptr || size == nullptr) return VELSPEC_ERR_NULL;
    Mapping mapping(const_cast<void *>(record), type);
    if (mapping.get() == nullptr) return VELSPEC_ERR_SERIALIZE;
    if (tpl_pack(mapping.get(), 0) != 0) return VELSPEC_ERR_SERIALIZE;
    size_t image_size = 0;
    if (tpl_dump(mapping.get(), TPL_IO_SIZE_ONLY, &image_size) != 0) return VELSPEC_ERR_SERIALIZE;
    *size = image_size;
    return VELSPEC_OK;
}

extern "C" int32_t velspec_deserialize(void *buffer, size_t size, int32_t type) {
    if (buffer == nullptr) return VELSPEC_ERR_NULL;
    if (!KnownType(type)) return VELSPEC_ERR_SERIALIZE;
    // A buffer that cannot hold the decoded record cannot hold a valid image
    // of the type either; refusing it up front keeps the in-place decode and
    // the header repair below inside the buffer.
    if (size < kRecordFormats[type].record_bytes) return VELSPEC_ERR_SERIALIZE;
    Mapping mapping(buffer, type);
    if (mapping.get() == nullptr) return VELSPEC_ERR_SERIALIZE;
    if (type == REC_SCAN_DATA || type == REC_REF_MATRIX) {
        // The device does not keep the magic, the flags byte and the low
        // length byte of these two images; they are restored before loading.
        static const uint8_t kRepaired[5] = {'t', 'p', 'l', 0, 0};
        std::memcpy(buffer, kRepaired, sizeof kRepaired);
    }
    if (tpl_load(mapping.get(), TPL_IO_MEMORY | TPL_IO_TRAILING_OK, buffer, size) != 0) {
        return VELSPEC_ERR_SERIALIZE;
    }
    // Each field moves from its later place in the image to its earlier place
    // in the record; the engine's copies are overlap-safe.
    tpl_unpack(mapping.get(), 0);
    return VELSPEC_OK;
}

extern "C" int32_t velspec_calib_write_data(const calibCoeffSet *coeffs, void *buffer, size_t size) {
    if (coeffs == nullptr || buffer == nullptr) return VELSPEC_ERR_NULL;
    return velspec_serialize(coeffs, buffer, size, REC_CALIB_COEFFS);
}

extern "C" int32_t velspec_calib_read_data(void *buffer, size_t size) {
    if (buffer == nullptr) return VELSPEC_ERR_NULL;
    const int32_t status = velspec_deserialize(buffer, size, REC_CALIB_COEFFS);
    if (status != VELSPEC_OK) velscan::diag::Print("------velspec_deserialize debug 1\n");
    return status;
}

extern "C" int32_t velspec_calib_write_ref_matrix(const refMatrix *matrix, void *buffer, size_t size) {
    if (matrix == nullptr || buffer == nullptr) return VELSPEC_ERR_NULL;
    return velspec_serialize(matrix, buffer, size, REC_REF_MATRIX);
}
