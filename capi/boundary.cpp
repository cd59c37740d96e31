#include "boundary.h"

#include <cstring>

namespace velscan::capi {

namespace {

thread_local std::string last_error;

}  // namespace

int32_t Finish(const Status &status) {
    try {
        last_error = status.ok() ? std::string() : status.message;
    } catch (...) {
        last_error.clear();  // no room for the message; the code still tells
    }
    return status.code;
}

const char *LastErrorMessage() { return last_error.c_str(); }

Status NullPointer(const char *what) {
    return Status::Fail(VELSCAN_ERR_NULL_POINTER, std::string(what) + " is NULL");
}

Status BadHandle(const char *what) {
    return Status::Fail(VELSCAN_ERR_BAD_HANDLE,
                        std::string(what) + " is not a live handle (closed, freed or never handed out)");
}

Status TextOut(const std::string &text, char *buffer, size_t size, size_t *needed) {
    const size_t bytes = text.size() + 1;
    if (buffer == nullptr && size > 0) return NullPointer("buffer");
    if (needed != nullptr) *needed = bytes;
    if (size < bytes)
        return Status::Fail(
            VELSCAN_ERR_BUFFER_TOO_SMALL,
            "the buffer holds " + std::to_string(size) + " bytes, the text needs " + std::to_string(bytes));
    std::memcpy(buffer, text.c_str(), bytes);
    return Status::Ok();
}

Status ArrayOut(const std::vector<double> &values, double *out, size_t count) {
    if (out == nullptr) return NullPointer("out");
    if (count < values.size())
        return Status::Fail(VELSCAN_ERR_BUFFER_TOO_SMALL, "the array holds " + std::to_string(count) +
                                                              " values, the spectrum has " +
                                                              std::to_string(values.size()));
    if (!values.empty()) std::memcpy(out, values.data(), values.size() * sizeof(double));
    return Status::Ok();
}

}  // namespace velscan::capi
