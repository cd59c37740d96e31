// The wide table: one row per scan (time, serial, configuration,
// temperature, humidity, then one value per wavelength), for chemometrics.
// The values are absorbance when a reference was applied, else intensity.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include "formats.h"
#include "formats_internal.h"
#include "number_text.h"

namespace velscan {

namespace {

constexpr std::string_view kFixedColumns = "time,serial,config,temperature,humidity";
constexpr size_t kFixedCount = 5;

// A cell with a comma, quote or line break is quoted as CSV does.
std::string Cell(std::string_view text) {
    std::string cell = OneLine(text);
    if (cell.find_first_of(",\"") == std::string::npos) {
        return cell;
    }
    std::string quoted = "\"";
    for (char c : cell) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

std::string Meta(const Spectrum &spectrum, std::string_view key) {
    const std::string *value = spectrum.metadata.Find(key);
    return value ? Cell(*value) : std::string();
}

// Compares the wavelength columns of an existing header with the spectrum's.
Status CheckHeader(std::string_view header, const Spectrum &spectrum, const std::string &path) {
    if (!header.empty() && header.back() == '\r') {
        header.remove_suffix(1);
    }
    if (header.substr(0, kFixedColumns.size()) != kFixedColumns) {
        return Status::Fail(kErrMismatch, path + " is not a velscan wide file (its first line is not \"" +
                                              std::string(kFixedColumns) + ",...\")");
    }
    header.remove_prefix(kFixedColumns.size());
    size_t column = 0;
    while (!header.empty()) {
        if (header.front() != ',') {
            return Status::Fail(kErrMismatch, path + ": malformed header line");
        }
        header.remove_prefix(1);
        const size_t comma = header.find(',');
        std::string_view cell = header.substr(0, comma);
        header = comma == std::string_view::npos ? std::string_view() : header.substr(comma);
        double wavelength = 0;
        if (column >= spectrum.Points() || !ParseNumber(cell, wavelength) ||
            !(std::fabs(wavelength - spectrum.wavelength_nm[column]) <= kAxisToleranceNm)) {
            return Status::Fail(kErrMismatch,
                                path + ": its wavelength columns differ from this scan's (column " +
                                    std::to_string(kFixedCount + column + 1) + ")");
        }
        ++column;
    }
    if (column != spectrum.Points()) {
        return Status::Fail(kErrMismatch, path + " has " + std::to_string(column) +
                                              " wavelength columns, this scan " +
                                              std::to_string(spectrum.Points()) + " points");
    }
    return Status::Ok();
}

}  // namespace

std::string WideHeader(const Spectrum &spectrum) {
    std::string line(kFixedColumns);
    for (double wavelength : spectrum.wavelength_nm) {
        line += ',';
        AppendNumber(line, wavelength);
    }
    return line + "\n";
}

std::string WideRow(const Spectrum &spectrum) {
    const std::string *start = spectrum.metadata.Find("start_time");
    std::string line = start ? Cell(*start) : Meta(spectrum, "instrument_time");
    line += ',' + Meta(spectrum, "serial") + ',' + Meta(spectrum, "config_slot") + ',' +
            Meta(spectrum, "temperature_c") + ',' + Meta(spectrum, "humidity_percent");
    for (double value : PrimaryValues(spectrum)) {
        line += ',';
        AppendNumber(line, value);
    }
    return line + "\n";
}

Status AppendWide(const Spectrum &spectrum, const std::string &path) {
    if (spectrum.Points() == 0) {
        return Status::Fail(kErrArgument, "the spectrum has no points");
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        return Status::Fail(kErrOutputFile,
                            "cannot open " + path + " for appending: " + std::strerror(errno));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    // The existing header: enough of the file's start to hold its first line.
    std::string head;
    std::string expected = WideHeader(spectrum);
    head.resize(expected.size() + 4096);
    ssize_t got = ::pread(fd, head.data(), head.size(), 0);
    if (got < 0) {
        return Status::Fail(kErrOutputFile, "cannot read " + path + ": " + std::strerror(errno));
    }
    head.resize(static_cast<size_t>(got));
    std::string bytes;
    if (head.empty()) {
        bytes = expected;
    } else {
        const size_t newline = head.find('\n');
        Status same = CheckHeader(std::string_view(head).substr(0, newline), spectrum, path);
        if (!same) {
            return same;
        }
        // A last line without its line break (an earlier run cut short) must
        // not swallow the new row.
        const off_t size = ::lseek(fd, 0, SEEK_END);
        char last = '\n';
        if (size > 0 && ::pread(fd, &last, 1, size - 1) == 1 && last != '\n') {
            bytes = "\n";
        }
    }
    bytes += WideRow(spectrum);
    return AppendToFile(fd, path, bytes);
}

}  // namespace velscan
