// File formats: round trips, the text of each format, refusals of malformed
// input, whole-file writes, the wide table.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "formats.h"
#include "info_format.h"
#include "virtual_control.h"

namespace {

using namespace velscan;
namespace fs = std::filesystem;

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

// A fresh folder under the system's temporary folder, removed at the end.
struct TempFolder {
    fs::path path = fs::temp_directory_path() / ("velscan_session_" + std::to_string(getpid()));
    TempFolder() {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempFolder() { fs::remove_all(path); }
    std::string Path(const std::string &name) const { return (path / name).string(); }
    long Entries() const { return std::distance(fs::directory_iterator(path), fs::directory_iterator()); }
};

std::string ReadText(const std::string &path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// The virtual instrument's stored white reference, interpreted: a real
// 228-point scan record with its metadata and image.
Spectrum StoredReference() {
    virt::Reset();
    const std::vector<uint8_t> image = virt::FileImage(2);
    Spectrum spectrum;
    const Status status = SpectrumFromImage(image.data(), image.size(), spectrum);
    EXPECT_TRUE(status.ok()) << status.message;
    return spectrum;
}

// Same values, NaN matching NaN, compared bit-exactly otherwise.
void ExpectSameValues(const std::vector<double> &a, const std::vector<double> &b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
        EXPECT_TRUE(std::isnan(a[i]) ? std::isnan(b[i]) : a[i] == b[i]) << i << ": " << a[i] << " " << b[i];
}

Spectrum WithReference() {
    Spectrum scan = StoredReference();
    Spectrum white = scan;
    // Ratios with long decimal expansions.
    for (size_t i = 0; i < white.Points(); ++i) white.intensity[i] = 1.1 * scan.intensity[i] + 0.3;
    white.intensity[5] = 0;   // below the floor: masked ratio
    scan.intensity[7] = -20;  // negative reflectance: masked absorbance
    EXPECT_TRUE(ApplyReference(scan, white, nullptr).ok());
    return scan;
}

TEST(Formats, CsvAndJsonReadBackExactly) {
    TempFolder folder;
    const Spectrum plain = StoredReference();
    const Spectrum referenced = WithReference();
    for (const Spectrum *spectrum : {&plain, &referenced}) {
        for (Format format : {Format::Csv, Format::Json}) {
            SCOPED_TRACE(std::string(FormatName(format)) +
                         (spectrum->HasReference() ? " with reference" : ""));
            const std::string path = folder.Path("s." + std::string(FormatName(format)));
            ASSERT_TRUE(SaveSpectrum(*spectrum, format, path).ok());
            Spectrum back;
            const Status read = ReadSpectrum(path, back);
            ASSERT_TRUE(read.ok()) << read.message;
            for (auto column : {&Spectrum::wavelength_nm, &Spectrum::intensity, &Spectrum::reference,
                                &Spectrum::reflectance, &Spectrum::absorbance})
                ExpectSameValues(spectrum->*column, back.*column);
            EXPECT_EQ(spectrum->metadata.Entries(), back.metadata.Entries());
        }
    }
    EXPECT_EQ(*referenced.metadata.Find("masked_points"), "2");
}

TEST(Formats, RawImageConvertsToTheSameCsv) {
    TempFolder folder;
    const Spectrum spectrum = StoredReference();
    ASSERT_TRUE(SaveSpectrum(spectrum, Format::Raw, folder.Path("scan.raw")).ok());
    Spectrum back;
    ASSERT_TRUE(ReadSpectrum(folder.Path("scan.raw"), back).ok());
    std::string before, after;
    ASSERT_TRUE(FormatSpectrum(spectrum, Format::Csv, before).ok());
    ASSERT_TRUE(FormatSpectrum(back, Format::Csv, after).ok());
    EXPECT_EQ(before, after);
    EXPECT_EQ(back.raw_image, spectrum.raw_image);
}

TEST(Formats, CsvJcampAndInfoText) {
    const Spectrum spectrum = WithReference();
    std::string csv;
    ASSERT_TRUE(FormatSpectrum(spectrum, Format::Csv, csv).ok());
    EXPECT_EQ(csv.rfind("# program: velscan ", 0), 0u);
    EXPECT_NE(csv.find("\nwavelength_nm,intensity,reference,reflectance,absorbance\n"), std::string::npos);
    EXPECT_EQ(csv.find("nan"), std::string::npos);
    EXPECT_EQ(csv.find("inf"), std::string::npos);

    std::string jcamp;
    ASSERT_TRUE(FormatSpectrum(spectrum, Format::Jcamp, jcamp).ok());
    for (const char *label : {"##TITLE=", "##JCAMP-DX=4.24\n", "##DATA TYPE=NEAR INFRARED SPECTRUM\n",
                              "##ORIGIN=", "##OWNER=", "##XUNITS=NANOMETERS\n", "##YUNITS=ABSORBANCE\n",
                              "##NPOINTS=226\n", "##FIRSTX=", "##LASTX=", "##XYPOINTS=(XY..XY)\n"}) {
        EXPECT_NE(jcamp.find(label), std::string::npos) << label;
    }
    const size_t table = jcamp.find("(XY..XY)\n") + 9;
    size_t pairs = 0;
    for (size_t at = table; jcamp.compare(at, 2, "##") != 0; at = jcamp.find('\n', at) + 1) {
        ++pairs;
    }
    EXPECT_EQ(pairs, 226u);  // the two masked absorbance points are left out
    EXPECT_EQ(jcamp.substr(jcamp.size() - 7), "##END=\n");

    // Names come from the instrument as bytes: invalid UTF-8 is replaced, not thrown on.
    InstrumentInfo info;
    info.model = "NIR \xff";
    EXPECT_NE(InfoJson(info).find("\"NIR \xEF\xBF\xBD\""), std::string::npos);
}

TEST(Formats, MalformedInputIsRefusedWithWhere) {
    struct Case {
        const char *name;
        std::string content;
        const char *message_part;
    };
    const Case cases[] = {
        {"empty", "", "is not a velscan"},
        {"binary", std::string("\x00\xff\x13\x37", 4), "is not a velscan"},
        {"tpl garbage", "tpl\x01garbage", "could not be interpreted"},
        {"no header", "# a: b\n1,2\n", "line 2: expected the header"},
        {"no rows", "wavelength_nm,intensity\n", "no data rows"},
        {"bad number", "wavelength_nm,intensity\n900,12\n901,1O\n", "line 3, cell 2: not a number"},
        {"nan text", "wavelength_nm,intensity\n900,nan\n", "line 2, cell 2"},
        {"empty intensity", "wavelength_nm,intensity\n900,\n", "line 2, cell 2"},
        {"too many cells", "wavelength_nm,intensity\n900,1,2\n", "line 2: more than 2 cells"},
        {"too few cells", "wavelength_nm,intensity,reference,reflectance,absorbance\n900,1,2\n",
         "line 2: 3 cells"},
        {"descending", "wavelength_nm,intensity\n901,1\n900,1\n", "line 3: wavelengths must ascend"},
        {"json syntax", "{\"wavelength_nm\": [1,", "not valid JSON"},
        {"json not object", " [1, 2]", "is not a velscan"},
        {"json missing", "{\"wavelength_nm\": [900]}", "\"intensity\" is missing"},
        {"json lengths", "{\"wavelength_nm\": [900, 901], \"intensity\": [1]}",
         "\"intensity\" has 1 elements"},
        {"json null intensity", "{\"wavelength_nm\": [900], \"intensity\": [null]}",
         "element 0: not a number"},
        {"json metadata", "{\"metadata\": {\"a\": [1]}, \"wavelength_nm\": [900], \"intensity\": [1]}",
         "metadata field \"a\""},
    };
    TempFolder folder;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.Path("input");
        std::ofstream(path, std::ios::binary) << c.content;
        Spectrum out;
        const Status status = ReadSpectrum(path, out);
        EXPECT_EQ(status.code, kErrInputFile);
        EXPECT_NE(status.message.find(c.message_part), std::string::npos) << status.message;
    }
    Spectrum out;
    EXPECT_EQ(ReadSpectrum(folder.Path("missing"), out).code, kErrInputFile);
}

TEST(Formats, FailedWriteLeavesNothingBehind) {
    TempFolder folder;
    const Spectrum spectrum = StoredReference();
    std::filesystem::create_directory(folder.Path("taken"));
    // Renaming over a folder fails after the temporary file was written.
    EXPECT_EQ(SaveSpectrum(spectrum, Format::Csv, folder.Path("taken")).code, kErrOutputFile);
    EXPECT_EQ(SaveSpectrum(spectrum, Format::Json, folder.Path("no/such/folder.json")).code, kErrOutputFile);
    EXPECT_EQ(folder.Entries(), 1);
    Spectrum no_image = spectrum;
    no_image.raw_image.clear();
    EXPECT_EQ(SaveSpectrum(no_image, Format::Raw, folder.Path("x.raw")).code, kErrArgument);
    EXPECT_EQ(folder.Entries(), 1);
}

TEST(Formats, WideAppendsRowsAndRefusesOtherColumns) {
    TempFolder folder;
    const std::string path = folder.Path("series.csv");
    Spectrum spectrum = StoredReference();
    ASSERT_TRUE(AppendWide(spectrum, path).ok());
    ASSERT_TRUE(AppendWide(spectrum, path).ok());
    const std::string text = ReadText(path);
    EXPECT_EQ(text.rfind("time,serial,config,temperature,humidity,", 0), 0u);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
    EXPECT_EQ(std::count(text.begin(), text.begin() + text.find('\n'), ','), 4 + 228);

    Spectrum shifted = spectrum;
    shifted.wavelength_nm[100] += 0.01;
    Spectrum shorter = spectrum;
    shorter.wavelength_nm.pop_back();
    shorter.intensity.pop_back();
    for (const Spectrum *other : {&shifted, &shorter}) {
        EXPECT_EQ(AppendWide(*other, path).code, kErrMismatch);
    }
    std::ofstream(folder.Path("other.csv")) << "wavelength_nm,intensity\n900,1\n";
    EXPECT_EQ(AppendWide(spectrum, folder.Path("other.csv")).code, kErrMismatch);
    EXPECT_EQ(ReadText(path), text);
}

TEST(Reference, RatiosAndTheirGuardRails) {
    Spectrum scan, white, dark;
    scan.wavelength_nm = white.wavelength_nm = dark.wavelength_nm = {900, 1000, 1100, 1200, 1300};
    scan.intensity = {510, 260, 5, 10, 60};
    white.intensity = {1010, 1010, 20, 1010, 110};
    dark.intensity = {10, 10, 10, 15, 10};
    ASSERT_TRUE(ApplyReference(scan, white, &dark).ok());
    // W-D: 1000, 1000, 10 (1% of 1000, not above: masked), 995, 100.
    ExpectSameValues(scan.reflectance, {0.5, 0.25, kNan, -5.0 / 995, 0.5});
    ExpectSameValues(scan.absorbance, {-std::log10(0.5), -std::log10(0.25), kNan, kNan, -std::log10(0.5)});
    EXPECT_EQ(*scan.metadata.Find("masked_points"), "2");

    Spectrum moved = white;
    moved.wavelength_nm[3] += 0.0011;
    EXPECT_EQ(ApplyReference(scan, moved, nullptr).code, kErrMismatch);
    moved.wavelength_nm[3] -= 0.0002;  // within 0.001 nm
    EXPECT_TRUE(ApplyReference(scan, moved, nullptr).ok());
    Spectrum short_dark = dark;
    short_dark.wavelength_nm.pop_back();
    short_dark.intensity.pop_back();
    EXPECT_EQ(ApplyReference(scan, white, &short_dark).code, kErrMismatch);
}

}  // namespace
