// JCAMP-DX 4.24, one spectrum as (XY..XY) pairs: the wavelengths are not
// evenly spaced, so the compressed (X++(Y..Y)) form does not apply. Y is
// absorbance when a reference was applied, else the intensity; masked
// absorbance points are left out and NPOINTS counts the pairs written.
#include <cmath>

#include "formats_internal.h"
#include "number_text.h"

namespace velscan {

namespace {

std::string MetaOr(const Spectrum &spectrum, std::string_view key, std::string_view fallback) {
    const std::string *value = spectrum.metadata.Find(key);
    return value && !value->empty() ? OneLine(*value) : std::string(fallback);
}

// Metadata keys as user-defined labels: "##$CONFIG_NAME=...".
std::string LabelName(std::string_view key) {
    std::string label;
    for (char c : key) {
        label += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : (c == '_' ? ' ' : c);
    }
    return label;
}

}  // namespace

Status JcampText(const Spectrum &spectrum, std::string &out) {
    const std::vector<double> &y = PrimaryValues(spectrum);
    std::vector<size_t> kept;
    for (size_t i = 0; i < spectrum.Points(); ++i) {
        if (std::isfinite(y[i])) {
            kept.push_back(i);
        }
    }
    if (kept.empty()) {
        return Status::Fail(kErrArgument, "every absorbance point is masked: nothing to write as JCAMP-DX");
    }
    const std::string serial = MetaOr(spectrum, "serial", "unknown");
    std::string text;
    text.reserve(40 * kept.size() + 1024);
    text += "##TITLE=" + MetaOr(spectrum, "config_name", "velscan spectrum") + " (" + serial + ")\n";
    text += "##JCAMP-DX=4.24\n";
    text += "##DATA TYPE=NEAR INFRARED SPECTRUM\n";
    text += "##ORIGIN=" + MetaOr(spectrum, "model", "spectrometer") + " serial " + serial + ", " +
            MetaOr(spectrum, "program", "velscan") + "\n";
    text += "##OWNER=\n";
    if (const std::string *time = spectrum.metadata.Find("start_time")) {
        text += "##LONGDATE=" + OneLine(*time) + "\n";
    }
    for (const auto &[key, value] : spectrum.metadata.Entries()) {
        text += "##$" + LabelName(key) + "=" + OneLine(value) + "\n";
    }
    text += "##XUNITS=NANOMETERS\n";
    text += spectrum.HasReference() ? "##YUNITS=ABSORBANCE\n" : "##YUNITS=ARBITRARY UNITS\n";
    text += "##XFACTOR=1\n##YFACTOR=1\n";
    text += "##FIRSTX=" + NumberText(spectrum.wavelength_nm[kept.front()]) + "\n";
    text += "##LASTX=" + NumberText(spectrum.wavelength_nm[kept.back()]) + "\n";
    text += "##NPOINTS=" + std::to_string(kept.size()) + "\n";
    text += "##XYPOINTS=(XY..XY)\n";
    for (size_t i : kept) {
        AppendNumber(text, spectrum.wavelength_nm[i]);
        text += ", ";
        AppendNumber(text, y[i]);
        text += '\n';
    }
    text += "##END=\n";
    out = std::move(text);
    return Status::Ok();
}

}  // namespace velscan
