// Dark-level removal: the mean of the black readings is subtracted from the
// pattern readings.
#include "velspec_helper.h"

#include "velspec_numeric.h"

namespace {

using velspec::WrapAdd;
using velspec::WrapSub;

// Entry i is a black reading when i - first is a multiple of the period,
// negative differences included. A period of 0 would divide by zero; it is
// taken to mean that the record has no black readings.
bool IsBlack(uint32_t i, uint8_t first, uint8_t period) {
    if (period == 0) return false;
    return (static_cast<int32_t>(i) - static_cast<int32_t>(first)) % period == 0;
}

// The truncated integer mean of the black readings among the first length
// entries; 0 when there are none. The sum wraps like the device's 32-bit sum.
int32_t DarkLevel(const int32_t *adc, uint32_t length, uint8_t first, uint8_t period) {
    int32_t sum = 0;
    int32_t count = 0;
    for (uint32_t i = 0; i < length; ++i) {
        if (IsBlack(i, first, period)) {
            sum = WrapAdd(sum, adc[i]);
            ++count;
        }
    }
    return count > 0 ? sum / count : 0;
}

}  // namespace

extern "C" int32_t velspec_subtract_dc_level(slewScanData *data) {
    if (data == nullptr) return VELSPEC_ERR_NULL;
    const uint32_t length = data->adc_data_length;
    if (length > SCAN_MAX_ADC) return VELSPEC_ERR_BAD_INPUT;
    const uint8_t first = data->black_pattern_first;
    const uint8_t period = data->black_pattern_period;
    const int32_t mean = DarkLevel(data->adc_data, length, first, period);
    for (uint32_t i = 0; i < length; ++i) {
        data->adc_data[i] = IsBlack(i, first, period) ? 0 : WrapSub(data->adc_data[i], mean);
    }
    return VELSPEC_OK;
}

extern "C" int32_t velspec_subtract_remove_dc_level(const scanData *data, scanResults *results) {
    if (data == nullptr || results == nullptr) return VELSPEC_ERR_NULL;
    const uint32_t length = data->adc_data_length;
    if (length > SCAN_MAX_ADC) return VELSPEC_ERR_BAD_INPUT;
    const uint8_t first = data->black_pattern_first;
    const uint8_t period = data->black_pattern_period;
    const int32_t mean = DarkLevel(data->adc_data, length, first, period);
    int32_t j = 0;
    for (uint32_t i = 0; i < length; ++i) {
        if (IsBlack(i, first, period)) continue;
        results->intensity[j] = WrapSub(data->adc_data[i], mean);
        ++j;
    }
    results->length = j;
    return VELSPEC_OK;
}
