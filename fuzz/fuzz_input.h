// Helpers shared by the fuzz targets.
//
// ExactCopy puts the input into a heap block of exactly its size, so a read
// one byte past the end leaves the allocation and AddressSanitizer reports it
// (libFuzzer's own buffer may be followed by readable bytes).
// ByteCursor hands out bytes and small numbers from the front of the input;
// once the input is used up it yields zeros, so a target never has to check.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace fuzz {

// Room for the largest record of the spectral library (a scanData is under
// 4 KiB).
constexpr unsigned kRecordRoom = 8192;

class ExactCopy {
public:
    ExactCopy(const uint8_t *data, size_t size) : bytes_(new uint8_t[size]), size_(size) {
        if (size != 0) std::memcpy(bytes_.get(), data, size);
    }
    uint8_t *data() { return bytes_.get(); }
    size_t size() const { return size_; }

private:
    std::unique_ptr<uint8_t[]> bytes_;
    size_t size_;
};

class ByteCursor {
public:
    ByteCursor(const uint8_t *data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    size_t consumed() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }

    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t u16() {
        uint16_t lo = byte();
        return static_cast<uint16_t>(lo | (byte() << 8));
    }
    uint32_t u32() {
        uint32_t v = u16();
        return v | (static_cast<uint32_t>(u16()) << 16);
    }
    // A number in [lo, hi], taken from one byte.
    int small(int lo, int hi) { return lo + byte() % (hi - lo + 1); }

    // Up to n bytes (fewer when the input runs out), as an owned copy.
    std::vector<uint8_t> take(size_t n) {
        if (n > remaining()) n = remaining();
        std::vector<uint8_t> out(data_ + pos_, data_ + pos_ + n);
        pos_ += n;
        return out;
    }
    std::vector<uint8_t> rest() { return take(remaining()); }

private:
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace fuzz
