#include "console_input.h"

#include <cctype>
#include <cstdio>

namespace velscan::console {

namespace {

int SkipBlanks() {
    int c = std::getchar();
    while (c != EOF && std::isspace(c)) c = std::getchar();
    return c;
}

void DiscardLine(int c) {
    while (c != EOF && c != '\n') c = std::getchar();
}

}  // namespace

bool ConsoleReadCommand(char *command) {
    int c = SkipBlanks();
    if (c == EOF) return false;
    *command = static_cast<char>(c);
    return true;
}

bool ConsoleReadNumber(int32_t *number) {
    int c = SkipBlanks();
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = (c == '-');
        c = std::getchar();
    }
    if (c == EOF || !std::isdigit(c)) {
        DiscardLine(c);
        return false;
    }
    // Accumulate with a ceiling so an absurdly long answer cannot overflow.
    const int64_t limit = int64_t{INT32_MAX} + 1;
    int64_t value = 0;
    while (c != EOF && std::isdigit(c)) {
        if (value <= limit) value = value * 10 + (c - '0');
        c = std::getchar();
    }
    if (c != EOF) std::ungetc(c, stdin);
    if (negative) value = -value;
    if (value > INT32_MAX || value < INT32_MIN) {
        DiscardLine(c == EOF ? EOF : std::getchar());
        return false;
    }
    *number = static_cast<int32_t>(value);
    return true;
}

}  // namespace velscan::console
