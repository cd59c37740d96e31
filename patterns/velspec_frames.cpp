#include "velspec_frames.h"

int32_t velspec_frames_layout(const frameBufferDesc *fb, FrameLayout *out) {
    if (fb->buffer == nullptr) return VELSPEC_ERR_NULL;
    if (fb->bpp != 16 && fb->bpp != 24 && fb->bpp != 32) return VELSPEC_ERR_BAD_INPUT;
    // Line and row counts also index int32 shift tables.
    if (fb->width == 0 || fb->height == 0 || fb->width > INT32_MAX || fb->height > INT32_MAX)
        return VELSPEC_ERR_BAD_INPUT;
    size_t lineBytes = 0, frameBytes = 0, allBytes = 0;
    if (__builtin_mul_overflow(static_cast<size_t>(fb->width), fb->bpp / 8, &lineBytes) ||
        __builtin_mul_overflow(lineBytes, static_cast<size_t>(fb->height), &frameBytes) ||
        __builtin_mul_overflow(frameBytes, static_cast<size_t>(fb->num_frames), &allBytes) ||
        frameBytes > PTRDIFF_MAX || allBytes > PTRDIFF_MAX)
        return VELSPEC_ERR_BAD_INPUT;
    if (frameBytes % 4 != 0) return VELSPEC_ERR_BAD_INPUT;
    out->frameBytes = frameBytes;
    out->planes = fb->bpp == 16 ? 16 : 24;
    return VELSPEC_OK;
}
