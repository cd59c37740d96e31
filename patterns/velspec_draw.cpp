// Filled rectangles in 16-, 24- and 32-bit frame buffers: the one drawing
// primitive of pattern generation.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "velspec_helper.h"

namespace {

// The part of a rectangle that lies inside the frame, as half-open pixel
// ranges, with the byte size of one line. Rectangles are clipped to the frame
// so that no caller can make a draw write outside it.
struct Span {
    uint32_t x0, x1, y0, y1;
    size_t lineBytes;
};

bool ClipToFrame(const rectangle *rect, const frameBufferDesc *fb, uint32_t pixelBytes, Span *out) {
    if (rect == nullptr || fb == nullptr || fb->buffer == nullptr) return false;
    size_t lineBytes = 0, frameBytes = 0;
    if (__builtin_mul_overflow(static_cast<size_t>(fb->width), pixelBytes, &lineBytes) ||
        __builtin_mul_overflow(lineBytes, static_cast<size_t>(fb->height), &frameBytes))
        return false;
    const uint64_t xEnd = static_cast<uint64_t>(rect->x) + rect->width;
    const uint64_t yEnd = static_cast<uint64_t>(rect->y) + rect->height;
    out->x0 = rect->x;
    out->y0 = rect->y;
    out->x1 = static_cast<uint32_t>(xEnd < fb->width ? xEnd : fb->width);
    out->y1 = static_cast<uint32_t>(yEnd < fb->height ? yEnd : fb->height);
    out->lineBytes = lineBytes;
    return out->x0 < out->x1 && out->y0 < out->y1;
}

template <typename Word>
void DrawWords(const rectangle *rect, const frameBufferDesc *fb, uint8_t mode) {
    Span s;
    if (!ClipToFrame(rect, fb, sizeof(Word), &s)) return;
    const Word color = static_cast<Word>(rect->color);
    for (uint32_t y = s.y0; y < s.y1; y++) {
        uint8_t *line = fb->buffer + static_cast<size_t>(y) * s.lineBytes;
        for (uint32_t x = s.x0; x < s.x1; x++) {
            // memcpy: the caller's buffer carries no alignment promise.
            uint8_t *at = line + static_cast<size_t>(x) * sizeof(Word);
            Word pixel = color;
            if (mode != 1) {
                std::memcpy(&pixel, at, sizeof(Word));
                pixel |= color;
            }
            std::memcpy(at, &pixel, sizeof(Word));
        }
    }
}

void PutPixel24(uint8_t *at, const uint8_t bytes[3], uint8_t mode) {
    for (int k = 0; k < 3; k++) at[k] = mode == 1 ? bytes[k] : static_cast<uint8_t>(at[k] | bytes[k]);
}

}  // namespace

extern "C" {

void DrawRectangle16BPP(const rectangle *rect, const frameBufferDesc *fb, uint8_t mode) {
    DrawWords<uint16_t>(rect, fb, mode);
}

void DrawRectangle32BPP(const rectangle *rect, const frameBufferDesc *fb, uint8_t mode) {
    DrawWords<uint32_t>(rect, fb, mode);
}

// 24-bit pixels are written four at a time: a group of four pixels is twelve
// bytes, three 32-bit words, and groups are counted from the start of the
// line. Pixels of a group that is only partly inside the rectangle are
// written byte by byte, so nothing outside the rectangle changes.
void DrawRectangle24BPP(const rectangle *rect, const frameBufferDesc *fb, uint8_t mode) {
    Span s;
    if (!ClipToFrame(rect, fb, 3, &s)) return;
    const uint8_t bytes[3] = {static_cast<uint8_t>(rect->color), static_cast<uint8_t>(rect->color >> 8),
                              static_cast<uint8_t>(rect->color >> 16)};
    uint8_t groupBytes[12];
    for (int k = 0; k < 12; k++) groupBytes[k] = bytes[k % 3];
    uint32_t groupWords[3];
    std::memcpy(groupWords, groupBytes, sizeof groupWords);

    for (uint32_t y = s.y0; y < s.y1; y++) {
        uint8_t *line = fb->buffer + static_cast<size_t>(y) * s.lineBytes;
        uint32_t x = s.x0;
        for (; x < s.x1 && x % 4 != 0; x++) PutPixel24(line + static_cast<size_t>(x) * 3, bytes, mode);
        for (; x + 4 <= s.x1; x += 4) {
            uint8_t *group = line + static_cast<size_t>(x) * 3;
            for (int w = 0; w < 3; w++) {
                uint32_t word = groupWords[w];
                if (mode != 1) {
                    uint32_t old;
                    std::memcpy(&old, group + 4 * w, 4);
                    word |= old;
                }
                std::memcpy(group + 4 * w, &word, 4);
            }
        }
        for (; x < s.x1; x++) PutPixel24(line + static_cast<size_t>(x) * 3, bytes, mode);
    }
}

void DrawRectangle(const rectangle *rect, const frameBufferDesc *fb, uint8_t mode) {
    if (fb == nullptr) return;
    switch (fb->bpp) {
        case 16:
            DrawRectangle16BPP(rect, fb, mode);
            break;
        case 24:
            DrawRectangle24BPP(rect, fb, mode);
            break;
        case 32:
            DrawRectangle32BPP(rect, fb, mode);
            break;
        default:
            break;
    }
}

}  // extern "C"
