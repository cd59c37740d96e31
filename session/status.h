// Result of every acquisition-layer call: a code (0 success, one of the
// kErr* values here on failure) and a message in plain words for the person
// at the keyboard. A failing code of a layer below (device API, framing,
// transport, spectral library) is named in the message, never returned as
// the code, since those numberings overlap. error_table.h lists every code
// of every layer with its name and text.
#pragma once

#include <string>
#include <utility>

namespace velscan {

enum : int {
    kOk = 0,
    kErrNotFound = -400,     // no instrument found (or none with the serial asked for)
    kErrCannotOpen = -401,   // found but cannot be opened (permissions, busy)
    kErrArgument = -402,     // a value out of range or an unknown name
    kErrInputFile = -403,    // an input file is unreadable or malformed
    kErrMismatch = -404,     // reference/dark/wide file does not match the scan's wavelengths
    kErrOutputFile = -405,   // an output file cannot be written
    kErrInstrument = -406,   // an instrument step failed (message names the step and code)
    kErrScanTimeout = -407,  // the instrument never reported the scan finished
    kErrClosed = -408,       // the instrument handle is closed or was never opened
    kErrNoMemory = -409,     // an allocation failed
    kErrImplausible = -410,  // the instrument reported an implausible value (scan time over an hour)
};

struct Status {
    int code = kOk;
    std::string message;  // empty on success

    bool ok() const { return code == kOk; }
    explicit operator bool() const { return ok(); }
    // Exit code of the command-line front end for this result:
    // 0 success; 1 instrument or file failed; 2 usage or input error;
    // 3 no instrument found; 4 found but cannot be opened.
    int ExitCode() const;

    static Status Ok() { return {}; }
    static Status Fail(int code, std::string message) { return {code, std::move(message)}; }
};

}  // namespace velscan
