#include "fault_plan.h"

#include <algorithm>

namespace virt {

namespace {

constexpr uint16_t kGetFileSizeToRead = 0x002d;
constexpr uint16_t kGetFileData = 0x002e;

// A fault with no command named hits the command it is about: a download
// start for a corrupted image, a file piece for serial-link pieces, and any
// command for the rest.
uint32_t NaturalCommand(const FaultSpec &fault_spec) {
    if (fault_spec.command != kAnyCommand) return fault_spec.command;
    if (fault_spec.fault == Fault::CorruptImage) return kGetFileSizeToRead;
    if (fault_spec.fault == Fault::SerialLinkPieces) return kGetFileData;
    return kAnyCommand;
}

}  // namespace

bool FaultPlan::Matches(const FaultSpec &fault_spec, uint16_t command) const {
    uint32_t wanted = NaturalCommand(fault_spec);
    return wanted == kAnyCommand || wanted == command;
}

std::optional<FaultSpec> FaultPlan::Take(size_t index) {
    FaultSpec fault_spec = armed_[index].fault_spec;
    if (!fault_spec.persistent) armed_.erase(armed_.begin() + static_cast<std::ptrdiff_t>(index));
    return fault_spec;
}

std::optional<FaultSpec> FaultPlan::Strike(uint16_t command, std::initializer_list<Fault> kinds) {
    std::optional<size_t> strike;
    for (size_t i = 0; i < armed_.size(); ++i) {
        Armed &a = armed_[i];
        if (std::find(kinds.begin(), kinds.end(), a.fault_spec.fault) == kinds.end()) continue;
        if (a.fault_spec.fault == Fault::CorruptImage || !Matches(a.fault_spec, command)) continue;
        if (a.seen < a.fault_spec.skip) {
            ++a.seen;
            continue;
        }
        if (!strike) strike = i;
    }
    if (!strike) return std::nullopt;
    return Take(*strike);
}

std::optional<FaultSpec> FaultPlan::StrikeDownload(uint32_t file_type) {
    std::optional<size_t> strike;
    for (size_t i = 0; i < armed_.size(); ++i) {
        Armed &a = armed_[i];
        if (a.fault_spec.fault != Fault::CorruptImage || !Matches(a.fault_spec, kGetFileSizeToRead)) continue;
        if (a.fault_spec.file_type != kAnyFile && a.fault_spec.file_type != file_type) continue;
        if (a.seen < a.fault_spec.skip) {
            ++a.seen;
            continue;
        }
        if (!strike) strike = i;
    }
    if (!strike) return std::nullopt;
    return Take(*strike);
}

}  // namespace virt
