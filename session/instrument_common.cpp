#include <algorithm>

#include "error_table.h"
#include "instrument_internal.h"

namespace velscan {

SharedState &Shared() {
    static SharedState state;
    return state;
}

DeviceAccess::DeviceAccess(const Instrument::State &state) : hold_(Shared().mutex) {
    if (state.index < 0 || devInfo[state.index].handle == nullptr) {
        status_ = Status::Fail(kErrClosed, "the instrument " + state.serial + " is not open");
        return;
    }
    currentIndex = state.index;
}

namespace {

Status Failed(const std::string &step, int code, ErrorDomain domain) {
    return Status::Fail(kErrInstrument, step + " failed (code " + std::to_string(code) + ": " +
                                            ErrorText(code, domain) + ")");
}

}  // namespace

Status CommandFailed(const std::string &step, int code) { return Failed(step, code, ErrorDomain::Command); }
Status ApiFailed(const std::string &step, int code) { return Failed(step, code, ErrorDomain::DeviceApi); }
Status SpectralFailed(const std::string &step, int code) { return Failed(step, code, ErrorDomain::Spectral); }

std::string NarrowText(const wchar_t *text) {
    std::string narrow;
    for (size_t i = 0; text && text[i] != L'\0'; ++i) {
        narrow += text[i] >= 0x20 && text[i] < 0x7F ? static_cast<char>(text[i]) : '?';
    }
    return narrow;
}

std::string NarrowSerial(const wchar_t *serial) {
    std::string text = NarrowText(serial);
    for (char &c : text) {
        if (c == ' ') {
            c = '?';
        }
    }
    return text;
}

std::string_view ScanKindName(ScanKind kind) {
    switch (kind) {
        case ScanKind::Column:
            return "column";
        case ScanKind::Hadamard:
            return "hadamard";
        case ScanKind::MultiSection:
            return "multi";
    }
    return "column";
}

double Configuration::start_nm() const {
    double start = 0;
    for (size_t i = 0; i < sections.size(); ++i) {
        start = i == 0 ? sections[i].start_nm : std::min(start, sections[i].start_nm);
    }
    return start;
}

double Configuration::end_nm() const {
    double end = 0;
    for (const Section &section : sections) {
        end = std::max(end, section.end_nm);
    }
    return end;
}

int Configuration::points() const {
    int total = 0;
    for (const Section &section : sections) {
        total += section.points;
    }
    return total;
}

}  // namespace velscan
