// Bad usage and bad input: the exit code, one or two plain lines on
// standard error, nothing on standard output and no file left behind.
#include "cli_harness.h"

namespace velscan_test {
namespace {

using UsageTest = CliTest;

TEST_F(UsageTest, RefusedCleanly) {
    struct Case {
        std::vector<std::string> args;
        int code;
        const char *err;  // part of the message
    } cases[] = {
        {{"scan", "--bogus"}, 2, "--bogus"},
        {{"frobnicate"}, 2, "frobnicate"},
        {{"--serial", "X"}, 2, "no subcommand"},
        {{"config"}, 2, "subcommand"},
        {{"scan", "--virtual", "--config"}, 2, "--config"},
        {{"scan", "--virtual", "--config", "-1"}, 2, "--config"},
        {{"scan", "--virtual", "--gain", "3"}, 2, "--gain"},
        {{"scan", "--virtual", "--average", "0"}, 2, "--average"},
        {{"scan", "--virtual", "--count", "0", "-o", "{dir}/s.csv"}, 2, "--count"},
        {{"scan", "--virtual", "--interval", "-1"}, 2, "--interval"},
        {{"scan", "--virtual", "--average", "many"}, 2, "--average"},
        {{"scan", "--virtual=blue"}, 2, "blue"},
        {{"scan", "--virtual", "-O", "xml"}, 2, "xml"},
        {{"scan", "--virtual", "--count", "3"}, 2, "-o FILE"},
        {{"scan", "--virtual", "--plot", "{dir}/p.jpg"}, 2, "p.jpg"},
        {{"scan", "--virtual", "--dark", "{dir}/none.csv"}, 2, "--reference"},
        {{"scan", "--virtual", "--reference", "{dir}/none.csv", "-o", "{dir}/s.csv"}, 2, "none.csv"},
        {{"convert", "{dir}/none.csv", "-o", "{dir}/c.json"}, 2, "none.csv"},
        {{"convert", "{dir}/none.csv"}, 2, "-o"},
        {{"plot", "-o", "{dir}/p.png"}, 2, "INPUT"},
        {{"plot", "{dir}/none.csv", "-o", "{dir}/p.png"}, 2, "none.csv"},
        {{"config", "show", "--virtual"}, 2, "SLOT"},
        {{"config", "add", "--virtual", "--type", "prism"}, 2, "prism"},
        {{"config", "add", "--virtual", "--type", "multi"}, 2, "--section"},
        {{"config", "add", "--virtual", "--type", "multi", "--section", "column:900:x:6:10"}, 2, "--section"},
    };
    for (const Case &c : cases) {
        std::string shown;
        for (const std::string &a : c.args) shown += a + " ";
        CliResult r = Run(c.args);
        EXPECT_EQ(r.code, c.code) << shown << "\n" << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << shown << "\n" << r.err;
        EXPECT_LE(std::count(r.err.begin(), r.err.end(), '\n'), 2) << shown << "\n" << r.err;
        EXPECT_EQ(r.out, "") << shown;
        EXPECT_TRUE(Files().empty()) << shown;
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

}  // namespace
}  // namespace velscan_test
