// velscan scan, convert, plot, list, info and config against the virtual
// spectrometer: exit codes, what is written, and what it reads back as.
#include <cairo.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <functional>
#include <nlohmann/json.hpp>

#include "cli_harness.h"
#include "fake_hid.h"
#include "font_cache_leaks.h"
#include "usb.h"
#include "virtual_device.h"
#include "virtual_control.h"

namespace velscan_test {
namespace {

using ScanTest = CliTest;

Csv Load(const CliTest &, const std::string &text) {
    Csv csv;
    std::string error;
    EXPECT_TRUE(ParseCsv(text, csv, error)) << error;
    return csv;
}

double At(const Csv &csv, const std::string &column, double nm) {
    std::vector<double> x = csv.Column("wavelength_nm"), y = csv.Column(column);
    size_t best = 0;
    for (size_t i = 0; i < x.size(); ++i)
        if (std::fabs(x[i] - nm) < std::fabs(x[best] - nm)) best = i;
    return y[best];
}

// Each row: arguments, exit code, and what the written file must show.
TEST_F(ScanTest, ScansAndFiles) {
    ASSERT_EQ(Run({"scan", "--virtual", "-o", "{dir}/white.csv"}).code, 0);
    struct Case {
        std::vector<std::string> args;
        int code;
        std::function<void(const CliResult &)> check;
    } cases[] = {
        {{"scan", "--virtual"},
         0,
         [&](const CliResult &r) {
             Csv csv = Load(*this, r.out);
             std::vector<double> x = csv.Column("wavelength_nm");
             ASSERT_EQ(x.size(), 228u);
             EXPECT_TRUE(std::is_sorted(x.begin(), x.end()));
             EXPECT_NEAR(x.front(), 900, 2);
             EXPECT_NEAR(x.back(), 1700, 2);
             EXPECT_EQ(csv.metadata["serial"], "VS260417");
             EXPECT_EQ(csv.columns, (std::vector<std::string>{"wavelength_nm", "intensity"}));
         }},
        {{"scan", "--virtual", "--reference", "device", "-o", "{dir}/r.csv"},
         0,
         [&](const CliResult &) {
             Csv csv = Load(*this, Read("r.csv"));
             EXPECT_NEAR(At(csv, "reflectance", 1300), 1, 0.05);
             EXPECT_NEAR(At(csv, "absorbance", 1300), 0, 0.03);
         }},
        {{"scan", "--virtual=organic", "--reference", "{dir}/white.csv", "-o", "{dir}/o.csv"},
         0,
         [&](const CliResult &) {
             Csv csv = Load(*this, Read("o.csv"));
             EXPECT_GT(At(csv, "absorbance", 1450), At(csv, "absorbance", 1300) + 0.05);
         }},
        {{"scan", "--virtual=covered", "--reference", "{dir}/white.csv", "-o", "{dir}/c.csv"},
         0,
         [&](const CliResult &r) {
             Csv csv = Load(*this, Read("c.csv"));
             EXPECT_GT(std::stoi(csv.metadata["masked_points"]), 0);
             EXPECT_NE(r.err.find("masked"), std::string::npos);
         }},
        {{"scan", "--virtual", "--reference", "device", "-O", "json", "-o", "{dir}/s.json"},
         0,
         [&](const CliResult &) {
             auto json = nlohmann::json::parse(Read("s.json"));
             EXPECT_EQ(json["wavelength_nm"].size(), 228u);
             for (const char *key : {"intensity", "reference", "reflectance", "absorbance"})
                 EXPECT_EQ(json[key].size(), 228u) << key;
             EXPECT_EQ(json["metadata"]["serial"], "VS260417");
         }},
        {{"scan", "--virtual", "-o", "{dir}/s.jdx"},
         0,
         [&](const CliResult &) {
             std::string text = Read("s.jdx");
             for (const char *label :
                  {"##TITLE=", "##JCAMP-DX=4.24", "##DATA TYPE=NEAR INFRARED SPECTRUM", "##XUNITS=NANOMETERS",
                   "##NPOINTS=228", "##XYPOINTS=(XY..XY)", "##END="})
                 EXPECT_NE(text.find(label), std::string::npos) << label;
         }},
        {{"scan", "--virtual", "--raw", "{dir}/k.raw", "-o", "{dir}/k.csv", "--plot", "{dir}/k.png"},
         0,
         [&](const CliResult &) {
             ASSERT_EQ(Run({"convert", "{dir}/k.raw", "-o", "{dir}/k2.csv"}).code, 0);
             auto body = [](std::string t) { return t.substr(t.find("wavelength_nm,")); };
             EXPECT_EQ(body(Read("k2.csv")), body(Read("k.csv")));
             cairo_surface_t *png = cairo_image_surface_create_from_png(Path("k.png").c_str());
             EXPECT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
             cairo_surface_destroy(png);
         }},
        {{"scan", "--virtual", "--count", "2", "-O", "wide", "-o", "{dir}/w.csv"},
         0,
         [&](const CliResult &) {
             ASSERT_EQ(Run({"scan", "--virtual", "-O", "wide", "-o", "{dir}/w.csv"}).code, 0);
             std::string text = Read("w.csv");
             EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
             EXPECT_EQ(text.rfind("time,serial,config,temperature,humidity,", 0), 0u);
             CliResult refused =
                 Run({"scan", "--virtual", "--config", "2", "-O", "wide", "-o", "{dir}/w.csv"});
             EXPECT_EQ(refused.code, 2);
             EXPECT_EQ(Read("w.csv"), text);
         }},
        {{"scan", "--virtual", "--count", "3", "-o", "{dir}/ser.json"},
         0,
         [&](const CliResult &) {
             for (const char *name : {"ser-001.json", "ser-002.json", "ser-003.json"})
                 EXPECT_FALSE(Read(name).empty()) << name;
         }},
        {{"scan", "--virtual", "--config", "2", "--reference", "{dir}/white.csv", "-o", "{dir}/m.csv"},
         2,
         [&](const CliResult &r) {
             EXPECT_NE(r.err.find("white.csv"), std::string::npos);
             EXPECT_EQ(virt::GetCounters().scans, 0u);  // refused before measuring
             EXPECT_EQ(Read("m.csv"), "");
         }},
        {{"scan", "--virtual", "-o", "{dir}/none/s.csv"}, 1, nullptr},
        {{"scan", "--virtual", "-o", "/dev/full"}, 1, nullptr},
        {{"scan", "--virtual", "--config", "9"}, 2, nullptr},
        {{"convert", "{dir}/white.csv", "-o", "{dir}/wc.json", "--reference", "{dir}/white.csv"},
         0,
         [&](const CliResult &) {
             auto json = nlohmann::json::parse(Read("wc.json"));
             EXPECT_NEAR(json["absorbance"][100].get<double>(), 0, 1e-9);
         }},
        {{"convert", "{dir}/white.csv", "-o", "{dir}/bad.csv", "--reference", "{dir}/bad.txt"}, 2, nullptr},
        {{"plot", "{dir}/white.csv", "{dir}/white.csv", "-o", "{dir}/p.svg"},
         0,
         [&](const CliResult &) {
             std::string svg = Read("p.svg");
             EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
             EXPECT_NE(svg.find("<svg"), std::string::npos);
         }},
        {{"plot", "{dir}/white.csv", "-o", "{dir}/pa.png", "--absorbance"}, 2, nullptr},
        {{"list", "--virtual"},
         0,
         [](const CliResult &r) { EXPECT_EQ(r.out.rfind("0 VS260417 3f17:4e10 ", 0), 0u); }},
        {{"info", "--virtual", "--json"},
         0,
         [](const CliResult &r) {
             auto json = nlohmann::json::parse(r.out);
             EXPECT_EQ(json["serial"], "VS260417");
             EXPECT_GE(json["configurations"].size(), 1u);
         }},
        {{"config", "add", "--virtual", "--type", "hadamard", "--start", "1000", "--end", "1600", "--points",
          "120", "--name", "mine", "--slot", "3"},
         0,
         [&](const CliResult &added) {
             CliResult shown = Run({"config", "show", "--virtual", "3"});
             EXPECT_EQ(shown.code, 0);
             EXPECT_EQ(shown.out, added.out);
             EXPECT_NE(shown.out.find("name: mine"), std::string::npos);
             EXPECT_NE(shown.out.find("1000-1600"), std::string::npos);
         }},
        {{"config", "add", "--virtual", "--start", "100"},
         2,
         [](const CliResult &r) { EXPECT_NE(r.err.find("start"), std::string::npos); }},
    };
    std::ofstream(Path("bad.txt")) << "not a spectrum\n";
    for (const Case &c : cases) {
        std::string shown;
        for (const std::string &a : c.args) shown += a + " ";
        virt::Reset();
        CliResult r = Run(c.args);
        EXPECT_EQ(r.code, c.code) << shown << "\n" << r.err;
        if (c.code != 0) {
            EXPECT_FALSE(r.err.empty()) << shown;
            EXPECT_EQ(r.out, "") << shown;
        }
        if (c.check) {
            SCOPED_TRACE(shown);
            c.check(r);
        }
    }
    for (const std::string &name : Files()) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

// Someone plugs the cable back in while velscan waits for the instrument to
// come back (waits while it is still plugged in pass untouched).
void PlugBackIn(uint32_t) {
    const USB_HidBackend *backend = VIRT_Backend();
    hid_device_info *found = backend->enumerate(USB_VENDOR_ID, USB_PRODUCT_ID);
    if (found)
        backend->free_enumeration(found);
    else
        virt::ClearFaults();
}

TEST_F(ScanTest, SeriesKeepsEveryRowAcrossADisconnect) {
    virt::FaultSpec unplug;
    unplug.fault = virt::Fault::Disconnect;
    unplug.command = 0x0218;  // the second scan's start
    unplug.skip = 1;
    unplug.persistent = true;
    virt::InjectFault(unplug);
    USB_SetSleepFunction(PlugBackIn);
    CliResult r = Run({"scan", "--virtual", "--count", "3", "-O", "wide", "-o", "{dir}/w.csv"});
    USB_SetSleepFunction(nullptr);
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_NE(r.err.find("scan 2 of 3"), std::string::npos) << r.err;
    std::string text = Read("w.csv");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4) << text;  // header and three rows
    // The missing scan's row: its time and serial, every measured cell empty.
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[2].find(",VS260417,0,,,,"), std::string::npos) << lines[2];
    EXPECT_EQ(lines[3].find(",,"), std::string::npos) << lines[3];
}

TEST_F(ScanTest, PermissionFailureNamesTheRule) {
    FakeHid hid;
    hid.addDevice();
    hid.failOpen = true;
    hid.openError = L"Permission denied";
    CliResult r = Run({"info"});
    EXPECT_EQ(r.code, 4) << r.err;
    EXPECT_NE(r.err.find("Permission denied"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("70-velscan.rules"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace velscan_test
