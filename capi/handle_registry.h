// Live handles of one kind. A handle handed to C callers is a number, never
// an address: numbers come from one counter shared by all kinds and are
// never reused, so a closed, freed or foreign handle is simply not found,
// and nothing behind a stale handle is ever dereferenced.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace velscan::capi {

// The counter behind every handle of every kind (starts above 0: NULL is never a handle).
uint64_t NextHandleNumber();

template <typename Object, typename Handle>
class HandleRegistry {
public:
    // Takes ownership and returns the new handle.
    Handle *Add(std::shared_ptr<Object> object) {
        const uint64_t number = NextHandleNumber();
        std::lock_guard<std::mutex> lock(mutex_);
        live_.emplace(number, std::move(object));
        return reinterpret_cast<Handle *>(static_cast<uintptr_t>(number));
    }

    // The object behind a live handle, shared so that a concurrent Remove
    // cannot pull it away mid-call; null when the handle is not live.
    std::shared_ptr<Object> Find(const Handle *handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = live_.find(Number(handle));
        return it == live_.end() ? nullptr : it->second;
    }

    // Ends a handle; the object goes when its last user lets go. False when not live.
    bool Remove(const Handle *handle) {
        std::shared_ptr<Object> last;  // released after the lock
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = live_.find(Number(handle));
        if (it == live_.end()) return false;
        last = std::move(it->second);
        live_.erase(it);
        return true;
    }

private:
    static uint64_t Number(const Handle *handle) { return reinterpret_cast<uintptr_t>(handle); }

    std::mutex mutex_;
    std::map<uint64_t, std::shared_ptr<Object>> live_;
};

}  // namespace velscan::capi
