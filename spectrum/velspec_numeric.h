// Integer conversions and wrapping arithmetic shared by the spectral
// library's sources (internal, C++ only).
#ifndef VELSCAN_VELSPEC_NUMERIC_H
#define VELSCAN_VELSPEC_NUMERIC_H

#include <cmath>
#include <cstdint>
#include <limits>

namespace velspec {

// A double truncated toward zero to a 32-bit integer. Values beyond the
// 32-bit range saturate at its ends (a plain conversion would be undefined);
// NaN has no integer value and is refused.
inline bool TruncateToInt32(double value, int32_t *out) {
    if (std::isnan(value)) return false;
    if (value >= 2147483647.0) {
        *out = std::numeric_limits<int32_t>::max();
    } else if (value <= -2147483648.0) {
        *out = std::numeric_limits<int32_t>::min();
    } else {
        *out = static_cast<int32_t>(value);
    }
    return true;
}

// A 64-bit intermediate saturated to the 32-bit range.
inline int32_t SaturateInt32(int64_t value) {
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

// Two's-complement 32-bit arithmetic that wraps instead of overflowing, as
// the device's firmware arithmetic does.
inline int32_t WrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t WrapSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t WrapMul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
// Truncating division; the one overflowing case (minimum / -1) wraps.
// The divisor must not be 0.
inline int32_t WrapDiv(int32_t a, int32_t b) {
    if (b == -1) return WrapSub(0, a);
    return a / b;
}

}  // namespace velspec

#endif  // VELSCAN_VELSPEC_NUMERIC_H
