// Variables for an arbitrary tpl format string, so the fuzz target can map
// formats taken from its input: the format is parsed by the engine's grammar,
// every record laid out by natural alignment, one zeroed block allocated per
// variable, and the map arguments listed in the order the engine takes them.
#pragma once

#include <string>

#include "fuzz_input.h"
#include "tpl.h"

namespace fuzz {

// In-memory size of a scalar or string kind, which is also its alignment;
// 0 for anything else.
inline size_t KindSize(char kind) {
    static const char kKinds[] = "cjviufIUs";
    static const size_t kSizes[] = {1, 2, 2, 4, 4, 8, 8, 8, sizeof(char *)};
    const char *found = kind != 0 ? std::strchr(kKinds, kind) : nullptr;
    return found ? kSizes[found - kKinds] : 0;
}

inline size_t RoundUp(size_t offset, size_t align) { return (offset + align - 1) / align * align; }

class FormatVariables {
public:
    // tpl_map is called with a fixed argument list of this length.
    static constexpr size_t kMaxArgs = 24;

    // counts: the format's fixed lengths, in order. False when the format is
    // outside the grammar, takes too many arguments or its variables would
    // need more than max_bytes.
    bool Build(const std::string &format, const std::vector<uint32_t> &counts, size_t max_bytes) {
        fmt_ = format;
        counts_ = counts;
        max_bytes_ = max_bytes;
        if (fmt_.empty() || !ParseItems(false)) return false;
        // Every character used and every fixed length consumed.
        return pos_ == fmt_.size() && next_count_ == counts_.size();
    }

    // Null when the engine refuses the format.
    tpl_node *Map() const {
        uintptr_t a[kMaxArgs] = {};
        for (size_t i = 0; i < args_.size(); ++i) a[i] = args_[i];
        // The engine reads each argument as a pointer or, for '#', an int. On the
        // x86-64 and AArch64 calling conventions an int read from a 64-bit slot is
        // its low half, which holds the count; unused trailing slots are never read.
        return tpl_map(fmt_.c_str(), a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11],
                       a[12], a[13], a[14], a[15], a[16], a[17], a[18], a[19], a[20], a[21], a[22], a[23]);
    }

    // Arrays are numbered from 1 in format order; ParentArray is the array
    // directly holding one (0 for the top level).
    int ArrayCount() const { return static_cast<int>(parent_array_.size()) - 1; }
    int ParentArray(int index) const { return parent_array_[static_cast<size_t>(index)]; }

    // Frees the strings and binaries tpl_unpack handed to the caller.
    void ReleaseUnpacked() {
        for (char **slot : string_slots_) {
            std::free(*slot);
            *slot = nullptr;
        }
        for (tpl_binary *bin : binary_slots_) {
            std::free(bin->addr);
            bin->addr = nullptr;
            bin->sz = 0;
        }
    }
    ~FormatVariables() { ReleaseUnpacked(); }

private:
    struct Field {
        char kind;
        uint32_t count;
    };

    void *Allocate(size_t bytes) {
        if (bytes == 0) bytes = 1;
        if (bytes > max_bytes_ - used_bytes_) return nullptr;
        used_bytes_ += bytes;
        blocks_.emplace_back(new unsigned char[bytes]());
        return blocks_.back().get();
    }

    bool PushArg(uintptr_t value) {
        if (args_.size() >= kMaxArgs) return false;
        args_.push_back(value);
        return true;
    }

    // A run of '#': multiplies the counts and passes each one as an argument.
    bool TakeRun(uint32_t *product) {
        uint64_t total = 1;
        int run = 0;
        while (pos_ < fmt_.size() && fmt_[pos_] == '#') {
            if (++run > 10 || next_count_ >= counts_.size()) return false;
            uint32_t count = counts_[next_count_++];
            // The engine ends the process on a count below 1: no input error
            // worth exploring.
            if (count < 1 || count > 0x7fffffffu) return false;
            total *= count;
            if (total > max_bytes_ || !PushArg(count)) return false;
            ++pos_;
        }
        *product = static_cast<uint32_t>(total);
        return true;
    }

    // Items at the top level or inside A( ... ).
    bool ParseItems(bool in_array) {
        bool any = false;
        while (pos_ < fmt_.size()) {
            char c = fmt_[pos_];
            if (c == ')') return in_array && any;
            any = true;
            ++pos_;
            if (KindSize(c) != 0) {
                // Its address first, then its run of counts.
                size_t slot = args_.size();
                uint32_t count = 1;
                if (!PushArg(0) || !TakeRun(&count)) return false;
                void *var = Allocate(static_cast<size_t>(count) * KindSize(c));
                if (!var) return false;
                args_[slot] = reinterpret_cast<uintptr_t>(var);
                if (c == 's')
                    for (uint32_t k = 0; k < count; ++k)
                        string_slots_.push_back(static_cast<char **>(var) + k);
            } else if (c == 'B') {
                void *var = Allocate(sizeof(tpl_binary));
                if (!var || !PushArg(reinterpret_cast<uintptr_t>(var))) return false;
                binary_slots_.push_back(static_cast<tpl_binary *>(var));
            } else if (c == 'S') {
                if (!ParseRecord()) return false;
            } else if (c == 'A') {
                if (pos_ >= fmt_.size() || fmt_[pos_] != '(') return false;
                ++pos_;
                int outer = current_array_;
                parent_array_.push_back(outer);
                current_array_ = static_cast<int>(parent_array_.size()) - 1;
                if (!ParseItems(true) || pos_ >= fmt_.size()) return false;
                ++pos_;  // ')'
                current_array_ = outer;
            } else {
                return false;
            }
        }
        return !in_array;
    }

    // Fields of a record or of a $( ) group, up to and including its ')'.
    bool ParseFields(std::vector<Field> &fields) {
        if (pos_ >= fmt_.size() || fmt_[pos_] != '(') return false;
        ++pos_;
        bool any = false;
        while (pos_ < fmt_.size() && fmt_[pos_] != ')') {
            char c = fmt_[pos_++];
            any = true;
            uint32_t count = 1;
            if (c == '$') {
                if (!ParseFields(fields)) return false;
            } else if (KindSize(c) == 0 || !TakeRun(&count)) {
                return false;
            } else {
                fields.push_back({c, count});
            }
        }
        if (!any || pos_ >= fmt_.size()) return false;
        ++pos_;  // ')'
        return true;
    }

    // S( fields ) with an optional run of '#': the base address, then the field
    // and record counts in format order.
    bool ParseRecord() {
        size_t base_slot = args_.size();
        std::vector<Field> fields;
        uint32_t records = 1;
        if (!PushArg(0) || !ParseFields(fields)) return false;
        if (pos_ < fmt_.size() && fmt_[pos_] == '#' && !TakeRun(&records)) return false;

        std::vector<size_t> offsets;
        size_t end = 0, align = 0;
        for (const Field &field : fields) {
            size_t offset = RoundUp(end, KindSize(field.kind));
            offsets.push_back(offset);
            end = offset + static_cast<size_t>(field.count) * KindSize(field.kind);
            if (end > max_bytes_) return false;
            if (KindSize(field.kind) > align) align = KindSize(field.kind);
        }
        size_t stride = RoundUp(end, align);
        if (stride != 0 && records > max_bytes_ / stride) return false;
        auto *base = static_cast<unsigned char *>(Allocate(stride * records));
        if (!base) return false;
        args_[base_slot] = reinterpret_cast<uintptr_t>(base);
        for (uint32_t r = 0; r < records; ++r)
            for (size_t f = 0; f < fields.size(); ++f)
                if (fields[f].kind == 's')
                    for (uint32_t k = 0; k < fields[f].count; ++k)
                        string_slots_.push_back(
                            reinterpret_cast<char **>(base + r * stride + offsets[f] + k * sizeof(char *)));
        return true;
    }

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
