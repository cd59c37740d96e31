// velscan JSON: {"metadata": {...}, "wavelength_nm": [...], "intensity":
// [...], and with a reference "reference", "reflectance", "absorbance"},
// null for masked values. Metadata values that are plain numbers are written
// as JSON numbers, everything else as strings.
#include <cmath>
#include <nlohmann/json.hpp>

#include "formats_internal.h"
#include "number_text.h"

namespace velscan {

namespace {

using Json = nlohmann::ordered_json;

struct Column {
    const char *name;
    std::vector<double> Spectrum::*values;
    bool may_be_null;
};

constexpr Column kColumns[] = {
    {"wavelength_nm", &Spectrum::wavelength_nm, false}, {"intensity", &Spectrum::intensity, false},
    {"reference", &Spectrum::reference, true},          {"reflectance", &Spectrum::reflectance, true},
    {"absorbance", &Spectrum::absorbance, true},
};

// A metadata text that reads back identically from a JSON number.
bool IsPlainNumber(const std::string &text, double &value) {
    return ParseNumber(text, value) && NumberText(value) == text;
}

}  // namespace

std::string JsonText(const Spectrum &spectrum) {
    Json root = Json::object();
    Json &metadata = root["metadata"] = Json::object();
    for (const auto &[key, value] : spectrum.metadata.Entries()) {
        double number = 0;
        if (IsPlainNumber(value, number)) {
            if (std::trunc(number) == number && std::fabs(number) < 9.0e15) {
                metadata[key] = static_cast<int64_t>(number);
            } else {
                metadata[key] = number;
            }
        } else {
            metadata[key] = value;
        }
    }
    // Invalid UTF-8 in a metadata text is replaced rather than refused.
    std::string text = root.dump(1, '\t', false, Json::error_handler_t::replace);
    // The arrays are written directly (same numbers as the CSV, shortest
    // round-trip form): building them as JSON values first costs several
    // times more than the text itself.
    text.pop_back();  // the closing brace
    while (!text.empty() && (text.back() == '\n' || text.back() == '\t')) {
        text.pop_back();
    }
    const size_t columns = spectrum.HasReference() ? 5 : 2;
    text.reserve(text.size() + columns * (24 * spectrum.Points() + 32));
    for (size_t c = 0; c < columns; ++c) {
        text += ",\n\t\"";
        text += kColumns[c].name;
        text += "\": [";
        const std::vector<double> &values = spectrum.*kColumns[c].values;
        for (size_t i = 0; i < values.size(); ++i) {
            if (i > 0) {
                text += ", ";
            }
            if (std::isfinite(values[i])) {
                AppendNumber(text, values[i]);
            } else {
                text += "null";
            }
        }
        text += ']';
    }
    text += "\n}\n";
    return text;
}

Status ParseJson(std::string_view text, Spectrum &out) {
    Json root = Json::parse(text.begin(), text.end(), nullptr, false);
    if (root.is_discarded()) {
        return Status::Fail(kErrInputFile, "not valid JSON");
    }
    if (!root.is_object()) {
        return Status::Fail(kErrInputFile, "the JSON text is not an object");
    }
    Spectrum spectrum;
    if (auto it = root.find("metadata"); it != root.end()) {
        if (!it->is_object()) {
            return Status::Fail(kErrInputFile, "field \"metadata\" is not an object");
        }
        for (const auto &[key, value] : it->items()) {
            if (value.is_string()) {
                spectrum.metadata.Set(key, value.get<std::string>());
            } else if (value.is_number_integer()) {
                spectrum.metadata.Set(key, value.is_number_unsigned() ? std::to_string(value.get<uint64_t>())
                                                                      : std::to_string(value.get<int64_t>()));
            } else if (value.is_number()) {
                spectrum.metadata.Set(key, NumberText(value.get<double>()));
            } else {
                return Status::Fail(kErrInputFile,
                                    "metadata field \"" + OneLine(key) + "\" is not a string or number");
            }
        }
    }
    const bool reference =
        root.contains("reference") || root.contains("reflectance") || root.contains("absorbance");
    const size_t columns = reference ? 5 : 2;
    for (size_t c = 0; c < columns; ++c) {
        const Column &column = kColumns[c];
        auto it = root.find(column.name);
        if (it == root.end() || !it->is_array()) {
            return Status::Fail(kErrInputFile,
                                std::string("field \"") + column.name + "\" is missing or not an array");
        }
        std::vector<double> &values = spectrum.*column.values;
        for (size_t i = 0; i < it->size(); ++i) {
            const Json &cell = (*it)[i];
            if (cell.is_number() && std::isfinite(cell.get<double>())) {
                values.push_back(cell.get<double>());
            } else if (cell.is_null() && column.may_be_null) {
                values.push_back(std::numeric_limits<double>::quiet_NaN());
            } else {
                return Status::Fail(kErrInputFile, std::string("field \"") + column.name + "\", element " +
                                                       std::to_string(i) + ": not a number");
            }
        }
        if (values.size() != spectrum.wavelength_nm.size()) {
            return Status::Fail(kErrInputFile, std::string("field \"") + column.name + "\" has " +
                                                   std::to_string(values.size()) +
                                                   " elements, \"wavelength_nm\" " +
                                                   std::to_string(spectrum.wavelength_nm.size()));
        }
    }
    if (spectrum.Points() == 0) {
        return Status::Fail(kErrInputFile, "field \"wavelength_nm\" is empty");
    }
    for (size_t i = 1; i < spectrum.Points(); ++i) {
        if (spectrum.wavelength_nm[i] < spectrum.wavelength_nm[i - 1]) {
            return Status::Fail(kErrInputFile, "field \"wavelength_nm\", element " + std::to_string(i) +
                                                   ": wavelengths must ascend");
        }
    }
    out = std::move(spectrum);
    return Status::Ok();
}

}  // namespace velscan
