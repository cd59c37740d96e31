#pragma once

#include "tpl.h"
#include "tpl_internal.h"

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <bit>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <unistd.h>

using Bytes = std::vector<uint8_t>;

// Storage for mappings whose variables are never read or written.
alignas(16) inline char scratch[4096];

// Collects every non-fatal report while alive.
class CapturedReports {
public:
    CapturedReports() : saved_(std::exchange(tpl_hook.report_error, &Capture)) { collected_.clear(); }
    ~CapturedReports() { tpl_hook.report_error = saved_; }
    // The reports so far; the next call starts empty.
    std::string Take() { return std::exchange(collected_, std::string()); }

private:
    static int Capture(const char *fmt, ...) {
        char line[512];
        va_list ap;
        va_start(ap, fmt);
        int n = vsnprintf(line, sizeof line, fmt, ap);
        va_end(ap);
        collected_ += line;
        return n;
    }
    static inline std::string collected_;
    int (*saved_)(const char *, ...);
};

// Builds an image byte by byte in either byte order.
class ImageBuilder {
public:
    explicit ImageBuilder(bool big_endian = false) : big_(big_endian) {}
    ImageBuilder &Raw(const std::string &s) {
        bytes_.insert(bytes_.end(), s.begin(), s.end());
        return *this;
    }
    ImageBuilder &U8(uint8_t v) { return Num(v, 1); }
    ImageBuilder &U16(uint16_t v) { return Num(v, 2); }
    ImageBuilder &U32(uint32_t v) { return Num(v, 4); }
    ImageBuilder &U64(uint64_t v) { return Num(v, 8); }
    ImageBuilder &F64(double d) { return Num(std::bit_cast<uint64_t>(d), 8); }
    // Magic, flags and a total-length placeholder that Finish() fills.
    ImageBuilder &Header(uint8_t flags, const std::string &fmt) {
        return Raw("tpl").U8(flags).U32(0).Raw(fmt).U8(0);
    }
    Bytes Finish() const {
        Bytes out = bytes_;
        const Bytes total = ImageBuilder(big_).U32(static_cast<uint32_t>(out.size())).bytes();
        std::memcpy(out.data() + 4, total.data(), 4);
        return out;
    }
    const Bytes &bytes() const { return bytes_; }

private:
    ImageBuilder &Num(uint64_t v, int width) {
        for (int k = 0; k < width; k++)
            bytes_.push_back(static_cast<uint8_t>(v >> 8 * (big_ ? width - 1 - k : k)));
        return *this;
    }
    bool big_;
    Bytes bytes_;
};

// Magic, flags 0 and a stored length, with nothing after them.
inline ImageBuilder Prefix(uint32_t stored_len) { return ImageBuilder().Raw("tpl").U8(0).U32(stored_len); }

// Owns a mapping for the length of a test.
struct TplHandle {
    explicit TplHandle(tpl_node *node) : tn(node) {}
    ~TplHandle() { tpl_free(tn); }
    tpl_node *tn;
};

// A temporary folder, removed with everything in it.
struct TempDir {
    TempDir() { std::filesystem::create_directories(path); }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string File(const std::string &name) const { return path + "/" + name; }
    const std::string path = "/tmp/tpl_test_" + std::to_string(getpid());
};

inline Bytes BytesAt(const void *addr, size_t size) {
    return Bytes(static_cast<const uint8_t *>(addr), static_cast<const uint8_t *>(addr) + size);
}

// Text of a string the engine allocated, then released; "<null>" for none.
inline std::string Own(char *s) {
    std::string text = s ? s : "<null>";
    free(s);
    return text;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes &p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline Bytes DumpBytes(tpl_node *tn) {
    void *addr = nullptr;
    size_t size = 0;
    if (tpl_dump(tn, TPL_IO_MEMORY, &addr, &size) != 0) return {};
    Bytes out = BytesAt(addr, size);
    tpl_hook.release(addr);
    return out;
}

// Validation code of an image against a mapping, without loading it, checked
// in an exact-size heap copy so that ASan catches any read past its end.
inline int Validate(tpl_node *tn, const Bytes &img, bool trailing_ok = false) {
    std::vector<char> exact(img.begin(), img.end());
    tpl_root_record *root = tpl_root_of(tn);
    root->source = tpl_mapped_file{-1, exact.data(), exact.size()};
    root->flags = TPL_STATE_MEM;
    int rc = tpl_sanity(tn, trailing_ok);
    root->source = tpl_mapped_file{-1, nullptr, 0};
    root->flags = 0;
    return rc;
}

inline int LoadBytes(tpl_node *tn, const Bytes &img, int extra_mode = 0) {
    return tpl_load(tn, TPL_IO_MEMORY | extra_mode, img.data(), img.size());
}
