// Armed faults and the decision which one strikes an exchange.
#ifndef VELSCAN_EMULATOR_FAULT_PLAN_H
#define VELSCAN_EMULATOR_FAULT_PLAN_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "virtual_control.h"

namespace virt {

class FaultPlan {
public:
    void Arm(const FaultSpec &fault_spec) { armed_.push_back({fault_spec, 0}); }
    void Clear() { armed_.clear(); }
    size_t Size() const { return armed_.size(); }

    // The fault among `kinds` that strikes this exchange of `command`, if
    // any. Every matching fault still waiting out its skip count counts the
    // exchange; the first one whose count is used up strikes, and a one-shot
    // fault is disarmed by striking.
    std::optional<FaultSpec> Strike(uint16_t command, std::initializer_list<Fault> kinds);

    // CorruptImage at the start of a download of `file_type`.
    std::optional<FaultSpec> StrikeDownload(uint32_t file_type);

private:
    struct Armed {
        FaultSpec fault_spec;
        uint32_t seen;
    };
    bool Matches(const FaultSpec &fault_spec, uint16_t command) const;
    std::optional<FaultSpec> Take(size_t index);
    std::vector<Armed> armed_;
};

}  // namespace virt

#endif
