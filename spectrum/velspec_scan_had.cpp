// Hadamard scans: the pattern definition that splits a scan's points into
// interleaved groups, and the decoding of Hadamard readings.
#include "velspec_scan_had.h"

#include <memory>
#include <new>
#include <vector>

#include "velspec_had_decode.h"
#include "velspec_numeric.h"
#include "velspec_scan_col.h"
#include "velspec_scan_internal.h"
#include "velspec_util.h"

extern "C" {
hadPatDef patDefH;
}

namespace {

// Dark columns between the bands of two points: the left column of the band
// with the larger centre minus the right column of the other, minus one.
// Bands with equal centres overlap, which gives a negative gap.
int32_t BandGap(uint16_t center_a, uint16_t center_b, int32_t width) {
    const int32_t low = center_a < center_b ? center_a : center_b;
    const int32_t high = center_a < center_b ? center_b : center_a;
    const int32_t half = width / 2;
    const int32_t left_of_high = high - half;
    const int32_t right_of_low = low - half + width - 1;
    return left_of_high - right_of_low - 1;
}

// The smallest spacing s (1..15) at which the bands of points i and i + s
// have at least two dark columns between them for every tested i; the last
// point and its partner are not tested. 0 when no spacing works.
int32_t FindSpacing(const colPatDef &columns, int32_t points, int32_t width) {
    for (int32_t s = 1; s <= HAD_MAX_SPACING; ++s) {
        bool tested = false;
        bool separated = true;
        for (int32_t i = 0; i < points - s - 1 && separated; ++i) {
            tested = true;
            separated = BandGap(columns.center_column[i], columns.center_column[i + s], width) >= 2;
        }
        if (tested && separated) return s;
    }
    return 0;
}

}  // namespace

extern "C" int32_t velspec_scan_had_genPatDef(const scanCfg *cfg, const calibCoeffSet *coeffs,
                                              hadPatDef *out) {
    if (cfg == nullptr || coeffs == nullptr || out == nullptr) return VELSPEC_ERR_NULL;
    colPatDef columns;
    const int32_t status = velspec_scan_col_genPatDef(cfg, coeffs, &columns);
    if (status != VELSPEC_OK) return status;
    const int32_t points = cfg->num_patterns;
    const int32_t width = cfg->width_px;

    const int32_t spacing = FindSpacing(columns, points, width);
    if (spacing == 0) return VELSPEC_ERR_FAILED;
    // Group g holds the points g, g + s, ...; a group must fit its arrays.
    const int32_t largest_group = (points + spacing - 1) / spacing;
    if (largest_group > HAD_MAX_GROUP_POINTS) return VELSPEC_ERR_BAD_INPUT;

    out->num_groups = static_cast<uint8_t>(spacing);
    out->num_patterns = 0;
    for (int32_t g = 0; g < spacing; ++g) {
        hadPatGroup &group = out->groups[g];
        uint16_t count = 0;
        for (int32_t point = g; point < points; point += spacing) {
            group.point_index[count] = static_cast<uint16_t>(point);
            group.center_column[count] = columns.center_column[point];
            ++count;
        }
        group.num_columns = count;
        group.paley_order = static_cast<uint16_t>(getPaleyOrder(count));
        out->num_patterns = static_cast<uint16_t>(out->num_patterns + group.paley_order);
    }
    out->width_px = static_cast<uint16_t>(width);
    return VELSPEC_OK;
}

extern "C" int32_t velspec_scan_had_interpret(const scanData *data, scanResults *results) {
    if (data == nullptr || results == nullptr) return VELSPEC_ERR_NULL;
    velspec::CopySingleHeader(data, results);
    int32_t status = velspec_subtract_remove_dc_level(data, results);
    if (status != VELSPEC_OK) return status;

    const int32_t readings = results->length;
    double y[SCAN_MAX_ADC];
    for (int32_t i = 0; i < readings; ++i) y[i] = results->intensity[i];

    const scanCfg cfg = velspec::InlineConfig(data);
    std::unique_ptr<hadPatDef> def(new (std::nothrow) hadPatDef);
    if (!def) return VELSPEC_ERR_NO_MEMORY;
    status = velspec_scan_had_genPatDef(&cfg, &data->calibration_coeffs, def.get());
    if (status != VELSPEC_OK) return status;

    const double *c = data->calibration_coeffs.pixel_to_wavelength_coeffs;
    double x[SMATRIX_MAX_ORDER];
    int32_t offset = 0;
    int32_t points = 0;
    for (uint32_t g = 0; g < def->num_groups; ++g) {
        const hadPatGroup &group = def->groups[g];
        const uint16_t order = group.paley_order;
        // A group consumes one reading per matrix row; a record that holds
        // fewer readings has nothing to decode them from.
        if (order <= SMATRIX_MAX_ORDER && offset + order > readings) return VELSPEC_ERR_BAD_INPUT;
        status = velspec::HadDecodeGroup(y + offset, order, group.num_columns, x);
        if (status != VELSPEC_OK) return status;
        for (uint32_t band = 0; band < group.num_columns; ++band) {
            const uint16_t point = group.point_index[band];
            int32_t intensity = 0;
            velspec::TruncateToInt32(x[band], &intensity);
            results->intensity[point] = intensity;
            double column = group.center_column[band];
            if (data->width_px % 2 == 0) column -= 0.5;
            status = velspec_util_columnToNm(column, c, &results->wavelength[point]);
            if (status != VELSPEC_OK) return status;
        }
        offset += order;
        points += group.num_columns;
    }
    results->length = points;
    return VELSPEC_OK;
}
