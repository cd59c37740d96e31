#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace velscan {

Progress::Progress() : enabled_(isatty(STDERR_FILENO) == 1) {}

void Progress::Update(int scan, int count, uint32_t remaining_ms) {
    if (!enabled_) return;
    char series[48] = "";
    if (count > 1) std::snprintf(series, sizeof series, "scan %d of %d: ", scan, count);
    if (remaining_ms > 0)
        std::fprintf(stderr, "\r%sscanning, %.1f s left   ", series, remaining_ms / 1000.0);
    else
        std::fprintf(stderr, "\r%swaiting for the instrument to finish   ", series);
    std::fflush(stderr);
    shown_ = true;
}

void Progress::Clear() {
    if (!shown_) return;
    std::fprintf(stderr, "\r%60s\r", "");
    std::fflush(stderr);
    shown_ = false;
}

}  // namespace velscan
