#include "status.h"

namespace velscan {

int Status::ExitCode() const {
    switch (code) {
        case kOk:
            return 0;
        case kErrArgument:
        case kErrInputFile:
        case kErrMismatch:
            return 2;
        case kErrNotFound:
            return 3;
        case kErrCannotOpen:
            return 4;
        default:
            return 1;
    }
}

}  // namespace velscan
