// The device commands the link fuzz target drives, as a table: each entry
// takes its arguments from the input, calls one command wrapper (or the
// file transfer) with exact-size heap blocks for its out-parameters, and
// checks what the wrapper promises about sizes. Shared with the seed
// generator, which runs the same entries against the virtual spectrometer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "fuzz_input.h"

namespace fuzz {

// Exact-size output blocks filled with a marker, to see whether a command
// that failed wrote its out-parameters.
class Outputs {
public:
    static constexpr uint8_t kMarker = 0xA5;
    template <typename T>
    T *Make(size_t count = 1) {
        size_t bytes = sizeof(T) * count;
        blocks_.push_back({std::unique_ptr<uint8_t[]>(new uint8_t[bytes]), bytes});
        for (size_t i = 0; i < bytes; ++i) blocks_.back().data[i] = kMarker;
        return reinterpret_cast<T *>(blocks_.back().data.get());
    }
    bool Untouched() const {
        for (const Block &b : blocks_)
            for (size_t i = 0; i < b.size; ++i)
                if (b.data[i] != kMarker) return false;
        return true;
    }

private:
    struct Block {
        std::unique_ptr<uint8_t[]> data;
        size_t size;
    };
    std::vector<Block> blocks_;
};

using LinkCommand = std::function<int32_t(ByteCursor &, Outputs &)>;

const std::vector<LinkCommand> &LinkCommands();

// Positions of a few entries in LinkCommands(), for the seed generator.
constexpr uint8_t kLinkGetFileSizeToRead = 3;
constexpr uint8_t kLinkGetFile = 5;
constexpr uint8_t kLinkPerformScan = 19;

}  // namespace fuzz
