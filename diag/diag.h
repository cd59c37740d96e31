// One sink for every line the libraries would print: the device API's and
// spectral library's debug lines (Output) and the serialization engine's
// error reports (Error). No sink installed (the default): nothing is printed.
// The menu installs StdioSink, so its transcripts keep those lines; the
// subcommands leave it silent, the C interface hands it to the caller.
#pragma once

#include <cstdarg>

namespace velscan::diag {

enum class Channel {
    Output,  // lines the menu shows on standard output
    Error,   // lines the menu shows on standard error
};

// `text` is one formatted message as the library wrote it (usually ending
// in a newline).
using Sink = void (*)(void *user, Channel channel, const char *text);

struct SinkSlot {
    Sink sink = nullptr;
    void *user = nullptr;
};

// Installs `sink` (null: silent) and returns the one it replaces.
SinkSlot SetSink(Sink sink, void *user);

// Output to stdout, Error to stderr.
void StdioSink(void *user, Channel channel, const char *text);

// printf-style; formats only when a sink is installed.
void Print(const char *format, ...) __attribute__((format(printf, 1, 2)));
void PrintError(const char *format, ...) __attribute__((format(printf, 1, 2)));
int VPrint(Channel channel, const char *format, va_list args);

}  // namespace velscan::diag
