// Keeps the serialization engine's out-of-memory path from ending the
// calling program. The engine stops the process when an allocation fails, so
// its allocation hooks are wrapped: a failed allocation releases an emergency
// reserve and is tried again. Every C-interface call first makes sure the
// reserve is held and refuses (out of memory) when it cannot be, so the
// engine is only entered with room to recover. Input files are bounded
// (kMaxInputFileBytes) so that no single engine allocation exceeds the reserve.
#pragma once

#include <cstdint>

namespace velscan::capi {

inline constexpr uint64_t kMaxInputFileBytes = 16u << 20;

// True when the reserve is held (taking it again if an earlier call used it).
bool EngineReserveReady();

}  // namespace velscan::capi
