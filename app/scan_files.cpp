#include "scan_files.h"

#include <cmath>

#include "cli_common.h"
#include "plot.h"

namespace velscan {

std::string IndexedPath(const std::string &path, int index, int count) {
    int digits = 3;
    for (int limit = 1000; count >= limit && digits < 9; limit *= 10) ++digits;
    std::string number = std::to_string(index);
    number.insert(0, number.size() < static_cast<size_t>(digits) ? digits - number.size() : 0, '0');
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    bool has_ending = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    if (!has_ending) return path + "-" + number;
    return path.substr(0, dot) + "-" + number + path.substr(dot);
}

ScanFiles::ScanFiles(std::string output, Format format, std::string raw, std::string plot, int count)
    : output_(std::move(output)),
      format_(format),
      raw_(std::move(raw)),
      plot_(std::move(plot)),
      count_(count) {}

std::string ScanFiles::PathFor(const std::string &path, int index) const {
    return count_ > 1 ? IndexedPath(path, index, count_) : path;
}

Status ScanFiles::Write(int index, const Spectrum &spectrum) const {
    Status status;
    if (!raw_.empty() && !spectrum.raw_image.empty())
        status = SaveSpectrum(spectrum, Format::Raw, PathFor(raw_, index));
    if (!status) return status;

    if (output_.empty()) {
        std::string text;
        status = FormatSpectrum(spectrum, format_, text);
        if (status) status = WriteStdout(text);
    } else if (format_ == Format::Wide) {
        status = AppendWide(spectrum, output_);
    } else {
        status = SaveSpectrum(spectrum, format_, PathFor(output_, index));
    }
    if (!status || plot_.empty()) return status;

    // Absorbance when there is any to draw, else intensity; a scan that
    // could not be taken has nothing to draw at all.
    auto any_finite = [](const std::vector<double> &values) {
        for (double y : values)
            if (std::isfinite(y)) return true;
        return false;
    };
    if (!any_finite(spectrum.intensity)) return status;
    PlotOptions options;
    options.absorbance = any_finite(spectrum.absorbance);
    std::string label = output_.empty() ? "scan" : PathFor(output_, index);
    return PlotSpectra({{label, &spectrum}}, options, PathFor(plot_, index));
}

}  // namespace velscan
