#include "diag.h"

#include <cstdio>
#include <mutex>

namespace velscan::diag {

namespace {

std::mutex sink_mutex;
SinkSlot current;

}  // namespace

SinkSlot SetSink(Sink sink, void *user) {
    std::lock_guard<std::mutex> hold(sink_mutex);
    SinkSlot previous = current;
    current = SinkSlot{sink, user};
    return previous;
}

void StdioSink(void *, Channel channel, const char *text) {
    std::fputs(text, channel == Channel::Output ? stdout : stderr);
}

int VPrint(Channel channel, const char *format, va_list args) {
    SinkSlot slot;
    {
        std::lock_guard<std::mutex> hold(sink_mutex);
        slot = current;
    }
    if (!slot.sink) {
        return 0;
    }
    // Library lines are short; a longer one is cut rather than allocated for.
    char text[1024];
    int length = std::vsnprintf(text, sizeof text, format, args);
    if (length < 0) {
        return length;
    }
    slot.sink(slot.user, channel, text);
    return length;
}

void Print(const char *format, ...) {
    va_list args;
    va_start(args, format);
    VPrint(Channel::Output, format, args);
    va_end(args);
}

void PrintError(const char *format, ...) {
    va_list args;
    va_start(args, format);
    VPrint(Channel::Error, format, args);
    va_end(args);
}

}  // namespace velscan::diag
