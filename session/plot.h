// Draws one or more spectra, overlaid, into a PNG or SVG file (chosen by the
// file name's ending): labelled axes with units, round-number ticks, a thin
// grid, distinct colours, a legend and a title. One drawing routine serves
// both file types.
#pragma once

#include <string>
#include <vector>

#include "spectrum.h"
#include "status.h"

namespace velscan {

struct PlotSeries {
    std::string label;  // legend text (e.g. the file name)
    const Spectrum *spectrum = nullptr;
};

struct PlotOptions {
    bool absorbance = false;  // plot absorbance (needs a reference) instead of intensity
    std::string title;        // empty: taken from the first spectrum's metadata
    int width_px = 900, height_px = 560;
};

// kErrArgument unless the path ends in .png or .svg (any case), so a front end
// can refuse a bad name before anything is measured.
Status CheckPlotPath(const std::string &path);

// kErrArgument for an unknown ending or no series; kErrOutputFile when the
// file cannot be written (written to a temporary file and renamed).
Status PlotSpectra(const std::vector<PlotSeries> &series, const PlotOptions &options,
                   const std::string &path);

}  // namespace velscan
