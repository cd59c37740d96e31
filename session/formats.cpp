// Choosing a format, writing a spectrum in it, and reading one back.
#include "formats.h"

#include <array>

#include "formats_internal.h"
#include "guard.h"

namespace velscan {

namespace {

struct FormatName_ {
    std::string_view name;
    Format format;
};

constexpr std::array<FormatName_, 7> kNames = {{
    {"csv", Format::Csv},
    {"json", Format::Json},
    {"jcamp", Format::Jcamp},
    {"jdx", Format::Jcamp},
    {"dx", Format::Jcamp},
    {"wide", Format::Wide},
    {"raw", Format::Raw},
}};

struct Ending {
    std::string_view suffix;
    Format format;
};

constexpr std::array<Ending, 7> kEndings = {{
    {".csv", Format::Csv},
    {".json", Format::Json},
    {".jdx", Format::Jcamp},
    {".dx", Format::Jcamp},
    {".jcamp", Format::Jcamp},
    {".raw", Format::Raw},
    {".tpl", Format::Raw},
}};

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    text = text.substr(text.size() - suffix.size());
    for (size_t i = 0; i < suffix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != suffix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

Status ParseFormat(std::string_view name, Format &out) {
    for (const FormatName_ &entry : kNames) {
        if (entry.name == name) {
            out = entry.format;
            return Status::Ok();
        }
    }
    return Status::Fail(kErrArgument,
                        "unknown format \"" + OneLine(name) + "\" (csv, json, jcamp, wide or raw)");
}

Format FormatFromPath(std::string_view path) {
    for (const Ending &ending : kEndings) {
        if (EndsWithNoCase(path, ending.suffix)) {
            return ending.format;
        }
    }
    return Format::Csv;
}

std::string_view FormatName(Format format) {
    for (const FormatName_ &entry : kNames) {
        if (entry.format == format) {
            return entry.name;
        }
    }
    return "csv";
}

const std::vector<double> &PrimaryValues(const Spectrum &spectrum) {
    return spectrum.HasReference() ? spectrum.absorbance : spectrum.intensity;
}

std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char &c : line) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return line;
}

Status FormatSpectrum(const Spectrum &spectrum, Format format, std::string &out) {
    return Guarded([&]() -> Status {
        if (format != Format::Raw && spectrum.Points() == 0) {
            return Status::Fail(kErrArgument, "the spectrum has no points");
        }
        switch (format) {
            case Format::Csv:
                out = CsvText(spectrum);
                return Status::Ok();
            case Format::Json:
                out = JsonText(spectrum);
                return Status::Ok();
            case Format::Jcamp:
                return JcampText(spectrum, out);
            case Format::Wide:
                out = WideHeader(spectrum) + WideRow(spectrum);
                return Status::Ok();
            case Format::Raw:
                if (spectrum.raw_image.empty()) {
                    return Status::Fail(kErrArgument, "no scan record image is kept with this spectrum");
                }
                out.assign(spectrum.raw_image.begin(), spectrum.raw_image.end());
                return Status::Ok();
        }
        return Status::Fail(kErrArgument, "unknown format");
    });
}

Status SaveSpectrum(const Spectrum &spectrum, Format format, const std::string &path) {
    if (format == Format::Wide) {
        return Guarded([&] { return AppendWide(spectrum, path); });
    }
    return Guarded([&]() -> Status {
        std::string text;
        Status status = FormatSpectrum(spectrum, format, text);
        if (!status) {
            return status;
        }
        return WriteFileAtomically(path, text);
    });
}

Status ReadSpectrum(const std::string &path, Spectrum &out) {
    return Guarded([&]() -> Status {
        std::string bytes;
        Status status = ReadWholeFile(path, bytes);
        if (!status) {
            return status;
        }
        Spectrum spectrum;
        size_t first = bytes.find_first_not_of(" \t\r\n");
        if (bytes.compare(0, 3, "tpl") == 0) {
            status =
                SpectrumFromImage(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), spectrum);
        } else if (first != std::string::npos && bytes[first] == '{') {
            status = ParseJson(bytes, spectrum);
        } else if (first != std::string::npos && (bytes[first] == '#' || bytes[first] == 'w')) {
            status = ParseCsv(bytes, spectrum);
        } else {
            return Status::Fail(kErrInputFile,
                                path + " is not a velscan CSV or JSON file or a raw scan image");
        }
        if (!status) {
            return Status::Fail(status.code, path + ": " + status.message);
        }
        out = std::move(spectrum);
        return Status::Ok();
    });
}

}  // namespace velscan
