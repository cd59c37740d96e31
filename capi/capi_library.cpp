// Version, code texts, this thread's last message and the diagnostics sink.
#include <cstring>
#include <mutex>
#include <string>

#include "boundary.h"
#include "diag.h"
#include "error_table.h"
#include "velscan.h"

namespace {

struct InterfaceError {
    int32_t code;
    const char *text;
};

// Codes of the C interface itself, beside the acquisition layer's, whose
// texts come from its table.
constexpr InterfaceError kInterfaceErrors[] = {
    {VELSCAN_ERR_NULL_POINTER, "a required pointer argument was NULL"},
    {VELSCAN_ERR_BAD_HANDLE, "the handle is closed, freed, of the other kind, or was never handed out"},
    {VELSCAN_ERR_BUFFER_TOO_SMALL, "the buffer is smaller than the result"},
    {VELSCAN_ERR_NOT_AVAILABLE, "the spectrum has no such metadata key or values"},
    {VELSCAN_ERR_INTERNAL, "an unexpected failure inside the library; nothing was changed"},
};

struct LogTarget {
    velscan_log_fn fn = nullptr;
    void *user = nullptr;
};

std::mutex log_mutex;
LogTarget log_target;

// The layers hand over formatted messages that may hold several lines or end
// in a line end; the caller gets one line per call, without the line end.
void ForwardLines(void *, velscan::diag::Channel, const char *text) {
    LogTarget target;
    {
        std::lock_guard<std::mutex> hold(log_mutex);
        target = log_target;
    }
    if (target.fn == nullptr) return;
    char line[1024];
    const char *start = text;
    while (*start != '\0') {
        const char *end = std::strchr(start, '\n');
        const size_t length = end != nullptr ? static_cast<size_t>(end - start) : std::strlen(start);
        const size_t kept = length < sizeof line - 1 ? length : sizeof line - 1;
        std::memcpy(line, start, kept);
        line[kept] = '\0';
        if (kept > 0) target.fn(target.user, line);
        start += length;
        if (*start == '\n') ++start;
    }
}

}  // namespace

extern "C" const char *velscan_version_string(void) { return VELSCAN_VERSION_STRING; }

extern "C" const char *velscan_strerror(int32_t code) {
    if (const velscan::ErrorInfo *entry = velscan::FindError(code, velscan::ErrorDomain::Session))
        return entry->text;
    for (const InterfaceError &entry : kInterfaceErrors)
        if (entry.code == code) return entry.text;
    return "unknown error code";
}

extern "C" const char *velscan_last_error_message(void) { return velscan::capi::LastErrorMessage(); }

extern "C" int32_t velscan_set_log(velscan_log_fn fn, void *user) {
    {
        std::lock_guard<std::mutex> hold(log_mutex);
        log_target = LogTarget{fn, user};
    }
    velscan::diag::SetSink(fn != nullptr ? ForwardLines : nullptr, nullptr);
    return velscan::capi::Finish(velscan::Status::Ok());
}
