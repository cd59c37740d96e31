// The two ways the console writes: "line" (text plus one line end) and the
// separator (an empty line written as a line, i.e. two line ends).
#pragma once

#include <cstdio>

namespace velscan::console {

inline void ConsoleLine(const char *text) { std::printf("%s\n", text); }

inline void ConsoleSeparator() { ConsoleLine("\n"); }

}  // namespace velscan::console
