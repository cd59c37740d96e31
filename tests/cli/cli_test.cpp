// velscan's subcommands run in-process against the virtual spectrometer and
// the scripted HID backend: exit codes, standard output and error, what is
// written and what it reads back as. Bad usage gives one or two plain lines
// on standard error, nothing on standard output and no file left behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "fake_hid.h"
#include "font_cache_leaks.h"
#include "formats_internal.h"
#include "usb.h"
#include "virtual_control.h"
#include "virtual_device.h"

namespace velscan_test {
namespace {

struct CliResult {
    int code = -1;
    std::string out, err;
};

// velscan ARGS... ("{dir}" in an argument is replaced by the test's folder).
class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        virt::Reset();
        dir_ = std::filesystem::temp_directory_path() / ("velscan_cli_" + std::to_string(getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::filesystem::remove_all(dir_);
        virt::Reset();
    }

    CliResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), "velscan");
        std::vector<char *> argv;
        for (std::string &arg : args) {
            for (size_t at; (at = arg.find("{dir}")) != std::string::npos;) arg.replace(at, 5, dir_.string());
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int code = velscan::RunCli(static_cast<int>(args.size()), argv.data());
        std::string err = testing::internal::GetCapturedStderr();
        return {code, testing::internal::GetCapturedStdout(), err};
    }
    std::string Path(const std::string &name) const { return (dir_ / name).string(); }
    std::string Read(const std::string &name) const {
        std::stringstream text;
        text << std::ifstream(dir_ / name, std::ios::binary).rdbuf();
        return text.str();
    }

    std::filesystem::path dir_;
};

using UsageTest = CliTest;
using ScanTest = CliTest;

TEST_F(UsageTest, RefusedCleanly) {
    struct Case {
        std::vector<std::string> args;
        const char *err;  // part of the message
    } cases[] = {
        {{"scan", "--bogus"}, "--bogus"},
        {{"frobnicate"}, "frobnicate"},
        {{"--serial", "X"}, "no subcommand"},
        {{"config"}, "subcommand"},
        {{"scan", "--virtual", "--config"}, "--config"},
        {{"scan", "--virtual", "--config", "-1"}, "--config"},
        {{"scan", "--virtual", "--gain", "3"}, "--gain"},
        {{"scan", "--virtual", "--average", "0"}, "--average"},
        {{"scan", "--virtual", "--count", "0", "-o", "{dir}/s.csv"}, "--count"},
        {{"scan", "--virtual", "--interval", "-1"}, "--interval"},
        {{"scan", "--virtual", "--average", "many"}, "--average"},
        {{"scan", "--virtual=blue"}, "blue"},
        {{"scan", "--virtual", "-O", "xml"}, "xml"},
        {{"scan", "--virtual", "--count", "3"}, "-o FILE"},
        {{"scan", "--virtual", "--plot", "{dir}/p.jpg"}, "p.jpg"},
        {{"scan", "--virtual", "--dark", "{dir}/none.csv"}, "--reference"},
        {{"scan", "--virtual", "--reference", "{dir}/none.csv", "-o", "{dir}/s.csv"}, "none.csv"},
        {{"convert", "{dir}/none.csv", "-o", "{dir}/c.json"}, "none.csv"},
        {{"convert", "{dir}/none.csv"}, "-o"},
        {{"plot", "-o", "{dir}/p.png"}, "INPUT"},
        {{"plot", "{dir}/none.csv", "-o", "{dir}/p.png"}, "none.csv"},
        {{"config", "show", "--virtual"}, "SLOT"},
        {{"config", "add", "--virtual", "--type", "prism"}, "prism"},
        {{"config", "add", "--virtual", "--type", "multi"}, "--section"},
        {{"config", "add", "--virtual", "--type", "multi", "--section", "column:900:x:6:10"}, "--section"},
    };
    for (const Case &c : cases) {
        std::string shown;
        for (const std::string &a : c.args) shown += a + " ";
        SCOPED_TRACE(shown);
        CliResult r = Run(c.args);
        EXPECT_EQ(r.code, 2) << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_LE(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(std::filesystem::is_empty(dir_));
    }
}

TEST_F(UsageTest, VersionAndHelp) {
    CliResult version = Run({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, "velscan " VELSCAN_VERSION "\n");
    CliResult help = Run({"--help"});
    EXPECT_EQ(help.code, 0);
    for (const char *name : {"list", "info", "config", "scan", "convert", "plot"})
        EXPECT_NE(help.out.find(name), std::string::npos) << name;
}

// The spectrum in a velscan CSV text; a malformed one fails the test.
velscan::Spectrum Csv(const std::string &text) {
    velscan::Spectrum spectrum;
    const velscan::Status status = velscan::ParseCsv(text, spectrum);
    EXPECT_TRUE(status.ok()) << status.message;
    return spectrum;
}

// The value of y at the point nearest to nm.
double At(const velscan::Spectrum &s, const std::vector<double> &y, double nm) {
    size_t best = 0;
    for (size_t i = 0; i < s.Points(); ++i)
        if (std::fabs(s.wavelength_nm[i] - nm) < std::fabs(s.wavelength_nm[best] - nm)) best = i;
    return y.at(best);
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
             const velscan::Spectrum s = Csv(r.out);
             const std::vector<double> &x = s.wavelength_nm;
             ASSERT_EQ(x.size(), 228u);
             EXPECT_TRUE(std::is_sorted(x.begin(), x.end()));
             EXPECT_NEAR(x.front(), 900, 2);
             EXPECT_NEAR(x.back(), 1700, 2);
             EXPECT_EQ(*s.metadata.Find("serial"), "VS260417");
             EXPECT_FALSE(s.HasReference());
         }},
        {{"scan", "--virtual", "--reference", "device", "-o", "{dir}/r.csv"},
         0,
         [&](const CliResult &) {
             const velscan::Spectrum s = Csv(Read("r.csv"));
             EXPECT_NEAR(At(s, s.reflectance, 1300), 1, 0.05);
             EXPECT_NEAR(At(s, s.absorbance, 1300), 0, 0.03);
         }},
        {{"scan", "--virtual=organic", "--reference", "{dir}/white.csv", "-o", "{dir}/o.csv"},
         0,
         [&](const CliResult &) {
             const velscan::Spectrum s = Csv(Read("o.csv"));
             EXPECT_GT(At(s, s.absorbance, 1450), At(s, s.absorbance, 1300) + 0.05);
         }},
        {{"scan", "--virtual=covered", "--reference", "{dir}/white.csv", "-o", "{dir}/c.csv"},
         0,
         [&](const CliResult &r) {
             EXPECT_GT(std::stoi(*Csv(Read("c.csv")).metadata.Find("masked_points")), 0);
             EXPECT_NE(r.err.find("masked"), std::string::npos);
         }},
        {{"scan", "--virtual", "--reference", "device", "-O", "json", "-o", "{dir}/s.json"},
         0,
         [&](const CliResult &) {
             auto json = nlohmann::json::parse(Read("s.json"));
             for (const char *key : {"wavelength_nm", "intensity", "reference", "reflectance", "absorbance"})
                 EXPECT_EQ(json[key].size(), 228u) << key;
             EXPECT_EQ(json["metadata"]["serial"], "VS260417");
         }},
        {{"scan", "--virtual", "-o", "{dir}/s.jdx"},
         0,
         [&](const CliResult &) {
             std::string text = Read("s.jdx");
             for (const char *label : {"##JCAMP-DX=4.24\n", "##NPOINTS=228\n", "##END=\n"})
                 EXPECT_NE(text.find(label), std::string::npos) << label;
         }},
        {{"scan", "--virtual", "--raw", "{dir}/k.raw", "-o", "{dir}/k.csv", "--plot", "{dir}/k.png"},
         0,
         [&](const CliResult &) {
             ASSERT_EQ(Run({"convert", "{dir}/k.raw", "-o", "{dir}/k2.csv"}).code, 0);
             auto body = [](std::string t) { return t.substr(t.find("wavelength_nm,")); };
             EXPECT_EQ(body(Read("k2.csv")), body(Read("k.csv")));
             EXPECT_EQ(Read("k.png").substr(0, 4), "\x89PNG");
         }},
        {{"scan", "--virtual", "--count", "2", "-O", "wide", "-o", "{dir}/w.csv"},
         0,
         [&](const CliResult &) {
             ASSERT_EQ(Run({"scan", "--virtual", "-O", "wide", "-o", "{dir}/w.csv"}).code, 0);
             std::string text = Read("w.csv");
             EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
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
         [&](const CliResult &) { EXPECT_NE(Read("p.svg").find("</svg>"), std::string::npos); }},
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
    };
    std::ofstream(Path("bad.txt")) << "not a spectrum\n";
    for (const Case &c : cases) {
        std::string shown;
        for (const std::string &a : c.args) shown += a + " ";
        SCOPED_TRACE(shown);
        virt::Reset();
        CliResult r = Run(c.args);
        EXPECT_EQ(r.code, c.code) << r.err;
        if (c.code != 0) {
            EXPECT_FALSE(r.err.empty());
            EXPECT_EQ(r.out, "");
        }
        if (c.check) c.check(r);
    }
    // No temporary file (".NAME.XXXXXX") is left beside the written ones.
    for (const auto &entry : std::filesystem::directory_iterator(dir_))
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
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
    const std::string text = Read("w.csv");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4) << text;  // header and three rows
    // The missing scan's row: its time and serial, every measured cell empty.
    const size_t second = text.find('\n', text.find('\n') + 1) + 1, third = text.find('\n', second) + 1;
    EXPECT_NE(text.substr(second, third - second).find(",VS260417,0,,,,"), std::string::npos) << text;
    EXPECT_EQ(text.find(",,", third), std::string::npos) << text;
}

TEST_F(ScanTest, PermissionFailureNamesTheRule) {
    FakeHid hid;
    hid.AddDevice();
    hid.fail_open = true;
    hid.open_error = L"Permission denied";
    const CliResult r = Run({"info"});
    EXPECT_EQ(r.code, 4) << r.err;
    EXPECT_NE(r.err.find("Permission denied"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace velscan_test
