// Variables for an arbitrary tpl format string, so the fuzz target can map
// formats taken from its input.
//
// FormatVariables parses a format by the engine's grammar (rejecting anything
// outside it), lays out every record by natural alignment, allocates one
// zeroed block per variable, and lists the map arguments in the order the
// engine consumes them. It also remembers where strings and binaries land so
// the caller-owned copies that tpl_unpack makes can be released after each
// unpack.
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
    // Most map arguments a format may take (tpl_map is called with a fixed
    // argument list of this length).
    static constexpr size_t kMaxArgs = 24;

    // counts: the fixed lengths of the format, in order. Returns false when
    // the format is outside the grammar, takes too many arguments or its
    // counts would need more than max_bytes of variables.
    bool build(const std::string &format, const std::vector<uint32_t> &counts, size_t max_bytes);

    // tpl_map over the variables; null when the engine refuses.
    tpl_node *map() const;

    // Number of arrays (A) in the format; parent_array[i] is the index of the
    // array that directly holds array i (1-based, 0 for the top level).
    int array_count() const { return static_cast<int>(parent_array_.size()) - 1; }
    int parent_array(int index) const { return parent_array_[static_cast<size_t>(index)]; }

    // Release the strings and binaries tpl_unpack handed to the caller.
    void release_unpacked();

    ~FormatVariables() { release_unpacked(); }

private:
    struct Field {
        char kind;
        uint32_t count;
    };
    bool parse_items(bool in_array);
    bool parse_record();
    bool parse_fields(std::vector<Field> &fields);
    bool take_run(uint32_t *product);
    void *allocate(size_t bytes);
    bool push_arg(uintptr_t value);

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

// In-memory size of a format character's kind, 0 for anything else.
size_t kind_size(char kind);

}  // namespace fuzz
