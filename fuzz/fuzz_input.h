// Helpers shared by the fuzz targets and the seed generator, with the
// standard headers they all use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace fuzz {

// Room for the largest record of the spectral library (a scanData is under
// 4 KiB).
constexpr unsigned kRecordRoom = 8192;

// Silences the engine's error reports; skips the transport's waits.
inline int Quiet(const char *, ...) { return 0; }
inline void NoSleep(uint32_t) {}

// A broken promise: stopping the run makes the fuzzer keep the input.
[[noreturn]] inline void Fail(const char *what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// The bytes in a heap block of exactly their size, so a read one byte past
// the end leaves the allocation and AddressSanitizer reports it (libFuzzer's
// own buffer may be followed by readable bytes).
class ExactCopy {
public:
    explicit ExactCopy(const std::vector<uint8_t> &bytes)
        : bytes_(new uint8_t[bytes.size()]), size_(bytes.size()) {
        if (size_ != 0) std::memcpy(bytes_.get(), bytes.data(), size_);
    }
    uint8_t *data() { return bytes_.get(); }
    size_t size() const { return size_; }

private:
    std::unique_ptr<uint8_t[]> bytes_;
    size_t size_;
};

// Hands out bytes and numbers from the front of the input; once the input is
// used up it yields zeros, so a target never has to check.
class ByteCursor {
public:
    ByteCursor(const uint8_t *data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    size_t consumed() const { return pos_; }

    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    // An unsigned number of T's width, least significant byte first.
    template <typename T>
    T Number() {
        T value = 0;
        for (size_t i = 0; i < sizeof(T); ++i) value = static_cast<T>(value | T{Byte()} << (8 * i));
        return value;
    }
    // Up to n bytes (fewer when the input runs out), as an owned copy.
    std::vector<uint8_t> Take(size_t n) {
        if (n > size_ - pos_) n = size_ - pos_;
        std::vector<uint8_t> out(data_ + pos_, data_ + pos_ + n);
        pos_ += n;
        return out;
    }
    std::vector<uint8_t> Rest() { return Take(size_ - pos_); }

private:
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace fuzz
