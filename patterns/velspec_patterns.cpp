// Pattern generation: column, Hadamard and multi-section configurations drawn
// into the bit planes of consecutive frames, and bending of the drawn
// patterns along the curved image of the slit.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "velspec_frames.h"
#include "velspec_helper.h"
#include "velspec_scan.h"
#include "velspec_scan_col.h"
#include "velspec_scan_had.h"

namespace {

constexpr uint32_t kMaxColumnPatterns = 624;
constexpr uint32_t kMaxHadamardGroups = 16;
constexpr uint32_t kMaxGroupColumns = 284;

uint8_t *FrameAt(const frameBufferDesc *fb, const FrameLayout &layout, uint64_t index) {
    return fb->buffer + static_cast<size_t>(index) * layout.frameBytes;
}

// One band of a pattern: w columns from centre - w/2 (held at column 0),
// cut at the frame's right edge; a band wholly right of the frame is empty.
rectangle BandRect(uint32_t center, uint32_t w, uint32_t frameWidth, uint32_t height, uint32_t plane) {
    const int64_t left = static_cast<int64_t>(center) - w / 2;
    rectangle band{};
    band.x = left < 0 ? 0 : static_cast<uint32_t>(left);
    band.width = band.x >= frameWidth ? 0 : w;
    if (static_cast<uint64_t>(band.x) + band.width > frameWidth) band.width = frameWidth - band.x;
    band.y = 0;
    band.height = height;
    band.color = 1u << plane;
    return band;
}

void ClearLines(const frameBufferDesc *fb, uint8_t *frame, uint32_t lines) {
    frameBufferDesc one = *fb;
    one.buffer = frame;
    rectangle all{0, 0, fb->width, lines, 0};
    DrawRectangle(&all, &one, 1);
}

void DrawBand(const frameBufferDesc *fb, uint8_t *frame, const rectangle &band) {
    if (band.width == 0) return;
    frameBufferDesc one = *fb;
    one.buffer = frame;
    DrawRectangle(&band, &one, 0);
}

}  // namespace

extern "C" {

int32_t velspec_scan_col_genPatterns(const colPatDef *def, const frameBufferDesc *fb, uint32_t first) {
    if (def == nullptr || fb == nullptr) return VELSPEC_ERR_NULL;
    FrameLayout layout;
    const int32_t status = velspec_frames_layout(fb, &layout);
    if (status != VELSPEC_OK) return status;
    if (def->num_patterns > kMaxColumnPatterns) return VELSPEC_ERR_BAD_INPUT;

    uint64_t frame = first / layout.planes;
    uint32_t plane = first % layout.planes;
    for (uint32_t i = 0; i < def->num_patterns; i++) {
        if (frame >= fb->num_frames) break;
        uint8_t *at = FrameAt(fb, layout, frame);
        if (plane == 0) ClearLines(fb, at, fb->height);
        DrawBand(fb, at, BandRect(def->center_column[i], def->width_px, fb->width, fb->height, plane));
        if (++plane == layout.planes) {
            plane = 0;
            frame++;
        }
    }
    return def->num_patterns;
}

int32_t velspec_scan_had_genPatterns(const hadPatDef *def, const frameBufferDesc *fb, uint32_t first) {
    if (def == nullptr || fb == nullptr) return VELSPEC_ERR_NULL;
    FrameLayout layout;
    int32_t status = velspec_frames_layout(fb, &layout);
    if (status != VELSPEC_OK) return status;
    if (def->num_groups > kMaxHadamardGroups) return VELSPEC_ERR_BAD_INPUT;

    std::array<uint8_t, 256> row{};
    uint64_t position = first;
    for (uint32_t g = 0; g < def->num_groups; g++) {
        const hadPatGroup &group = def->groups[g];
        // The row read below has paley_order entries, of which the group
        // uses the first num_columns.
        if (group.num_columns > kMaxGroupColumns || group.num_columns > group.paley_order ||
            group.paley_order > row.size())
            return VELSPEC_ERR_BAD_INPUT;
        for (uint32_t r = 0; r < group.paley_order; r++, position++) {
            const uint64_t frame = position / layout.planes;
            const uint32_t plane = static_cast<uint32_t>(position % layout.planes);
            if (frame >= fb->num_frames) return def->num_patterns;
            uint8_t *at = FrameAt(fb, layout, frame);
            if (plane == 0) ClearLines(fb, at, 1);
            status = getSMatrixRow(group.paley_order, r, row.data());
            if (status != VELSPEC_OK) return status;
            for (uint32_t c = 0; c < group.num_columns; c++) {
                if (row[c] != 0)
                    DrawBand(fb, at, BandRect(group.center_column[c], def->width_px, fb->width, 1, plane));
            }
        }
    }
    return def->num_patterns;
}

int32_t velspec_scan_slew_genPatterns(const slewScanCfg *cfg, const calibCoeffSet *coeffs,
                                      const frameBufferDesc *fb) {
    if (cfg == nullptr || coeffs == nullptr || fb == nullptr) return VELSPEC_ERR_NULL;
    if (cfg->num_sections > SLEW_MAX_SECTIONS) return VELSPEC_ERR_BAD_INPUT;

    scanCfg work;
    std::memset(&work, 0, sizeof work);
    work.config_index = cfg->config_index;
    std::memcpy(work.serial_number, cfg->serial_number, sizeof work.serial_number);
    std::memcpy(work.config_name, cfg->config_name, sizeof work.config_name);
    work.num_repeats = cfg->num_repeats;

    int32_t total = 0;
    for (uint32_t s = 0; s < cfg->num_sections; s++) {
        const slewScanSection &section = cfg->sections[s];
        work.scan_type = section.section_scan_type;
        work.wavelength_start_nm = section.wavelength_start_nm;
        work.wavelength_end_nm = section.wavelength_end_nm;
        work.width_px = section.width_px;
        work.num_patterns = section.num_patterns;

        int32_t drawn;
        if (section.section_scan_type == SCAN_TYPE_COLUMN) {
            colPatDef def;
            drawn = velspec_scan_col_genPatDef(&work, coeffs, &def);
            if (drawn == VELSPEC_OK)
                drawn = velspec_scan_col_genPatterns(&def, fb, static_cast<uint32_t>(total));
        } else if (section.section_scan_type == SCAN_TYPE_HADAMARD) {
            drawn = velspec_scan_had_genPatDef(&work, coeffs, &patDefH);
            if (drawn == VELSPEC_OK)
                drawn = velspec_scan_had_genPatterns(&patDefH, fb, static_cast<uint32_t>(total));
        } else {
            return VELSPEC_ERR_BAD_INPUT;
        }
        if (drawn < 0) return drawn;
        total += drawn;
    }
    return total;
}

int32_t velspec_scan_genPatterns(const void *cfg, const calibCoeffSet *coeffs, const frameBufferDesc *fb) {
    if (cfg == nullptr || coeffs == nullptr || fb == nullptr) return VELSPEC_ERR_NULL;
    // Both configuration records open with scan_type.
    const uint8_t scanType = *static_cast<const uint8_t *>(cfg);
    if (scanType == SCAN_TYPE_COLUMN) {
        colPatDef def;
        const int32_t status = velspec_scan_col_genPatDef(static_cast<const scanCfg *>(cfg), coeffs, &def);
        if (status != VELSPEC_OK) return status;
        return velspec_scan_col_genPatterns(&def, fb, 0);
    }
    if (scanType == SCAN_TYPE_HADAMARD) {
        const int32_t status =
            velspec_scan_had_genPatDef(static_cast<const scanCfg *>(cfg), coeffs, &patDefH);
        if (status != VELSPEC_OK) return status;
        return velspec_scan_had_genPatterns(&patDefH, fb, 0);
    }
    if (scanType == SCAN_TYPE_SLEW)
        return velspec_scan_slew_genPatterns(static_cast<const slewScanCfg *>(cfg), coeffs, fb);
    return VELSPEC_ERR_BAD_INPUT;
}

int32_t velspec_scan_bendPatterns(const frameBufferDesc *fb, const double *shiftCoeffs, int32_t numPatterns) {
    if (fb == nullptr || shiftCoeffs == nullptr) return VELSPEC_ERR_NULL;
    if (numPatterns < 0) return VELSPEC_ERR_BAD_INPUT;
    FrameLayout layout;
    int32_t status = velspec_frames_layout(fb, &layout);
    if (status != VELSPEC_OK) return status;

    // Frames are counted as generation fills them: 24 patterns in a 32-bit
    // frame as in a 24-bit one. Never more frames than the caller has.
    uint64_t frames = (static_cast<uint64_t>(numPatterns) + layout.planes - 1) / layout.planes;
    if (frames > fb->num_frames) frames = fb->num_frames;
    const size_t lineBytes = layout.frameBytes / fb->height;
    const size_t pixelBytes = fb->bpp / 8;

    std::vector<int8_t> shift;
    std::vector<uint8_t> work;
    try {
        shift.resize(fb->height);
        work.assign(2 * lineBytes, 0);
    } catch (const std::exception &) {
        return VELSPEC_ERR_NO_MEMORY;
    }
    status = velspec_calib_genShiftVector(shiftCoeffs, static_cast<int32_t>(fb->height), shift.data());
    if (status != VELSPEC_OK) return status;

    // The first line sits in the middle of a dark work line twice its size;
    // each line is a window into it. Shifts are held to half a line so the
    // window never leaves the work line.
    const int32_t limit = static_cast<int32_t>(fb->width / 2);
    const size_t middle = lineBytes / 2;
    for (uint64_t f = 0; f < frames; f++) {
        uint8_t *frame = FrameAt(fb, layout, f);
        std::memcpy(work.data() + middle, frame, lineBytes);
        for (uint32_t r = 0; r < fb->height; r++) {
            int32_t pixels = shift[r];
            if (pixels > limit) pixels = limit;
            if (pixels < -limit) pixels = -limit;
            const ptrdiff_t from =
                static_cast<ptrdiff_t>(middle) - pixels * static_cast<ptrdiff_t>(pixelBytes);
            std::memcpy(frame + static_cast<size_t>(r) * lineBytes, work.data() + from, lineBytes);
        }
    }
    return VELSPEC_OK;
}

}  // extern "C"
