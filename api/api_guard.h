// Keeps C++ exceptions from reaching the C callers of the device API.
#pragma once

#include <stdint.h>

namespace velscan::api {

// Runs body and returns its result; should anything below throw (an
// allocation in a backend, say), returns `on_exception` instead.
template <typename Body>
int32_t ApiGuarded(int32_t on_exception, Body &&body) noexcept {
    try {
        return body();
    } catch (...) {
        return on_exception;
    }
}

}  // namespace velscan::api
