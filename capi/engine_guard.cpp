#include "engine_guard.h"

#include <atomic>
#include <cstdlib>

#include "tpl.h"

namespace velscan::capi {

namespace {

// Address space for what the engine allocates while decoding the largest
// input let in, several times over.
constexpr size_t kReserveBytes = 4 * kMaxInputFileBytes;

std::atomic<void *> reserve{nullptr};
void *(*next_allocate)(size_t) = nullptr;
void *(*next_reallocate)(void *, size_t) = nullptr;

bool ReleaseReserve() {
    void *held = reserve.exchange(nullptr);
    if (held == nullptr) return false;
    std::free(held);
    return true;
}

void *Allocate(size_t size) {
    void *p = next_allocate(size);
    while (p == nullptr && ReleaseReserve()) p = next_allocate(size);
    return p;
}

void *Reallocate(void *ptr, size_t size) {
    void *p = next_reallocate(ptr, size);
    while (p == nullptr && ReleaseReserve()) p = next_reallocate(ptr, size);
    return p;
}

// Wraps the hooks once, when the library is loaded, before any call can
// reach the engine; whatever allocator was installed keeps doing the work.
struct HookInstaller {
    HookInstaller() {
        next_allocate = tpl_hook.allocate;
        next_reallocate = tpl_hook.reallocate;
        tpl_hook.allocate = Allocate;
        tpl_hook.reallocate = Reallocate;
        EngineReserveReady();
    }
} installer;

}  // namespace

bool EngineReserveReady() {
    if (reserve.load() != nullptr) return true;
    void *fresh = std::malloc(kReserveBytes);
    if (fresh == nullptr) return false;
    void *expected = nullptr;
    if (!reserve.compare_exchange_strong(expected, fresh)) std::free(fresh);  // another thread was first
    return true;
}

}  // namespace velscan::capi
