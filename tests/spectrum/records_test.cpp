// Records and their images: format headers, golden bytes, round trips in
// place, classification and the small configuration queries.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "spectrum_fixtures.h"
#include "velspec_helper.h"
#include "velspec_scan.h"

namespace spectrum_test {
namespace {

void PutU32(std::vector<uint8_t> &out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Magic, flags 0, total length, format string with its zero, one 32-bit
// count per '#'.
std::vector<uint8_t> ImageHeader(uint32_t total, const char *format, std::vector<uint32_t> counts) {
    std::vector<uint8_t> out = {'t', 'p', 'l', 0};
    PutU32(out, total);
    out.insert(out.end(), format, format + std::strlen(format) + 1);
    for (uint32_t n : counts) PutU32(out, n);
    return out;
}

// Sections of 24 readings each; entries past adc_data_length are stored too.
uScanData TwoColumnSections() {
    uScanData u = TwoSectionRecord(std::vector<int32_t>(24, 900), std::vector<int32_t>(30, 900));
    u.slew.cfg.sections[1] = {SCAN_TYPE_COLUMN, 8, 1250, 1600, 24, 5};
    u.slew.adc_data_length = 49;
    for (int i = 0; i < SCAN_MAX_ADC; ++i) u.slew.adc_data[i] = 1000 + 3 * i;
    return u;
}

TEST(RecordImages, EveryTypeHasItsFormatLengthsAndFixedSize) {
    uScanData u{};
    u.data.header_version = 1;
    refMatrix m{};
    calibCoeffSet c{};
    scanCfg cfg{};
    const char *kScanData = "S(uc#cccccccjjvvu$(f#f#)c#vccccvc#c#vvcvvi#)";
    const char *kSlewHead = "S(uc#cccccccjjvvu$(f#f#)c#vccc)";
    const struct Case {
        const void *record;
        int32_t type;
        size_t size;
        const char *format;
        std::vector<uint32_t> counts;
    } cases[] = {
        {&u.data, REC_SCAN_DATA, VELSPEC_IMG_SIZE_SCAN_DATA, kScanData, {20, 3, 3, 8, 8, 40, 864}},
        {&cfg, REC_SCAN_CFG, VELSPEC_IMG_SIZE_SCAN_CFG, "S(cvc#c#vvcvv)", {8, 40}},
        {&c, REC_CALIB_COEFFS, VELSPEC_IMG_SIZE_CALIB_COEFFS, "S(f#f#)", {3, 3}},
        {&m, REC_REF_MATRIX, VELSPEC_IMG_SIZE_REF_MATRIX, "S(c#f#v##)", {19, 50, 19, 50}},
        {&u.slew.cfg, REC_SLEW_CFG_HEAD, VELSPEC_IMG_SIZE_SLEW_CFG_HEAD, "S(cvc#c#vc)", {8, 40}},
        {u.slew.cfg.sections, REC_SLEW_SECTIONS, VELSPEC_IMG_SIZE_SLEW_SECTIONS, "S(ccvvvv)#", {5}},
        {&u.slew, REC_SLEW_DATA_HEAD, VELSPEC_IMG_SIZE_SLEW_DATA_HEAD, kSlewHead, {20, 3, 3, 8}},
        {u.slew.adc_data, REC_ADC_DATA, VELSPEC_IMG_SIZE_ADC_DATA, "i#", {864}},
    };
    for (const Case &t : cases) {
        SCOPED_TRACE(t.type);
        size_t size = 0;
        EXPECT_EQ(velspec_get_serialize_dump_size(t.record, &size, t.type), VELSPEC_OK);
        ASSERT_EQ(size, t.size);
        std::vector<uint8_t> image(size);
        ASSERT_EQ(velspec_serialize(t.record, image.data(), size, t.type), VELSPEC_OK);
        const auto header = ImageHeader(static_cast<uint32_t>(t.size), t.format, t.counts);
        EXPECT_EQ(std::vector<uint8_t>(image.begin(), image.begin() + header.size()), header);
    }
    size_t size = 0;
    EXPECT_EQ(velspec_get_serialize_dump_size(&c, &size, 8), VELSPEC_ERR_SERIALIZE);
    EXPECT_EQ(map_data_to_tplnode(&c, -1), nullptr);
    EXPECT_EQ(map_data_to_tplnode(&c, REC_NUM_TYPES), nullptr);
    EXPECT_EQ(velspec_deserialize(u.slew.adc_data, 3, REC_SCAN_DATA), VELSPEC_ERR_SERIALIZE);
    EXPECT_EQ(velspec_deserialize(u.slew.adc_data, 100, 9), VELSPEC_ERR_SERIALIZE);
}

TEST(RecordImages, ScanConfigurationGoldenBytes) {
    scanCfg cfg = MakeCfg(SCAN_TYPE_HADAMARD, 950, 1650, 7, 228);
    std::vector<uint8_t> image(VELSPEC_IMG_SIZE_SCAN_CFG);
    ASSERT_EQ(velspec_scan_write_configuration(&cfg, image.data(), image.size()), VELSPEC_OK);
    std::vector<uint8_t> expected = ImageHeader(91, "S(cvc#c#vvcvv)", {8, 40});
    expected.insert(expected.end(), {1, 3, 0});  // scan_type, config_index
    expected.insert(expected.end(), cfg.serial_number, cfg.serial_number + 8);
    expected.insert(expected.end(), cfg.config_name, cfg.config_name + 40);
    // 950 nm, 1650 nm, width 7, 228 patterns, 6 repeats
    expected.insert(expected.end(), {0xB6, 0x03, 0x72, 0x06, 7, 0xE4, 0x00, 0x06, 0x00});
    EXPECT_EQ(image, expected);
}

// Each image is decoded in place and encoded again: the same bytes come
// back. The device does not keep the first five bytes of scan data and
// matrix images; a configuration's magic is checked. One byte short is
// refused, and so is writing a multi-section record into too little room.
TEST(RecordImages, RoundTripInPlace) {
    const double values[6] = {1.5, -2.25, 0.001, 1720.0, -0.95, 0.0001};
    calibCoeffSet calib;
    std::memcpy(&calib, values, sizeof values);
    std::vector<uint8_t> calib_image(72);
    EXPECT_EQ(velspec_calib_write_data(&calib, calib_image.data(), 71), VELSPEC_ERR_SERIALIZE);
    EXPECT_EQ(velspec_calib_write_data(nullptr, calib_image.data(), 72), VELSPEC_ERR_NULL);
    ASSERT_EQ(velspec_calib_write_data(&calib, calib_image.data(), 72), VELSPEC_OK);
    EXPECT_EQ(std::memcmp(calib_image.data() + 24, values, sizeof values), 0);  // after the header

    const uScanData single =
        SingleRecord(MakeCfg(SCAN_TYPE_HADAMARD, 950, 1650, 6, 40), Ramp(40, 500, 37), 90, 25);
    const uScanData two = TwoColumnSections();
    EXPECT_EQ(velspec_scan_write_data(&two, calib_image.data(), 72), VELSPEC_ERR_NO_MEMORY);
    const scanCfg cfg = MakeCfg(SCAN_TYPE_COLUMN, 950, 1650, 6, 100);
    slewScanCfg slew = two.slew.cfg;
    slew.sections[4] = {1, 9, 1000, 1100, 7, 3};  // a slot past num_sections
    std::vector<uint8_t> short_room(VELSPEC_IMG_SIZE_SLEW_CFG - 1);
    EXPECT_EQ(velspec_scan_write_configuration(&slew, short_room.data(), short_room.size()),
              VELSPEC_ERR_NO_MEMORY);

    using Decode = int32_t (*)(void *, size_t);
    using Reencode = std::vector<uint8_t> (*)(const void *);
    const Decode as_mat = [](void *b, size_t n) { return velspec_deserialize(b, n, REC_REF_MATRIX); };
    const Reencode calib_out = [](const void *p) {
        std::vector<uint8_t> out(72);
        velspec_calib_write_data(static_cast<const calibCoeffSet *>(p), out.data(), out.size());
        return out;
    };
    const Reencode data_out = [](const void *p) { return Encode(*static_cast<const uScanData *>(p)); };
    const Reencode mat_out = [](const void *p) { return MatrixImage(*static_cast<const refMatrix *>(p)); };
    const Decode read_data = velspec_scan_read_data, read_cfg = velspec_scan_read_configuration;
    const int32_t kSer = VELSPEC_ERR_SERIALIZE, kMem = VELSPEC_ERR_NO_MEMORY;
    const struct Case {
        const char *name;
        std::vector<uint8_t> written;
        size_t size;
        Decode decode;
        Reencode again;
        bool damage_first_five;
        int32_t short_status;
    } cases[] = {
        {"calibration", calib_image, 72, velspec_calib_read_data, calib_out, false, kSer},
        {"matrix", MatrixImage(LinearMatrix()), VELSPEC_IMG_SIZE_REF_MATRIX, as_mat, mat_out, true, kSer},
        {"single section", Encode(single), VELSPEC_IMG_SIZE_SCAN_DATA, read_data, data_out, true, kSer},
        {"two sections", Encode(two), VELSPEC_IMG_SIZE_SLEW_SCAN_DATA, read_data, data_out, false, kMem},
        {"configuration", ConfigImage(&cfg), VELSPEC_IMG_SIZE_SCAN_CFG, read_cfg, ConfigImage, false, kMem},
        {"slew cfg", ConfigImage(&slew), VELSPEC_IMG_SIZE_SLEW_CFG, read_cfg, ConfigImage, false, kMem},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.written.size(), c.size);
        std::vector<uint8_t> image = c.written;
        EXPECT_EQ(c.decode(image.data(), image.size() - 1), c.short_status);
        image = c.written;
        if (c.damage_first_five) std::memset(image.data(), 0xEE, 5);
        ASSERT_EQ(c.decode(image.data(), image.size()), VELSPEC_OK);
        EXPECT_EQ(c.again(image.data()), c.written);
    }
    std::vector<uint8_t> bad_magic = ConfigImage(&cfg);
    bad_magic[0] = 'T';
    for (size_t size : {bad_magic.size() - 1, bad_magic.size()}) {
        EXPECT_EQ(velspec_deserialize(bad_magic.data(), size, REC_SCAN_CFG), kSer) << size;
    }
    EXPECT_EQ(velspec_calib_read_data(nullptr, 72), VELSPEC_ERR_NULL);
    EXPECT_EQ(velspec_scan_read_configuration(nullptr, 10), VELSPEC_ERR_NULL);
}

// Images are told apart by their content. A record built by hand is
// classified by the byte the multi-section view reads as cfg.scan_type
// (config_index 0x0102 puts 2 there); a decoded one by its image.
TEST(ScanDataImages, ClassificationHeaderCopyAndSections) {
    scanCfg cfg = MakeCfg(SCAN_TYPE_HADAMARD, 950, 1650, 6, 40);
    cfg.config_index = 0x0102;
    uScanData single = SingleRecord(cfg, std::vector<int32_t>(40, 500), 90, 25);
    EXPECT_EQ(velspec_scan_data_get_type(&single), SCAN_TYPE_SLEW);
    single.decoded_as = VELSPEC_DECODED_SINGLE;
    std::vector<uint8_t> image = Encode(single);
    const uScanData two = TwoColumnSections();
    std::vector<uint8_t> two_image = Encode(two);
    EXPECT_EQ(velspec_is_slewdatatype(image.data(), image.size()), 0);
    EXPECT_EQ(velspec_is_slewdatatype(two_image.data(), two_image.size()), 1);
    ASSERT_EQ(velspec_scan_read_data(image.data(), image.size()), VELSPEC_OK);
    ASSERT_EQ(velspec_scan_read_data(two_image.data(), two_image.size()), VELSPEC_OK);
    const auto *decoded = reinterpret_cast<const uScanData *>(image.data());
    EXPECT_EQ(velspec_scan_data_get_type(decoded), SCAN_TYPE_HADAMARD);
    EXPECT_EQ(velspec_scan_data_get_type(reinterpret_cast<const uScanData *>(two_image.data())),
              SCAN_TYPE_SLEW);
    const std::vector<uint8_t> single_cfg = ConfigImage(&cfg), slew_cfg = ConfigImage(&two.slew.cfg);
    EXPECT_EQ(velspec_is_slewcfgtype(single_cfg.data(), single_cfg.size()), 0);
    EXPECT_EQ(velspec_is_slewcfgtype(slew_cfg.data(), slew_cfg.size()), 1);

    scanResults results{};
    velspec_copy_scanData_hdr_to_scanResults(decoded, &results);
    EXPECT_EQ(std::make_tuple(results.cfg.scan_type, results.cfg.num_sections, results.cfg.config_index,
                              results.cfg.sections[0].section_scan_type, results.cfg.sections[0].num_patterns,
                              results.adc_data_length, results.device_tag),
              std::make_tuple(SCAN_TYPE_SLEW, 1, 0x0102, SCAN_TYPE_HADAMARD, 40, 0, 0xA1B2C3D4u));

    single.data.scan_type = 9;
    single.data.config_index = 4;
    EXPECT_EQ(velspec_scan_data_get_type(&single), VELSPEC_ERR_BAD_TYPE);
    EXPECT_EQ(velspec_scan_data_get_type(nullptr), VELSPEC_ERR_NULL);
    size_t sizes[4];
    ASSERT_EQ(velspec_get_scan_data_dump_sizes(&two, &sizes[0], &sizes[1], &sizes[2], &sizes[3]), VELSPEC_OK);
    EXPECT_EQ(std::vector<size_t>(sizes, sizes + 4), (std::vector<size_t>{160, 82, 73, 3471}));

    scanData out;
    ASSERT_EQ(velspec_get_scanData_from_slewScanData(&two.slew, &out, 1), VELSPEC_OK);
    // The black at 24 opens the section.
    EXPECT_EQ(std::make_tuple(out.adc_data_length, out.adc_data[0], out.black_pattern_first, out.width_px,
                              out.num_repeats, out.scan_type),
              std::make_tuple(25, two.slew.adc_data[24], 0, 8, 3, SCAN_TYPE_COLUMN));
    EXPECT_EQ(velspec_get_scanData_from_slewScanData(&two.slew, &out, 2), VELSPEC_ERR_BAD_INPUT);

    uint32_t start = 99;
    uint16_t n = 0, b = 0;
    ASSERT_EQ(velspec_scan_section_get_adc_data_range(&two.slew, 0, &start, &n, &b), VELSPEC_OK);
    EXPECT_EQ(std::make_tuple(start, n, b), std::make_tuple(0u, 24, 0));
    ASSERT_EQ(velspec_scan_section_get_adc_data_range(&two.slew, 1, &start, &n, &b), VELSPEC_OK);
    EXPECT_EQ(std::make_tuple(start, n, b), std::make_tuple(24u, 24, 1));
}

TEST(ConfigurationQueries, TypePatternsAndEnd) {
    slewScanCfg cfg{};
    // {sections, first section's type, answer}: unknown types read as 1.
    const int cases[][3] = {{1, 1, 1}, {1, 0, 0}, {1, 4, 1}, {2, 4, 2}};
    for (const auto &c : cases) {
        cfg.num_sections = static_cast<uint8_t>(c[0]);
        cfg.sections[0].section_scan_type = static_cast<uint8_t>(c[1]);
        EXPECT_EQ(velspec_scan_slew_get_cfg_type(&cfg), c[2]) << c[0] << "," << c[1];
    }
    cfg.sections[0] = {4, 0, 0, 1400, 40000, 0};
    cfg.sections[1] = {0, 0, 0, 1300, 30000, 0};
    EXPECT_EQ(velspec_scan_slew_get_num_patterns(&cfg), 4464);
    EXPECT_EQ(velspec_scan_slew_get_end_nm(&cfg), 1400);
    cfg.num_sections = 0;
    EXPECT_EQ(velspec_scan_slew_get_end_nm(&cfg), 0);
    cfg.num_sections = 200;  // only five slots exist
    EXPECT_EQ(velspec_scan_slew_get_num_patterns(&cfg), 4464);
    EXPECT_EQ(velspec_scan_slew_get_num_patterns(nullptr), VELSPEC_ERR_NULL);
    // Codes index a table of seven exposure times.
    EXPECT_EQ(velspec_scan_get_exp_time_us(6), 60960);
    EXPECT_EQ(velspec_scan_get_exp_time_us(7), 0);
    EXPECT_EQ(velspec_scan_get_exp_time_us(65535), 0);
}

}  // namespace
}  // namespace spectrum_test
