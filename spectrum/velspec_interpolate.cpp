// Linear resampling of a table of values onto new wavelengths or positions,
// and linear interpolation over pattern width.
#include <cstdint>
#include <new>
#include <vector>

#include "velspec_helper.h"
#include "velspec_numeric.h"

namespace {

using velspec::SaturateInt32;
using velspec::TruncateToInt32;
using velspec::WrapDiv;
using velspec::WrapMul;
using velspec::WrapSub;

// Where a new point lies relative to the old table.
enum class Place { exact, interior, before, past };

// One resampled value for the integer table. The difference of two values is
// taken as a 32-bit integer; each truncated quotient is saturated to 32 bits
// and the final value is worked out in 64 bits, so nothing overflows.
bool IntValue(Place place, const double *w, const int32_t *v, int32_t j, double x, int32_t *out) {
    int32_t step = 0;
    switch (place) {
        case Place::exact:
            *out = v[j];
            return true;
        case Place::interior: {
            if (w[j] == w[j - 1]) {
                *out = v[j];
                return true;
            }
            const double diff = WrapSub(v[j], v[j - 1]);
            const double ratio = (w[j] - x) / (w[j] - w[j - 1]);
            if (!TruncateToInt32(diff * ratio, &step)) return false;
            *out = SaturateInt32(static_cast<int64_t>(v[j]) - step);
            return true;
        }
        case Place::before: {
            if (w[1] == w[0]) {
                *out = v[0];
                return true;
            }
            const double diff = WrapSub(v[1], v[0]);
            if (!TruncateToInt32((diff * (w[0] - x)) / (w[1] - w[0]), &step)) return false;
            *out = SaturateInt32(static_cast<int64_t>(v[0]) - step);
            return true;
        }
        case Place::past: {
            if (w[j - 1] == w[j - 2]) {
                *out = v[j - 1];
                return true;
            }
            const double diff = WrapSub(v[j - 1], v[j - 2]);
            if (!TruncateToInt32((diff * (x - w[j - 1])) / (w[j - 1] - w[j - 2]), &step)) {
                return false;
            }
            *out = SaturateInt32(static_cast<int64_t>(step) + v[j - 1]);
            return true;
        }
    }
    return false;
}

// One resampled value for a double table, all in double precision: the
// interior case forms the ratio first, the end cases the product first.
bool DoubleValue(Place place, const double *w, const double *v, int32_t j, double x, double *out) {
    switch (place) {
        case Place::exact:
            *out = v[j];
            return true;
        case Place::interior:
            if (v[j] == v[j - 1]) {
                *out = v[j];
            } else {
                *out = v[j] - (v[j] - v[j - 1]) * ((w[j] - x) / (w[j] - w[j - 1]));
            }
            return true;
        case Place::before:
            if (w[1] == w[0]) {
                *out = v[0];
            } else {
                *out = v[0] - ((v[1] - v[0]) * (w[0] - x)) / (w[1] - w[0]);
            }
            return true;
        case Place::past:
            if (w[j - 1] == w[j - 2]) {
                *out = v[j - 1];
            } else {
                *out = ((v[j - 1] - v[j - 2]) * (x - w[j - 1])) / (w[j - 1] - w[j - 2]) + v[j - 1];
            }
            return true;
    }
    return false;
}

bool Compute(Place place, const double *w, const int32_t *v, int32_t j, double x, int32_t *out) {
    return IntValue(place, w, v, j, x, out);
}
bool Compute(Place place, const double *w, const double *v, int32_t j, double x, double *out) {
    return DoubleValue(place, w, v, j, x, out);
}

// The resampling walk shared by the three variants. The old table ends at
// table_limit entries or at the first wavelength of exactly 0.0. The search
// index j never moves backward, so the new points are taken to ascend. An end
// case that needs two old points where the table has fewer is refused rather
// than reading outside the table.
template <typename Value>
int32_t Resample(const double *new_x, int32_t new_count, double *old_w, Value *values, int32_t table_limit) {
    int32_t table_end = 0;
    while (table_end < table_limit && old_w[table_end] != 0.0) ++table_end;

    std::vector<Value> resampled;
    try {
        resampled.resize(static_cast<size_t>(new_count));
    } catch (const std::bad_alloc &) {
        return VELSPEC_ERR_NO_MEMORY;
    }

    int32_t j = 0;
    for (int32_t i = 0; i < new_count; ++i) {
        const double x = new_x[i];
        if (x == 0.0) return VELSPEC_ERR_BAD_INPUT;
        while (j < table_end && x > old_w[j]) ++j;
        Place place;
        if (j == table_end) {
            place = Place::past;
            if (j < 2) return VELSPEC_ERR_BAD_INPUT;
        } else if (old_w[j] == x) {
            place = Place::exact;
        } else if (j > 0) {
            place = Place::interior;
        } else {
            place = Place::before;
            if (table_end < 2) return VELSPEC_ERR_BAD_INPUT;
        }
        if (!Compute(place, old_w, values, j, x, &resampled[i])) return VELSPEC_ERR_BAD_INPUT;
    }

    for (int32_t i = 0; i < new_count; ++i) {
        values[i] = resampled[i] > 0 ? resampled[i] : Value{0};
        old_w[i] = new_x[i];
    }
    return VELSPEC_OK;
}

}  // namespace

extern "C" int32_t velspec_interpolate_int_wavelengths(const double *new_wl, int32_t new_count,
                                                       double *old_wl, int32_t *values, int32_t old_count) {
    if (new_wl == nullptr || old_wl == nullptr || values == nullptr) return VELSPEC_ERR_NULL;
    if (new_count < 1 || new_count > SCAN_MAX_ADC) return VELSPEC_ERR_BAD_INPUT;
    if (old_count < 1 || old_count > SCAN_MAX_ADC) return VELSPEC_ERR_BAD_INPUT;
    return Resample(new_wl, new_count, old_wl, values, old_count);
}

extern "C" int32_t velspec_interpolate_double_wavelengths(const double *new_wl, double *old_wl,
                                                          double *values, int32_t new_count) {
    if (new_wl == nullptr || old_wl == nullptr || values == nullptr) return VELSPEC_ERR_NULL;
    if (new_count <= 0) return VELSPEC_ERR_BAD_INPUT;
    return Resample(new_wl, new_count, old_wl, values, REF_MATRIX_WAVELENGTHS);
}

extern "C" int32_t velspec_interpolate_double_positions(const double *new_pos, double *old_pos,
                                                        double *values, int32_t new_count,
                                                        int32_t old_count) {
    if (new_pos == nullptr || old_pos == nullptr || values == nullptr) return VELSPEC_ERR_NULL;
    if (new_count <= 0 || old_count < 0) return VELSPEC_ERR_BAD_INPUT;
    return Resample(new_pos, new_count, old_pos, values, old_count);
}

extern "C" int32_t velspec_compute_from_references(uint32_t a, uint32_t b, uint32_t ya, uint32_t yb,
                                                   int32_t x, int32_t *out) {
    if (out == nullptr) return VELSPEC_ERR_NULL;
    if (a == b) return VELSPEC_ERR_BAD_INPUT;
    // Signed 32-bit arithmetic throughout, products wrapping; each case
    // takes its truncated quotient from the point on its own side, so the
    // three forms differ in rounding on purpose.
    const int32_t sa = static_cast<int32_t>(a), sb = static_cast<int32_t>(b);
    const int32_t sya = static_cast<int32_t>(ya), syb = static_cast<int32_t>(yb);
    const int32_t rise = WrapSub(syb, sya);
    const int32_t run = WrapSub(sb, sa);
    if (run == 0) return VELSPEC_ERR_BAD_INPUT;
    if (x < sa && x < sb) {
        *out = WrapSub(sya, WrapDiv(WrapMul(rise, WrapSub(sa, x)), run));
    } else if (x > sa && x > sb) {
        *out = velspec::WrapAdd(WrapDiv(WrapMul(rise, WrapSub(x, sb)), run), syb);
    } else {
        *out = WrapSub(syb, WrapDiv(WrapMul(rise, WrapSub(sb, x)), run));
    }
    return VELSPEC_OK;
}
