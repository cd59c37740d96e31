// Reading the operator's answers from standard input.
#pragma once

#include <stdint.h>

namespace velscan::console {

// Skips white space (line ends included) and takes the next character, like
// the " %c" conversion. Returns false at the end of input.
bool ConsoleReadCommand(char *command);

// Reads a decimal number with "%d" semantics: white space skipped, optional
// sign, digits. Characters after the number stay in the input and become the
// next commands. Returns false when no number could be read (end of input,
// no digits, or a value outside the signed 32-bit range); the rest of that
// line is then discarded so stray letters are not run as commands.
bool ConsoleReadNumber(int32_t *number);

}  // namespace velscan::console
