// The progress line on standard error while the instrument scans: the
// estimated time left and, in a series, which scan this is. Shown only when
// standard error is a terminal, so logs and pipes stay clean.
#pragma once

#include <cstdint>

namespace velscan {

class Progress {
public:
    Progress();
    void Update(int scan, int count, uint32_t remaining_ms);
    void Clear();  // removes the line before anything else is printed

private:
    bool enabled_;
    bool shown_ = false;
};

}  // namespace velscan
