#include "error_table.h"

#include "status.h"

namespace velscan {

namespace {

constexpr ErrorInfo kErrors[] = {
    {kOk, "kOk", "success"},
};

}  // namespace

std::span<const ErrorInfo> ErrorTable() { return kErrors; }

const ErrorInfo *FindError(int code) {
    for (const ErrorInfo &entry : kErrors) {
        if (entry.code == code) {
            return &entry;
        }
    }
    return nullptr;
}

const char *ErrorText(int code) {
    const ErrorInfo *entry = FindError(code);
    return entry ? entry->text : "unknown error";
}

}  // namespace velscan
