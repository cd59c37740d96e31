// Frame buffers for the pattern tests: frames followed by guard bytes, with
// pixel and bit-plane accessors that follow the documented pixel layout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "velspec_helper.h"

class TestFrames {
public:
    static constexpr size_t kGuard = 64;
    static constexpr uint8_t kGuardByte = 0xA5;

    TestFrames(uint32_t numFrames, uint32_t width, uint32_t height, uint32_t bpp, uint8_t fill = 0)
        : bytes_(static_cast<size_t>(numFrames) * width * height * (bpp / 8) + kGuard, fill) {
        for (size_t i = bytes_.size() - kGuard; i < bytes_.size(); i++) bytes_[i] = kGuardByte;
        desc_ = {bytes_.data(), numFrames, width, height, bpp};
    }

    frameBufferDesc &desc() { return desc_; }
    const frameBufferDesc &desc() const { return desc_; }
    std::vector<uint8_t> &bytes() { return bytes_; }
    size_t frameBytes() const { return static_cast<size_t>(desc_.width) * desc_.height * (desc_.bpp / 8); }

    uint32_t pixel(uint32_t frame, uint32_t x, uint32_t y) const {
        const size_t pb = desc_.bpp / 8;
        const size_t at = frame * frameBytes() + (static_cast<size_t>(y) * desc_.width + x) * pb;
        uint32_t value = 0;
        for (size_t k = 0; k < pb; k++) value |= static_cast<uint32_t>(bytes_[at + k]) << (8 * k);
        return value;
    }
    bool lit(uint32_t frame, uint32_t plane, uint32_t x, uint32_t y) const {
        return (pixel(frame, x, y) >> plane) & 1u;
    }
    // Columns of line y lit in a plane, as a string of '#' and '.'.
    std::string row(uint32_t frame, uint32_t plane, uint32_t y = 0) const {
        std::string s;
        for (uint32_t x = 0; x < desc_.width; x++) s += lit(frame, plane, x, y) ? '#' : '.';
        return s;
    }
    bool guardIntact() const {
        for (size_t i = bytes_.size() - kGuard; i < bytes_.size(); i++) {
            if (bytes_[i] != kGuardByte) return false;
        }
        return true;
    }

private:
    std::vector<uint8_t> bytes_;
    frameBufferDesc desc_;
};
