// The edge between C callers and the C++ acquisition layer: every exported
// function runs its body through Guarded, which turns exceptions into codes
// and records this thread's last failure message, and hands results out
// through TextOut/ArrayOut so that a too-small buffer is refused whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "engine_guard.h"
#include "status.h"
#include "velscan.h"

namespace velscan::capi {

// Records status as this thread's last result and returns its code.
int32_t Finish(const Status &status);
// This thread's last failure message ("" after a success).
const char *LastErrorMessage();

template <typename Body>
int32_t Guarded(Body &&body) noexcept {
    try {
        // The serialization engine ends the process when an allocation fails
        // and no reserve is left to retry with: refuse before going in.
        if (!EngineReserveReady()) return Finish(Status::Fail(kErrNoMemory, "out of memory"));
        return Finish(body());
    } catch (const std::bad_alloc &) {
        return Finish(Status::Fail(kErrNoMemory, "out of memory"));
    } catch (...) {
        return Finish(Status::Fail(VELSCAN_ERR_INTERNAL, "unexpected failure inside the library"));
    }
}

Status NullPointer(const char *what);
Status BadHandle(const char *what);

// Text out: see the conventions at the top of velscan.h.
Status TextOut(const std::string &text, char *buffer, size_t size, size_t *needed);
// Arrays out: values into out when count is at least values.size().
Status ArrayOut(const std::vector<double> &values, double *out, size_t count);

}  // namespace velscan::capi
