// Shared by the acquisition-layer tests: a temporary folder and spectra.
#pragma once

#include <filesystem>
#include <string>

#include "spectrum.h"

namespace session_test {

// A fresh folder under the system's temporary folder, removed at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    std::string Path(const std::string &name) const { return (path_ / name).string(); }
    size_t EntryCount() const;

private:
    std::filesystem::path path_;
};

// The virtual instrument's stored white reference, interpreted: a real
// 228-point scan record with its metadata and image.
velscan::Spectrum StoredReferenceSpectrum();

std::string ReadText(const std::string &path);
void WriteText(const std::string &path, const std::string &text);

}  // namespace session_test
