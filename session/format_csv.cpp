// velscan CSV: "# key: value" metadata lines, one header line, one row per
// point in wavelength order, empty cells for masked values.
#include <limits>
#include <vector>

#include "formats_internal.h"
#include "number_text.h"

namespace velscan {

namespace {

constexpr std::string_view kHeaderPlain = "wavelength_nm,intensity";
constexpr std::string_view kHeaderReference = "wavelength_nm,intensity,reference,reflectance,absorbance";

std::string LineNumber(size_t line) { return "line " + std::to_string(line); }

}  // namespace

std::string CsvText(const Spectrum &spectrum) {
    std::string out;
    out.reserve(64 * spectrum.Points() + 1024);
    for (const auto &[key, value] : spectrum.metadata.Entries()) {
        out += "# ";
        out += OneLine(key);
        out += ": ";
        out += OneLine(value);
        out += '\n';
    }
    const bool reference = spectrum.HasReference();
    out += reference ? kHeaderReference : kHeaderPlain;
    out += '\n';
    for (size_t i = 0; i < spectrum.Points(); ++i) {
        AppendNumber(out, spectrum.wavelength_nm[i]);
        out += ',';
        AppendNumber(out, spectrum.intensity[i]);
        if (reference) {
            for (const std::vector<double> *column :
                 {&spectrum.reference, &spectrum.reflectance, &spectrum.absorbance}) {
                out += ',';
                AppendNumber(out, (*column)[i]);
            }
        }
        out += '\n';
    }
    return out;
}

Status ParseCsv(std::string_view text, Spectrum &out) {
    Spectrum spectrum;
    bool have_header = false;
    bool reference = false;
    size_t line_number = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++line_number;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        if (line.front() == '#') {
            if (have_header) {
                return Status::Fail(kErrInputFile,
                                    LineNumber(line_number) + ": a comment after the header line");
            }
            line.remove_prefix(1);
            if (!line.empty() && line.front() == ' ') {
                line.remove_prefix(1);
            }
            const size_t colon = line.find(": ");
            if (colon != std::string_view::npos && colon > 0) {
                spectrum.metadata.Set(std::string(line.substr(0, colon)),
                                      std::string(line.substr(colon + 2)));
            } else if (!line.empty() && line.back() == ':') {
                spectrum.metadata.Set(std::string(line.substr(0, line.size() - 1)), "");
            }
            continue;
        }
        if (!have_header) {
            if (line == kHeaderPlain || line == kHeaderReference) {
                have_header = true;
                reference = line == kHeaderReference;
                continue;
            }
            return Status::Fail(kErrInputFile, LineNumber(line_number) + ": expected the header line \"" +
                                                   std::string(kHeaderPlain) +
                                                   "\" (with reference columns or without)");
        }
        const size_t columns = reference ? 5 : 2;
        double cells[5] = {};
        size_t column = 0;
        size_t start = 0;
        while (true) {
            const size_t comma = line.find(',', start);
            std::string_view cell =
                line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
            if (column == columns) {
                return Status::Fail(kErrInputFile, LineNumber(line_number) + ": more than " +
                                                       std::to_string(columns) + " cells");
            }
            // Wavelength and intensity are always measured; the ratios may be empty (masked).
            if (cell.empty() && column >= 2) {
                cells[column] = std::numeric_limits<double>::quiet_NaN();
            } else if (!ParseNumber(cell, cells[column])) {
                return Status::Fail(kErrInputFile, LineNumber(line_number) + ", cell " +
                                                       std::to_string(column + 1) + ": not a number: \"" +
                                                       OneLine(cell.substr(0, 40)) + "\"");
            }
            ++column;
            if (comma == std::string_view::npos) {
                break;
            }
            start = comma + 1;
        }
        if (column != columns) {
            return Status::Fail(kErrInputFile, LineNumber(line_number) + ": " + std::to_string(column) +
                                                   " cells, expected " + std::to_string(columns));
        }
        if (!spectrum.wavelength_nm.empty() && cells[0] < spectrum.wavelength_nm.back()) {
            return Status::Fail(kErrInputFile, LineNumber(line_number) + ": wavelengths must ascend");
        }
        spectrum.wavelength_nm.push_back(cells[0]);
        spectrum.intensity.push_back(cells[1]);
        if (reference) {
            spectrum.reference.push_back(cells[2]);
            spectrum.reflectance.push_back(cells[3]);
            spectrum.absorbance.push_back(cells[4]);
        }
    }
    if (!have_header) {
        return Status::Fail(kErrInputFile, "no header line \"" + std::string(kHeaderPlain) + "\"");
    }
    if (spectrum.Points() == 0) {
        return Status::Fail(kErrInputFile, "no data rows after the header line");
    }
    out = std::move(spectrum);
    return Status::Ok();
}

}  // namespace velscan
