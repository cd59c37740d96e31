// Every code an acquisition-layer or C-interface call can return, with its
// name and a plain-words text: the framing and transport codes, the device
// API's, the spectral library's, and the acquisition layer's own.
#pragma once

#include <span>

namespace velscan {

struct ErrorInfo {
    int code;
    const char *name;  // e.g. "kErrNotFound", "VEL_ERR_NOT_CONNECTED"
    const char *text;  // plain words, no trailing full stop
};

std::span<const ErrorInfo> ErrorTable();
// The entry for `code`, or null when the code is unknown.
const ErrorInfo *FindError(int code);
// The text for `code`; "unknown error" when it is not in the table.
const char *ErrorText(int code);

}  // namespace velscan
