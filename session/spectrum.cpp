#include "spectrum.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velscan {

void Metadata::Set(std::string key, std::string value) {
    for (auto &entry : entries_) {
        if (entry.first == key) {
            entry.second = std::move(value);
            return;
        }
    }
    entries_.emplace_back(std::move(key), std::move(value));
}

const std::string *Metadata::Find(std::string_view key) const {
    for (const auto &entry : entries_) {
        if (entry.first == key) {
            return &entry.second;
        }
    }
    return nullptr;
}

Status CheckSameAxis(const Spectrum &scan, const Spectrum &other, std::string_view what) {
    if (scan.Points() != other.Points()) {
        return Status::Fail(kErrMismatch, std::string(what) + " has " + std::to_string(other.Points()) +
                                              " points, the scan " + std::to_string(scan.Points()));
    }
    for (size_t i = 0; i < scan.Points(); ++i) {
        // Written so that a NaN wavelength counts as a difference too.
        if (!(std::fabs(scan.wavelength_nm[i] - other.wavelength_nm[i]) <= kAxisToleranceNm)) {
            return Status::Fail(kErrMismatch, std::string(what) + "'s wavelength at point " +
                                                  std::to_string(i + 1) +
                                                  " differs from the scan's by more than 0.001 nm");
        }
    }
    return Status::Ok();
}

Status ApplyReference(Spectrum &scan, const Spectrum &white, const Spectrum *dark) {
    Status same = CheckSameAxis(scan, white, "the reference");
    if (!same) {
        return same;
    }
    if (dark) {
        same = CheckSameAxis(scan, *dark, "the dark scan");
        if (!same) {
            return same;
        }
    }
    const size_t n = scan.Points();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> span(n);
    double largest = 0;
    for (size_t i = 0; i < n; ++i) {
        const double d = dark ? dark->intensity[i] : 0.0;
        span[i] = white.intensity[i] - d;
        if (span[i] > largest) {
            largest = span[i];
        }
    }
    // Below this the white barely rises above the dark: the ratio would be
    // noise divided by noise, so it is left empty rather than reported.
    const double floor = kReferenceFloor * largest;
    scan.reference = white.intensity;
    scan.reflectance.assign(n, nan);
    scan.absorbance.assign(n, nan);
    for (size_t i = 0; i < n; ++i) {
        if (!(largest > 0) || !(span[i] > floor)) {
            continue;
        }
        const double d = dark ? dark->intensity[i] : 0.0;
        const double r = (scan.intensity[i] - d) / span[i];
        scan.reflectance[i] = r;
        if (r > 0) {
            scan.absorbance[i] = 0.0 - std::log10(r);  // R = 1 gives 0, not -0
        }
    }
    scan.metadata.Set("masked_points", std::to_string(MaskedPoints(scan)));
    return Status::Ok();
}

size_t MaskedPoints(const Spectrum &scan) {
    size_t masked = 0;
    for (size_t i = 0; i < scan.reflectance.size(); ++i) {
        const bool absorbance_empty = i < scan.absorbance.size() && std::isnan(scan.absorbance[i]);
        if (std::isnan(scan.reflectance[i]) || absorbance_empty) {
            ++masked;
        }
    }
    return masked;
}

}  // namespace velscan
