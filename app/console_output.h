// The two ways the console writes: "line" (text plus one line end) and the
// separator (an empty line written as a line, i.e. two line ends).
#pragma once

#include <cstdio>

inline void console_line(const char *text)
{
    std::printf("%s\n", text);
}

inline void console_separator()
{
    console_line("\n");
}
