#include "plot_axis.h"

#include <charconv>
#include <cmath>

namespace velscan {

AxisTicks RoundTicks(double low, double high, int target) {
    AxisTicks ticks;
    double raw = (high - low) / (target > 1 ? target : 1);
    double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double norm = raw / magnitude;
    double factor = norm < 1.5 ? 1 : norm < 3 ? 2 : norm < 7 ? 5 : 10;
    ticks.step = factor * magnitude;
    // Work in whole multiples of the step so that ticks never drift
    // (0.1 + 0.2 style sums) and zero is exactly zero.
    double first = std::ceil(low / ticks.step - 1e-9);
    double last = std::floor(high / ticks.step + 1e-9);
    for (double k = first; k <= last; k += 1) ticks.values.push_back(k * ticks.step);
    return ticks;
}

std::string TickLabel(double value, double step) {
    int decimals = 0;
    while (decimals < 12 &&
           std::fabs(step * std::pow(10.0, decimals) - std::round(step * std::pow(10.0, decimals))) > 1e-6)
        ++decimals;
    if (std::fabs(value) < step * 1e-6) value = 0;  // no "-0"
    char text[64];
    auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, result.ptr);
}

}  // namespace velscan
