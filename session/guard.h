// Keeps exceptions (a failed allocation, a JSON library error) from leaving
// the acquisition layer's public functions.
#pragma once

#include <exception>
#include <new>

#include "status.h"

namespace velscan {

template <typename Body>
Status Guarded(Body &&body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc &) {
        return Status{kErrNoMemory, "out of memory"};
    } catch (const std::exception &error) {
        try {
            return Status{kErrInstrument, std::string("internal error: ") + error.what()};
        } catch (...) {
            return Status{kErrNoMemory, ""};
        }
    } catch (...) {
        return Status{kErrNoMemory, ""};
    }
}

}  // namespace velscan
