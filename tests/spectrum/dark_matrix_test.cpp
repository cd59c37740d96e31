// Dark-level removal and the matrix helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "velspec_helper.h"

namespace {

std::unique_ptr<scanData> record_with(const int32_t *adc, uint16_t length, uint8_t first, uint8_t period) {
    auto d = std::make_unique<scanData>();
    std::memset(d.get(), 0, sizeof *d);
    std::memcpy(d->adc_data, adc, sizeof(int32_t) * length);
    d->adc_data_length = length;
    d->black_pattern_first = first;
    d->black_pattern_period = period;
    return d;
}

TEST(DarkLevel, MeanOfBlackReadingsIsRemoved) {
    const struct {
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
    for (const auto &c : cases) {
        auto d = record_with(c.adc.data(), static_cast<uint16_t>(c.adc.size()), c.first, c.period);
        auto r = std::make_unique<scanResults>();
        for (int32_t &v : r->intensity) v = 555;
        ASSERT_EQ(velspec_subtract_remove_dc_level(d.get(), r.get()), VELSPEC_OK);
        ASSERT_EQ(r->length, static_cast<int32_t>(c.expected.size())) << c.adc[0];
        for (size_t i = 0; i < c.expected.size(); ++i) EXPECT_EQ(r->intensity[i], c.expected[i]) << c.adc[0];
        EXPECT_EQ(r->intensity[c.expected.size()], 555);  // entries past length untouched
    }
}

TEST(DarkLevel, InPlaceFormZeroesBlacksAndRefusesOversizedLength) {
    auto s = std::make_unique<slewScanData>();
    std::memset(s.get(), 0, sizeof *s);
    const int32_t adc[5] = {100, 20, 300, 40, 500};
    std::memcpy(s->adc_data, adc, sizeof adc);
    s->adc_data_length = 5;
    s->black_pattern_first = 1;
    s->black_pattern_period = 2;
    ASSERT_EQ(velspec_subtract_dc_level(s.get()), VELSPEC_OK);
    const int32_t expected[5] = {70, 0, 270, 0, 470};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(s->adc_data[i], expected[i]) << i;

    s->adc_data_length = SCAN_MAX_ADC + 1;
    EXPECT_EQ(velspec_subtract_dc_level(s.get()), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(s->adc_data[0], 70);
    auto d = record_with(adc, 5, 0, 2);
    d->adc_data_length = 900;
    auto r = std::make_unique<scanResults>();
    EXPECT_EQ(velspec_subtract_remove_dc_level(d.get(), r.get()), VELSPEC_ERR_BAD_INPUT);
    EXPECT_EQ(velspec_subtract_dc_level(nullptr), VELSPEC_ERR_NULL);
}

}  // namespace
