// Axis ticks for plots: round-number steps (1, 2 or 5 times a power of ten)
// and their labels, written the same way in every locale.
#pragma once

#include <string>
#include <vector>

namespace velscan {

struct AxisTicks {
    double step = 0;             // distance between ticks
    std::vector<double> values;  // tick positions inside [low, high], ascending
};

// About `target` ticks over [low, high] (low < high), at multiples of a
// 1-2-5 step.
AxisTicks RoundTicks(double low, double high, int target);

// The tick value with as many decimals as the step needs ("1450", "0.25").
std::string TickLabel(double value, double step);

}  // namespace velscan
