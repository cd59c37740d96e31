// Where `velscan scan` writes each scan: the output (a file, standard output
// or a row of a wide file), the raw image and the plot. In a series every
// scan gets its own file, named with its index before the ending
// (out.csv -> out-001.csv); a wide file takes one row per scan instead.
#pragma once

#include <string>

#include "formats.h"
#include "spectrum.h"

namespace velscan {

// "dir/out.csv", 7 of 20 -> "dir/out-007.csv"; at least three digits, more
// when the series needs them, so the names sort in scan order.
std::string IndexedPath(const std::string &path, int index, int count);

class ScanFiles {
public:
    ScanFiles(std::string output, Format format, std::string raw, std::string plot, int count);
    // Writes scan `index` (1-based) whole: every file it goes to, or a failure.
    Status Write(int index, const Spectrum &spectrum) const;

private:
    std::string PathFor(const std::string &path, int index) const;

    std::string output_;
    Format format_;
    std::string raw_, plot_;
    int count_;
};

}  // namespace velscan
