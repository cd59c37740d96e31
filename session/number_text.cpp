#include "number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace velscan {

void AppendNumber(std::string &out, double value) {
    if (!std::isfinite(value)) {
        return;
    }
    char buffer[32];
    // Whole numbers (counts, most wavelengths of a reference) take the much
    // quicker integer path; its digits are the same as the shortest form's
    // below 2^53, where every integer is exact.
    if (value == static_cast<double>(static_cast<int64_t>(value)) && value > -9.0e15 && value < 9.0e15 &&
        !(value == 0 && std::signbit(value))) {
        auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<int64_t>(value));
        out.append(buffer, result.ptr);
        return;
    }
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

std::string NumberText(double value) {
    std::string text;
    AppendNumber(text, value);
    return text;
}

bool ParseNumber(std::string_view text, double &out) {
    if (text.empty() || text.front() == '+') {
        return false;
    }
    double value = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(value)) {
        return false;
    }
    out = value;
    return true;
}

}  // namespace velscan
