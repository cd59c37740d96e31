#include "missing_scan.h"

#include <cmath>
#include <ctime>

namespace velscan {

Spectrum MissingScan(const Spectrum &like, const std::string &start_time, const std::string &reason) {
    Spectrum missing;
    missing.wavelength_nm = like.wavelength_nm;
    missing.intensity.assign(like.Points(), NAN);
    for (const char *key : {"program", "serial", "model", "config_slot", "config_name", "config_type"}) {
        if (const std::string *value = like.metadata.Find(key)) missing.metadata.Set(key, *value);
    }
    missing.metadata.Set("start_time", start_time);
    missing.metadata.Set("scan_error", reason);
    return missing;
}

std::string NowIso8601() {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace velscan
