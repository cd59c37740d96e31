#include "session_fixture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "virtual_control.h"

namespace session_test {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velscan_session_XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "cannot make a temporary folder";
    }
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

size_t TempFolder::EntryCount() const {
    size_t count = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(path_)) {
        ++count;
    }
    return count;
}

velscan::Spectrum StoredReferenceSpectrum() {
    virt::Reset();
    const std::vector<uint8_t> image = virt::FileImage(2);
    velscan::Spectrum spectrum;
    const velscan::Status status = velscan::SpectrumFromImage(image.data(), image.size(), spectrum);
    EXPECT_TRUE(status.ok()) << status.message;
    return spectrum;
}

std::string ReadText(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace session_test
