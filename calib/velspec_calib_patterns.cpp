// Calibration patterns: narrow bands (and, for one type, wide blocks)
// stepped across the DMD, one pattern per bit plane.
#include <cstdint>

#include "velspec_calib.h"
#include "velspec_frames.h"

namespace {

struct BandSweep {
    uint32_t firstColumn;
    uint32_t lastColumn;
    uint32_t width;
    uint32_t step;
};

// The band sweep of each calibration pattern type.
bool SweepOf(uint32_t type, BandSweep *out) {
    if (type == VELSPEC_CALIB_PAT_BANDS6)
        *out = {0, DMD_MAX_COLUMN, 6, 4};
    else if (type == VELSPEC_CALIB_PAT_BLOCKS)
        *out = {0, DMD_MAX_COLUMN, 4, 4};
    else if (type >= VELSPEC_CALIB_PAT_LEFT && type <= VELSPEC_CALIB_PAT_LEFT_LAST)
        *out = {0, 430, 5, 1};
    else if (type >= VELSPEC_CALIB_PAT_RIGHT && type <= VELSPEC_CALIB_PAT_RIGHT_LAST)
        *out = {427, DMD_MAX_COLUMN, 5, 1};
    else
        return false;
    return true;
}

// The blocks of type 3: 255 columns wide, 284 apart, in the upper and the
// lower half of the DMD.
constexpr uint32_t kBlockWidth = 255;
constexpr uint32_t kBlockStep = 284;
constexpr uint32_t kBlockHalfOffset = 240;

class PlaneWriter {
public:
    PlaneWriter(frameBufferDesc *fb, uint32_t planes) : fb_(fb), planes_(planes) {}

    void Draw(uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
        const uint32_t plane = drawn_ % planes_;
        if (plane == 0) {
            rectangle all{0, 0, fb_->width, fb_->height, 0};
            DrawRectangle(&all, fb_, 1);
        }
        rectangle band{x, y, width, height, 1u << plane};
        DrawRectangle(&band, fb_, 0);
        drawn_++;
    }

    uint32_t Drawn() const { return drawn_; }
    bool FrameFull() const { return drawn_ % planes_ == 0; }

private:
    frameBufferDesc *fb_;
    uint32_t planes_;
    uint32_t drawn_ = 0;
};

}  // namespace

extern "C" int32_t velspec_calib_genPatterns(uint32_t type, frameBufferDesc *fb) {
    if (fb == nullptr) return VELSPEC_ERR_NULL;
    BandSweep sweep;
    if (!SweepOf(type, &sweep)) return VELSPEC_ERR_BAD_TYPE;
    FrameLayout layout;
    const int32_t status = velspec_frames_layout(fb, &layout);
    if (status != VELSPEC_OK) return status;
    if (fb->num_frames == 0) return 0;

    PlaneWriter writer(fb, layout.planes);
    if (type == VELSPEC_CALIB_PAT_BLOCKS) {
        for (uint32_t half = 0; half < 2; half++) {
            for (uint32_t x = 0; x + kBlockWidth <= DMD_MAX_COLUMN + 1; x += kBlockStep)
                writer.Draw(x, kBlockHalfOffset * half, kBlockWidth, fb->height / 2);
        }
    }
    uint32_t framesDone = 0;
    for (uint32_t x = sweep.firstColumn; x + sweep.width <= sweep.lastColumn + 1; x += sweep.step) {
        writer.Draw(x, 0, sweep.width, fb->height);
        if (writer.FrameFull()) {
            fb->buffer += layout.frameBytes;
            if (++framesDone == fb->num_frames) break;
        }
    }
    return static_cast<int32_t>(writer.Drawn());
}
