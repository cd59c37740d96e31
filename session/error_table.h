// Every code the layers can report, with its name and a plain-words text:
// the framing and transport codes of the device commands, the device API's
// codes, the spectral library's, and the acquisition layer's own. The same
// number means different things in different layers (-3 is a framing status
// and the API's "could not be opened"), so each entry carries its layer.
//
// Acquisition-layer calls always return their own codes (kErr*); a code of a
// layer below appears in the message, named with this table.
#pragma once

#include <span>

namespace velscan {

enum class ErrorDomain {
    Session,    // kErr* of status.h (-400 .. -410) and 0
    DeviceApi,  // VEL_ERR_* of the device API (-3, -13 .. -35, -231)
    Command,    // ZOR_* results: framing -1 .. -5, transport -101 .. -104
    Spectral,   // VELSPEC_ERR_* of the spectral library (-1 .. -6)
};

struct ErrorInfo {
    ErrorDomain domain;
    int code;
    const char *name;  // e.g. "kErrNotFound", "VEL_ERR_START_SCAN"
    const char *text;  // plain words, lower case, no full stop
};

std::span<const ErrorInfo> ErrorTable();
// The entry of `code` in `domain`, or null.
const ErrorInfo *FindError(int code, ErrorDomain domain = ErrorDomain::Session);
// Its text; "unknown error" when the table has no such entry.
const char *ErrorText(int code, ErrorDomain domain = ErrorDomain::Session);

}  // namespace velscan
