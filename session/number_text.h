// Numbers as text, independent of the locale: the shortest form that reads
// back to the same double, and a strict reader for it.
#pragma once

#include <string>
#include <string_view>

namespace velscan {

// Shortest round-trip form ("1234", "0.5", "1.0000000000000002"); NaN and
// infinities give the empty string (an empty cell).
std::string NumberText(double value);
void AppendNumber(std::string &out, double value);
// The whole of `text` as a finite number (no spaces, no "nan", no "inf").
bool ParseNumber(std::string_view text, double &out);

}  // namespace velscan
