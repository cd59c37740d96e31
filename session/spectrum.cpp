#include "spectrum.h"

namespace velscan {

namespace {
Status NotImplemented() { return Status::Fail(kErrInstrument, "not implemented"); }
}  // namespace

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

Status CheckSameAxis(const Spectrum &, const Spectrum &, std::string_view) { return NotImplemented(); }
Status ApplyReference(Spectrum &, const Spectrum &, const Spectrum *) { return NotImplemented(); }
size_t MaskedPoints(const Spectrum &) { return 0; }
Status SpectrumFromImage(const uint8_t *, size_t, Spectrum &) { return NotImplemented(); }

}  // namespace velscan
