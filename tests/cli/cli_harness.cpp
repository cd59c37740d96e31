#include "cli_harness.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "cli.h"
#include "virtual_control.h"

namespace velscan_test {

namespace fs = std::filesystem;

namespace {

// Points fd at a fresh temporary file; Take() restores it and returns what was written.
class Capture {
public:
    Capture(std::FILE *stream) : stream_(stream), fd_(fileno(stream)) {
        std::fflush(stream_);
        saved_ = dup(fd_);
        file_ = std::tmpfile();
        dup2(fileno(file_), fd_);
    }
    std::string Take() {
        std::fflush(stream_);
        dup2(saved_, fd_);
        close(saved_);
        std::string text;
        std::rewind(file_);
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file_)) > 0;) text.append(buffer, n);
        std::fclose(file_);
        return text;
    }

private:
    std::FILE *stream_;
    int fd_, saved_;
    std::FILE *file_;
};

}  // namespace

void CliTest::SetUp() {
    virt::Reset();
    dir_ = fs::temp_directory_path() / ("velscan_cli_" + std::to_string(getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
}

void CliTest::TearDown() {
    fs::remove_all(dir_);
    virt::Reset();
}

CliResult CliTest::Run(std::vector<std::string> args) {
    args.insert(args.begin(), "velscan");
    for (std::string &arg : args)
        for (size_t at; (at = arg.find("{dir}")) != std::string::npos;) arg.replace(at, 5, dir_.string());
    std::vector<char *> argv;
    for (std::string &arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    CliResult result;
    Capture out(stdout), err(stderr);
    result.code = velscan::RunCli(static_cast<int>(args.size()), argv.data());
    result.err = err.Take();
    result.out = out.Take();
    return result;
}

std::string CliTest::Read(const std::string &name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> CliTest::Files() const {
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<double> Csv::Column(const std::string &name) const {
    std::vector<double> values;
    auto at = std::find(columns.begin(), columns.end(), name);
    if (at == columns.end()) return values;
    size_t c = static_cast<size_t>(at - columns.begin());
    for (const auto &row : rows) values.push_back(row[c]);
    return values;
}

bool ParseCsv(const std::string &text, Csv &out, std::string &error) {
    std::istringstream in(text);
    std::string line;
    size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.rfind("# ", 0) == 0) {
            size_t colon = line.find(": ");
            if (colon == std::string::npos)
                return error = "line " + std::to_string(number) + ": metadata without ': '", false;
            out.metadata[line.substr(2, colon - 2)] = line.substr(colon + 2);
            continue;
        }
        std::vector<std::string> cells;
        std::stringstream fields(line);
        for (std::string cell; std::getline(fields, cell, ',');) cells.push_back(cell);
        if (!line.empty() && line.back() == ',') cells.push_back("");
        if (out.columns.empty()) {
            out.columns = cells;
            continue;
        }
        if (cells.size() != out.columns.size())
            return error = "line " + std::to_string(number) + ": " + std::to_string(cells.size()) + " cells",
                   false;
        std::vector<double> row;
        for (const std::string &cell : cells) {
            if (cell.empty()) {
                row.push_back(NAN);
                continue;
            }
            size_t used = 0;
            row.push_back(std::stod(cell, &used));
            if (used != cell.size() || !std::isfinite(row.back()))
                return error = "line " + std::to_string(number) + ": bad number " + cell, false;
        }
        out.rows.push_back(row);
    }
    if (out.columns.empty()) return error = "no header line", false;
    return true;
}

}  // namespace velscan_test
