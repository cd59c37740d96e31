// Frame buffers for the pattern tests: frames followed by guard bytes, read
// back by pixel and by bit plane in the documented pixel layout.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "velspec_helper.h"

class TestFrames {
public:
    TestFrames(uint32_t frames, uint32_t width, uint32_t height, uint32_t bpp, uint8_t fill = 0)
        : bytes_(size_t{frames} * width * height * (bpp / 8), fill),
          desc_{nullptr, frames, width, height, bpp} {
        bytes_.resize(bytes_.size() + kGuard, kGuardByte);
        desc_.buffer = bytes_.data();
    }
    frameBufferDesc &Desc() { return desc_; }
    const frameBufferDesc &Desc() const { return desc_; }
    std::vector<uint8_t> &Bytes() { return bytes_; }
    size_t FrameBytes() const { return size_t{desc_.width} * desc_.height * (desc_.bpp / 8); }

    uint32_t Pixel(uint32_t frame, uint32_t x, uint32_t y) const {
        const size_t at = frame * FrameBytes() + (size_t{y} * desc_.width + x) * (desc_.bpp / 8);
        uint32_t value = 0;
        for (size_t k = 0; k < desc_.bpp / 8; k++) value |= uint32_t{bytes_[at + k]} << (8 * k);
        return value;
    }
    bool Lit(uint32_t frame, uint32_t plane, uint32_t x, uint32_t y) const {
        return (Pixel(frame, x, y) >> plane) & 1u;
    }
    // Columns of line y lit in a plane, as '#' and '.'.
    std::string Row(uint32_t frame, uint32_t plane, uint32_t y = 0) const {
        std::string s;
        for (uint32_t x = 0; x < desc_.width; x++) s += Lit(frame, plane, x, y) ? '#' : '.';
        return s;
    }
    bool GuardIntact() const {
        return std::all_of(bytes_.end() - kGuard, bytes_.end(), [](uint8_t b) { return b == kGuardByte; });
    }

private:
    static constexpr size_t kGuard = 64;
    static constexpr uint8_t kGuardByte = 0xA5;
    std::vector<uint8_t> bytes_;
    frameBufferDesc desc_;
};
