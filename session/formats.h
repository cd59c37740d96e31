// The file formats a spectrum is written in and read from. Each format is
// implemented once, here; every front end (command line, C interface,
// Python) goes through these functions.
#pragma once

#include <string>
#include <string_view>

#include "spectrum.h"
#include "status.h"

namespace velscan {

enum class Format { Csv, Json, Jcamp, Wide, Raw };

// "csv", "json", "jcamp" (also "jdx", "dx"), "wide", "raw": kErrArgument otherwise.
Status ParseFormat(std::string_view name, Format &out);
// From a file name's ending (.csv .json .jdx .dx .jcamp .raw .tpl); Csv when none matches.
Format FormatFromPath(std::string_view path);
std::string_view FormatName(Format format);

// The whole file as text (Raw: the image bytes). Wide: header line and one row.
Status FormatSpectrum(const Spectrum &spectrum, Format format, std::string &out);

// Writes a single file atomically: a temporary file in the same folder,
// flushed, then renamed over path, so a failure never leaves a partial file
// (kErrOutputFile, nothing left behind). Wide appends instead: see AppendWide.
Status SaveSpectrum(const Spectrum &spectrum, Format format, const std::string &path);

// Appends one row to a wide file, writing the header first when the file is
// new or empty; refuses (kErrMismatch) a file whose wavelength columns differ.
// The row is written whole and flushed.
Status AppendWide(const Spectrum &spectrum, const std::string &path);

// Reads a velscan CSV or JSON file or a raw scan record image (recognised by
// content, not name) into a spectrum. kErrInputFile with the line or field
// that is wrong.
Status ReadSpectrum(const std::string &path, Spectrum &out);

}  // namespace velscan
