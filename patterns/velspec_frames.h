// Internal to the spectral library (C++ only): validation and layout of a
// caller's frame descriptor, shared by pattern generation and bending.
#pragma once

#include <cstddef>
#include <cstdint>

#include "velspec_helper.h"

struct FrameLayout {
    size_t frameBytes;  // bytes of one frame, also the step between frames
    uint32_t planes;    // patterns per frame: 16 in 16-bit frames, else 24
};

// VELSPEC_ERR_NULL for a null buffer. VELSPEC_ERR_BAD_INPUT for a depth
// other than 16, 24 or 32, an empty frame, sizes whose arithmetic overflows,
// and frames whose size is not a multiple of 4 bytes (frames are stepped
// 4-byte aligned; an odd size would make neighbouring frames overlap).
int32_t velspec_frames_layout(const frameBufferDesc *fb, FrameLayout *out);
