// Runs velscan's subcommands in-process against the virtual spectrometer,
// capturing the exit code, standard output and standard error, and reads
// back what they wrote.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace velscan_test {

struct CliResult {
    int code = -1;
    std::string out, err;
};

// velscan ARGS... ("{dir}" in an argument is replaced by the test's folder).
class CliTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    CliResult Run(std::vector<std::string> args);
    std::string Path(const std::string &name) const { return (dir_ / name).string(); }
    std::string Read(const std::string &name) const;
    std::vector<std::string> Files() const;  // names in the test's folder, sorted

    std::filesystem::path dir_;
};

// A velscan CSV read with nothing but the documented layout: "# key: value"
// lines, one header line, rows of numbers where an empty cell is NaN.
struct Csv {
    std::map<std::string, std::string> metadata;
    std::vector<std::string> columns;
    std::vector<std::vector<double>> rows;
    std::vector<double> Column(const std::string &name) const;
};
bool ParseCsv(const std::string &text, Csv &out, std::string &error);

}  // namespace velscan_test
