// Shared by the format writers and readers of formats*.cpp.
#pragma once

#include <string>
#include <string_view>

#include "spectrum.h"
#include "status.h"

namespace velscan {

std::string CsvText(const Spectrum &spectrum);
std::string JsonText(const Spectrum &spectrum);
Status JcampText(const Spectrum &spectrum, std::string &out);
std::string WideHeader(const Spectrum &spectrum);
std::string WideRow(const Spectrum &spectrum);

Status ParseCsv(std::string_view text, Spectrum &out);
Status ParseJson(std::string_view text, Spectrum &out);

// The values a one-value-per-point format (JCAMP-DX, wide) writes:
// absorbance when a reference was applied, else intensity.
const std::vector<double> &PrimaryValues(const Spectrum &spectrum);

// Metadata values are single-line text: line breaks become spaces.
std::string OneLine(std::string_view text);

// Whole-file and append writes (file_write.cpp).
Status WriteFileAtomically(const std::string &path, std::string_view bytes);
Status AppendToFile(int fd, const std::string &path, std::string_view bytes);
Status ReadWholeFile(const std::string &path, std::string &out);

}  // namespace velscan
