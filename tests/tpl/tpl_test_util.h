#pragma once

#include "tpl.h"
#include "tpl_internal.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

using Bytes = std::vector<uint8_t>;

// Collects every non-fatal report while alive.
class CapturedReports {
public:
    CapturedReports() : saved_(tpl_hook.report_error) {
        text().clear();
        tpl_hook.report_error = &capture;
    }
    ~CapturedReports() { tpl_hook.report_error = saved_; }
    const std::string &str() const { return text(); }
    void clear() { text().clear(); }

private:
    static std::string &text() {
        static std::string collected;
        return collected;
    }
    static int capture(const char *fmt, ...) {
        char line[512];
        va_list ap;
        va_start(ap, fmt);
        int n = vsnprintf(line, sizeof line, fmt, ap);
        va_end(ap);
        text() += line;
        return n;
    }
    int (*saved_)(const char *, ...);
};

// Builds an image byte by byte in either byte order.
class ImageBuilder {
public:
    explicit ImageBuilder(bool big_endian = false) : big_(big_endian) {}
    ImageBuilder &raw(const std::string &s) {
        bytes_.insert(bytes_.end(), s.begin(), s.end());
        return *this;
    }
    ImageBuilder &u8(uint8_t v) {
        bytes_.push_back(v);
        return *this;
    }
    ImageBuilder &u16(uint16_t v) { return num(v, 2); }
    ImageBuilder &u32(uint32_t v) { return num(v, 4); }
    ImageBuilder &u64(uint64_t v) { return num(v, 8); }
    ImageBuilder &f64(double d) {
        uint64_t v;
        std::memcpy(&v, &d, 8);
        return num(v, 8);
    }
    // Magic, flags and a total-length placeholder that finish() fills.
    ImageBuilder &header(uint8_t flags, const std::string &fmt) {
        raw("tpl").u8(flags);
        length_at_ = bytes_.size();
        u32(0);
        return raw(fmt).u8(0);
    }
    Bytes finish() {
        Bytes out = bytes_;
        uint32_t total = static_cast<uint32_t>(out.size());
        for (int k = 0; k < 4; k++) {
            int shift = big_ ? 8 * (3 - k) : 8 * k;
            out[length_at_ + k] = static_cast<uint8_t>(total >> shift);
        }
        return out;
    }
    const Bytes &bytes() const { return bytes_; }

private:
    ImageBuilder &num(uint64_t v, int width) {
        for (int k = 0; k < width; k++) {
            int shift = big_ ? 8 * (width - 1 - k) : 8 * k;
            bytes_.push_back(static_cast<uint8_t>(v >> shift));
        }
        return *this;
    }
    bool big_;
    Bytes bytes_;
    size_t length_at_ = 4;
};

// Owns a mapping for the length of a test.
struct TplHandle {
    explicit TplHandle(tpl_node *node) : tn(node) {}
    ~TplHandle() { tpl_free(tn); }
    tpl_node *tn;
};

// A temporary folder, removed with the files named through it.
class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/tpl_test_XXXXXX";
        path_ = mkdtemp(tmpl) ? tmpl : "";
    }
    ~TempDir() {
        for (const std::string &f : files_) std::remove(f.c_str());
        rmdir(path_.c_str());
    }
    std::string file(const std::string &name) {
        files_.push_back(path_ + "/" + name);
        return files_.back();
    }

private:
    std::string path_;
    std::vector<std::string> files_;
};

inline Bytes DumpBytes(tpl_node *tn) {
    void *addr = nullptr;
    size_t size = 0;
    if (tpl_dump(tn, TPL_IO_MEMORY, &addr, &size) != 0) return {};
    Bytes out(static_cast<uint8_t *>(addr), static_cast<uint8_t *>(addr) + size);
    tpl_hook.release(addr);
    return out;
}

// Validation code of an image against a mapping, without loading it.
inline int Validate(tpl_node *tn, const Bytes &img, bool trailing_ok = false) {
    tpl_root_record *root = tpl_root_of(tn);
    root->source = tpl_mapped_file{-1, reinterpret_cast<const char *>(img.data()), img.size()};
    root->flags = TPL_STATE_MEM;
    int rc = tpl_sanity(tn, trailing_ok);
    root->source = tpl_mapped_file{-1, nullptr, 0};
    root->flags = 0;
    return rc;
}

inline int LoadBytes(tpl_node *tn, const Bytes &img, int extra_mode = 0) {
    return tpl_load(tn, TPL_IO_MEMORY | extra_mode, img.data(), img.size());
}
