// Dark-level removal: the truncated mean of the black readings.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "velspec_helper.h"

namespace {

TEST(DarkLevel, MeanOfBlackReadingsIsRemoved) {
    const struct Case {
        std::vector<int32_t> adc;
        uint8_t first, period;
        std::vector<int32_t> expected;
    } cases[] = {
        {{10, 110, 12, 112}, 0, 2, {99, 101}},
        // Entries 1 and 3 are black: positions before the first count too.
        {{20, 4, 30, 6, 40}, 3, 2, {15, 25, 35}},
        // Mean of a negative sum truncates toward zero: -7 / 2 = -3.
        {{-3, 50, -4}, 0, 2, {53}},
        // First black past the data, or period 0: no blacks, dark level 0.
        {{7, 8, 9}, 5, 10, {7, 8, 9}},
        {{7, 8, 9}, 0, 0, {7, 8, 9}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.adc[0]);
        scanData d{};
        std::memcpy(d.adc_data, c.adc.data(), sizeof(int32_t) * c.adc.size());
        d.adc_data_length = static_cast<uint16_t>(c.adc.size());
        d.black_pattern_first = c.first;
        d.black_pattern_period = c.period;
        scanResults r;
        for (int32_t &v : r.intensity) v = 555;
        ASSERT_EQ(velspec_subtract_remove_dc_level(&d, &r), VELSPEC_OK);
        ASSERT_EQ(r.length, static_cast<int32_t>(c.expected.size()));
        EXPECT_EQ(std::vector<int32_t>(r.intensity, r.intensity + r.length), c.expected);
        EXPECT_EQ(r.intensity[c.expected.size()], 555);  // entries past length untouched
        d.adc_data_length = SCAN_MAX_ADC + 1;
        EXPECT_EQ(velspec_subtract_remove_dc_level(&d, &r), VELSPEC_ERR_BAD_INPUT);
    }
}

TEST(DarkLevel, InPlaceFormZeroesBlacksAndRefusesOversizedLength) {
    slewScanData s{};
    const int32_t adc[5] = {100, 20, 300, 40, 500};
    std::memcpy(s.adc_data, adc, sizeof adc);
    s.adc_data_length = 5;
    s.black_pattern_first = 1;
    s.black_pattern_period = 2;
    ASSERT_EQ(velspec_subtract_dc_level(&s), VELSPEC_OK);
    EXPECT_EQ(std::vector<int32_t>(s.adc_data, s.adc_data + 5), (std::vector<int32_t>{70, 0, 270, 0, 470}));
    s.adc_data_length = SCAN_MAX_ADC + 1;
    EXPECT_EQ(velspec_subtract_dc_level(&s), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(s.adc_data[0], 70);
    EXPECT_EQ(velspec_subtract_dc_level(nullptr), VELSPEC_ERR_NULL);
}

}  // namespace
