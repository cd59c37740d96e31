#include "formats.h"

namespace velscan {

namespace {
Status NotImplemented() { return Status::Fail(kErrInstrument, "not implemented"); }
}  // namespace

Status ParseFormat(std::string_view, Format &) { return NotImplemented(); }
Format FormatFromPath(std::string_view) { return Format::Csv; }
std::string_view FormatName(Format) { return "csv"; }
Status FormatSpectrum(const Spectrum &, Format, std::string &) { return NotImplemented(); }
Status SaveSpectrum(const Spectrum &, Format, const std::string &) { return NotImplemented(); }
Status AppendWide(const Spectrum &, const std::string &) { return NotImplemented(); }
Status ReadSpectrum(const std::string &, Spectrum &) { return NotImplemented(); }

}  // namespace velscan
