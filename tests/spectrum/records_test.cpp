// Records and their images: sizes, golden bytes, round trips in place,
// classification and the small configuration queries.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "spectrum_fixtures.h"
#include "velspec_helper.h"
#include "velspec_scan.h"

namespace {

using spectrum_test::linear_calibration;

void put_u32(std::vector<uint8_t> &out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Magic, flags 0, total length, format string with its zero, one 32-bit
// count per '#'.
std::vector<uint8_t> image_header(uint32_t total, const char *format, std::vector<uint32_t> counts) {
    std::vector<uint8_t> out = {'t', 'p', 'l', 0};
    put_u32(out, total);
    out.insert(out.end(), format, format + std::strlen(format) + 1);
    for (uint32_t n : counts) put_u32(out, n);
    return out;
}

std::unique_ptr<uScanData> two_section_record() {
    auto u = std::make_unique<uScanData>();
    std::memset(u.get(), 0, sizeof *u);
    slewScanData &s = u->slew;
    spectrum_test::fill_header(&s, linear_calibration());
    s.cfg.scan_type = SCAN_TYPE_SLEW;
    s.cfg.config_index = 0x0201;
    std::memcpy(s.cfg.serial_number, "VS-0042", 8);
    std::memcpy(s.cfg.config_name, "two sections", 13);
    s.cfg.num_repeats = 3;
    s.cfg.num_sections = 2;
    s.cfg.sections[0] = {SCAN_TYPE_COLUMN, 6, 950, 1200, 24, 2};
    s.cfg.sections[1] = {SCAN_TYPE_COLUMN, 8, 1250, 1600, 24, 5};
    s.black_pattern_first = 24;
    s.black_pattern_period = 25;
    s.adc_data_length = 49;
    for (int i = 0; i < SCAN_MAX_ADC; ++i) s.adc_data[i] = 1000 + 3 * i;
    return u;
}

TEST(RecordImages, EveryTypeHasItsFormatLengthsAndFixedSize) {
    auto u = std::make_unique<uScanData>();
    std::memset(u.get(), 0, sizeof *u);
    u->data.header_version = 1;
    refMatrix m{};
    calibCoeffSet c{};
    scanCfg cfg{};
    const struct {
        const void *record;
        int32_t type;
        size_t size;
        const char *format;
        std::vector<uint32_t> counts;
    } cases[] = {
        {&u->data,
         REC_SCAN_DATA,
         VELSPEC_IMG_SIZE_SCAN_DATA,
         "S(uc#cccccccjjvvu$(f#f#)c#vccccvc#c#vvcvvi#)",
         {20, 3, 3, 8, 8, 40, 864}},
        {&cfg, REC_SCAN_CFG, VELSPEC_IMG_SIZE_SCAN_CFG, "S(cvc#c#vvcvv)", {8, 40}},
        {&c, REC_CALIB_COEFFS, VELSPEC_IMG_SIZE_CALIB_COEFFS, "S(f#f#)", {3, 3}},
        {&m, REC_REF_MATRIX, VELSPEC_IMG_SIZE_REF_MATRIX, "S(c#f#v##)", {19, 50, 19, 50}},
        {&u->slew.cfg, REC_SLEW_CFG_HEAD, VELSPEC_IMG_SIZE_SLEW_CFG_HEAD, "S(cvc#c#vc)", {8, 40}},
        {u->slew.cfg.sections, REC_SLEW_SECTIONS, VELSPEC_IMG_SIZE_SLEW_SECTIONS, "S(ccvvvv)#", {5}},
        {&u->slew,
         REC_SLEW_DATA_HEAD,
         VELSPEC_IMG_SIZE_SLEW_DATA_HEAD,
         "S(uc#cccccccjjvvu$(f#f#)c#vccc)",
         {20, 3, 3, 8}},
        {u->slew.adc_data, REC_ADC_DATA, VELSPEC_IMG_SIZE_ADC_DATA, "i#", {864}},
    };
    for (const auto &t : cases) {
        size_t size = 0;
        EXPECT_EQ(velspec_get_serialize_dump_size(t.record, &size, t.type), VELSPEC_OK) << t.type;
        ASSERT_EQ(size, t.size) << t.type;
        std::vector<uint8_t> image(size);
        ASSERT_EQ(velspec_serialize(t.record, image.data(), size, t.type), VELSPEC_OK) << t.type;
        const auto header = image_header(static_cast<uint32_t>(t.size), t.format, t.counts);
        EXPECT_EQ(std::vector<uint8_t>(image.begin(), image.begin() + header.size()), header) << t.type;
    }
    size_t size = 0;
    EXPECT_EQ(velspec_get_serialize_dump_size(&c, &size, 8), VELSPEC_ERR_SERIALIZE);
    EXPECT_EQ(map_data_to_tplnode(&c, -1), nullptr);
    EXPECT_EQ(map_data_to_tplnode(&c, REC_NUM_TYPES), nullptr);
}

// The header is pinned by the table above; the six doubles follow it as stored.
TEST(RecordImages, CalibrationImageRoundTripInPlace) {
    const double values[6] = {1.5, -2.25, 0.001, 1720.0, -0.95, 0.0001};
    calibCoeffSet c{};
    std::memcpy(&c, values, sizeof values);
    std::vector<uint8_t> image(72);
    EXPECT_EQ(velspec_calib_write_data(&c, image.data(), 71), VELSPEC_ERR_SERIALIZE);
    EXPECT_EQ(velspec_calib_write_data(nullptr, image.data(), 72), VELSPEC_ERR_NULL);
    ASSERT_EQ(velspec_calib_write_data(&c, image.data(), image.size()), VELSPEC_OK);
    EXPECT_EQ(std::memcmp(image.data() + 24, values, sizeof values), 0);
    ASSERT_EQ(velspec_calib_read_data(image.data(), image.size()), VELSPEC_OK);
    EXPECT_EQ(std::memcmp(image.data(), values, sizeof values), 0);
    EXPECT_EQ(velspec_calib_read_data(nullptr, 72), VELSPEC_ERR_NULL);
}

TEST(RecordImages, ScanConfigurationGoldenBytes) {
    scanCfg cfg = spectrum_test::make_cfg(SCAN_TYPE_HADAMARD, 950, 1650, 7, 228);
    std::vector<uint8_t> image(VELSPEC_IMG_SIZE_SCAN_CFG);
    ASSERT_EQ(velspec_scan_write_configuration(&cfg, image.data(), image.size()), VELSPEC_OK);
    std::vector<uint8_t> expected = image_header(91, "S(cvc#c#vvcvv)", {8, 40});
    expected.push_back(1);                    // scan_type
    expected.insert(expected.end(), {3, 0});  // config_index
    expected.insert(expected.end(), cfg.serial_number, cfg.serial_number + 8);
    expected.insert(expected.end(), cfg.config_name, cfg.config_name + 40);
    expected.insert(expected.end(), {0xB6, 0x03, 0x72, 0x06});  // 950, 1650
    expected.push_back(7);
    expected.insert(expected.end(), {0xE4, 0x00, 0x06, 0x00});  // 228, 6
    EXPECT_EQ(image, expected);
}

TEST(RecordImages, MatrixRoundTripInPlace) {
    const std::vector<uint8_t> written = spectrum_test::matrix_image(spectrum_test::linear_matrix());
    ASSERT_EQ(written.size(), static_cast<size_t>(VELSPEC_IMG_SIZE_REF_MATRIX));
    std::vector<uint8_t> image = written;
    // The device does not keep the first five bytes of a matrix image.
    std::memset(image.data(), 0xEE, 5);
    ASSERT_EQ(velspec_deserialize(image.data(), image.size(), REC_REF_MATRIX), VELSPEC_OK);
    EXPECT_EQ(spectrum_test::matrix_image(*reinterpret_cast<const refMatrix *>(image.data())), written);
}

TEST(RecordImages, DamagedMagicIsRepairedOnlyForScanDataAndMatrix) {
    scanCfg cfg = spectrum_test::make_cfg(SCAN_TYPE_COLUMN, 950, 1650, 6, 100);
    std::vector<uint8_t> image(VELSPEC_IMG_SIZE_SCAN_CFG);
    ASSERT_EQ(velspec_scan_write_configuration(&cfg, image.data(), image.size()), VELSPEC_OK);
    image[0] = 'T';
    EXPECT_EQ(velspec_deserialize(image.data(), image.size(), REC_SCAN_CFG), VELSPEC_ERR_SERIALIZE);
    // Too short to hold the record: refused before anything is written.
    EXPECT_EQ(velspec_deserialize(image.data(), 3, REC_SCAN_DATA), VELSPEC_ERR_SERIALIZE);
    EXPECT_EQ(velspec_deserialize(image.data(), image.size(), 9), VELSPEC_ERR_SERIALIZE);
}

TEST(ScanDataImages, SingleSectionRoundTripInPlaceAndTypeQuery) {
    // config_index 0x0102 puts 2 in the byte that the multi-section view
    // reads as cfg.scan_type: a hand-built record is classified by that byte,
    // a decoded one by its image.
    scanCfg cfg = spectrum_test::make_cfg(SCAN_TYPE_HADAMARD, 950, 1650, 6, 40);
    cfg.config_index = 0x0102;
    std::vector<int32_t> readings(40);
    for (int i = 0; i < 40; ++i) readings[i] = 500 + i * i;
    uScanData original = spectrum_test::single_record(cfg, linear_calibration(), readings, 90, 25);
    EXPECT_EQ(velspec_scan_data_get_type(&original), SCAN_TYPE_SLEW);
    original.decoded_as = VELSPEC_DECODED_SINGLE;
    const std::vector<uint8_t> written = spectrum_test::encode(original);
    ASSERT_EQ(written.size(), static_cast<size_t>(VELSPEC_IMG_SIZE_SCAN_DATA));
    std::vector<uint8_t> image = written;
    EXPECT_EQ(velspec_is_slewdatatype(image.data(), image.size()), 0);
    // Whatever the device leaves in the first five bytes.
    image[0] = 0;
    image[3] = 3;
    image[4] = 0x99;
    ASSERT_EQ(velspec_scan_read_data(image.data(), image.size()), VELSPEC_OK);
    const uScanData *decoded = reinterpret_cast<const uScanData *>(image.data());
    EXPECT_EQ(spectrum_test::encode(*decoded), written);
    EXPECT_EQ(velspec_scan_data_get_type(decoded), SCAN_TYPE_HADAMARD);
    auto results = std::make_unique<scanResults>();
    std::memset(results.get(), 0, sizeof *results);
    velspec_copy_scanData_hdr_to_scanResults(decoded, results.get());
    EXPECT_EQ(results->cfg.scan_type, SCAN_TYPE_SLEW);
    EXPECT_EQ(results->cfg.num_sections, 1);
    EXPECT_EQ(results->cfg.config_index, 0x0102);
    EXPECT_EQ(results->cfg.sections[0].section_scan_type, SCAN_TYPE_HADAMARD);
    EXPECT_EQ(results->cfg.sections[0].num_patterns, 40);
    EXPECT_EQ(results->adc_data_length, 0);
    EXPECT_EQ(results->device_tag, 0xA1B2C3D4u);

    original.data.scan_type = 9;
    original.data.config_index = 4;
    EXPECT_EQ(velspec_scan_data_get_type(&original), VELSPEC_ERR_BAD_TYPE);
    EXPECT_EQ(velspec_scan_data_get_type(nullptr), VELSPEC_ERR_NULL);
}

TEST(ScanDataImages, MultiSectionRoundTripInPlace) {
    auto original = two_section_record();
    size_t sizes[4];
    ASSERT_EQ(velspec_get_scan_data_dump_sizes(original.get(), &sizes[0], &sizes[1], &sizes[2], &sizes[3]),
              VELSPEC_OK);
    EXPECT_EQ(sizes[0], 160u);
    EXPECT_EQ(sizes[1], 82u);
    EXPECT_EQ(sizes[2], 73u);
    EXPECT_EQ(sizes[3], 3471u);
    const std::vector<uint8_t> written = spectrum_test::encode(*original);
    ASSERT_EQ(written.size(), static_cast<size_t>(VELSPEC_IMG_SIZE_SLEW_SCAN_DATA));
    std::vector<uint8_t> image = written;
    EXPECT_EQ(velspec_is_slewdatatype(image.data(), image.size()), 1);

    std::vector<uint8_t> short_copy(image.begin(), image.end() - 1);
    EXPECT_EQ(velspec_scan_read_data(short_copy.data(), short_copy.size()), VELSPEC_ERR_NO_MEMORY);

    ASSERT_EQ(velspec_scan_read_data(image.data(), image.size()), VELSPEC_OK);
    const uScanData *decoded = reinterpret_cast<const uScanData *>(image.data());
    EXPECT_EQ(spectrum_test::encode(*decoded), written);
    EXPECT_EQ(velspec_scan_data_get_type(decoded), SCAN_TYPE_SLEW);

    std::vector<uint8_t> small(100);
    EXPECT_EQ(velspec_scan_write_data(original.get(), small.data(), small.size()), VELSPEC_ERR_NO_MEMORY);
}

TEST(ScanDataImages, SectionExtraction) {
    auto slew = two_section_record();
    auto out = std::make_unique<scanData>();
    ASSERT_EQ(velspec_get_scanData_from_slewScanData(&slew->slew, out.get(), 1), VELSPEC_OK);
    EXPECT_EQ(out->adc_data_length, 25);
    EXPECT_EQ(out->adc_data[0], slew->slew.adc_data[24]);
    EXPECT_EQ(out->black_pattern_first, 0);  // the black at 24 opens the section
    EXPECT_EQ(out->width_px, 8);
    EXPECT_EQ(out->num_repeats, 3);
    EXPECT_EQ(out->scan_type, SCAN_TYPE_COLUMN);
    EXPECT_EQ(velspec_get_scanData_from_slewScanData(&slew->slew, out.get(), 2), VELSPEC_ERR_BAD_INPUT);

    uint32_t start = 99;
    uint16_t n = 0, b = 0;
    ASSERT_EQ(velspec_scan_section_get_adc_data_range(&slew->slew, 0, &start, &n, &b), VELSPEC_OK);
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(n, 24);
    EXPECT_EQ(b, 0);
    ASSERT_EQ(velspec_scan_section_get_adc_data_range(&slew->slew, 1, &start, &n, &b), VELSPEC_OK);
    EXPECT_EQ(start, 24u);
    EXPECT_EQ(n, 24);
    EXPECT_EQ(b, 1);
}

TEST(ConfigurationImages, SingleAndMultiSectionRoundTrip) {
    scanCfg cfg = spectrum_test::make_cfg(SCAN_TYPE_COLUMN, 950, 1650, 6, 100);
    const std::vector<uint8_t> written = spectrum_test::config_image(&cfg);
    ASSERT_EQ(written.size(), static_cast<size_t>(VELSPEC_IMG_SIZE_SCAN_CFG));
    std::vector<uint8_t> image = written;
    EXPECT_EQ(velspec_is_slewcfgtype(image.data(), image.size()), 0);
    EXPECT_EQ(velspec_scan_read_configuration(image.data(), 90), VELSPEC_ERR_NO_MEMORY);
    ASSERT_EQ(velspec_scan_read_configuration(image.data(), image.size()), VELSPEC_OK);
    EXPECT_EQ(spectrum_test::config_image(image.data()), written);

    slewScanCfg slew = two_section_record()->slew.cfg;
    slew.sections[4] = {1, 9, 1000, 1100, 7, 3};  // a slot past num_sections
    size_t size = 0;
    ASSERT_EQ(velspec_get_scan_config_dump_size(&slew, &size), VELSPEC_OK);
    ASSERT_EQ(size, static_cast<size_t>(VELSPEC_IMG_SIZE_SLEW_CFG));
    std::vector<uint8_t> two(size);
    EXPECT_EQ(velspec_scan_write_configuration(&slew, two.data(), size - 1), VELSPEC_ERR_NO_MEMORY);
    ASSERT_EQ(velspec_scan_write_configuration(&slew, two.data(), size), VELSPEC_OK);
    const std::vector<uint8_t> written_two = two;
    EXPECT_EQ(velspec_is_slewcfgtype(two.data(), two.size()), 1);
    EXPECT_EQ(velspec_scan_read_configuration(two.data(), size - 1), VELSPEC_ERR_NO_MEMORY);
    ASSERT_EQ(velspec_scan_read_configuration(two.data(), size), VELSPEC_OK);
    EXPECT_EQ(spectrum_test::config_image(two.data()), written_two);
    EXPECT_EQ(velspec_scan_read_configuration(nullptr, 10), VELSPEC_ERR_NULL);
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

    cfg.sections[0].num_patterns = 40000;
    cfg.sections[1].num_patterns = 30000;
    cfg.sections[0].wavelength_end_nm = 1400;
    cfg.sections[1].wavelength_end_nm = 1300;
    EXPECT_EQ(velspec_scan_slew_get_num_patterns(&cfg), 4464);
    EXPECT_EQ(velspec_scan_slew_get_end_nm(&cfg), 1400);
    cfg.num_sections = 0;
    EXPECT_EQ(velspec_scan_slew_get_end_nm(&cfg), 0);
    cfg.num_sections = 200;  // only five slots exist
    EXPECT_EQ(velspec_scan_slew_get_num_patterns(&cfg), 4464);
    EXPECT_EQ(velspec_scan_slew_get_num_patterns(nullptr), VELSPEC_ERR_NULL);

    EXPECT_EQ(velspec_scan_get_exp_time_us(65535), 0);  // past the table
}

}  // namespace
