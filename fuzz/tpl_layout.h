// Variables for an arbitrary tpl format string, so the fuzz target can map
// formats taken from its input: the format is parsed by the engine's grammar,
// every record laid out by natural alignment, one zeroed block allocated per
// variable, and the map arguments listed in the order the engine takes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tpl.h"

namespace fuzz {

class FormatVariables {
public:
    // tpl_map is called with a fixed argument list of this length.
    static constexpr size_t kMaxArgs = 24;

    // counts: the format's fixed lengths, in order. False when the format is
    // outside the grammar, takes too many arguments or its variables would
    // need more than max_bytes.
    bool Build(const std::string &format, const std::vector<uint32_t> &counts, size_t max_bytes);
    // Null when the engine refuses the format.
    tpl_node *Map() const;

    // Arrays are numbered from 1 in format order; ParentArray is the array
    // directly holding one (0 for the top level).
    int ArrayCount() const { return static_cast<int>(parent_array_.size()) - 1; }
    int ParentArray(int index) const { return parent_array_[static_cast<size_t>(index)]; }

    // Frees the strings and binaries tpl_unpack handed to the caller.
    void ReleaseUnpacked();
    ~FormatVariables() { ReleaseUnpacked(); }

private:
    struct Field {
        char kind;
        uint32_t count;
    };
    bool ParseItems(bool in_array);
    bool ParseRecord();
    bool ParseFields(std::vector<Field> &fields);
    bool TakeRun(uint32_t *product);
    void *Allocate(size_t bytes);
    bool PushArg(uintptr_t value);

    std::string fmt_;
    size_t pos_ = 0;
    std::vector<uint32_t> counts_;
    size_t next_count_ = 0;
    size_t max_bytes_ = 0;
    size_t used_bytes_ = 0;
    int current_array_ = 0;
    std::vector<int> parent_array_{0};
    std::vector<uintptr_t> args_;
    std::vector<std::unique_ptr<unsigned char[]>> blocks_;
    std::vector<char **> string_slots_;
    std::vector<tpl_binary *> binary_slots_;
};

}  // namespace fuzz
