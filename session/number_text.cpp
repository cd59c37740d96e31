#include "number_text.h"

#include <charconv>
#include <cmath>

namespace velscan {

void AppendNumber(std::string &out, double value) {
    if (!std::isfinite(value)) {
        return;
    }
    char buffer[32];
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
