// What the subcommands share: the device options every one of them takes,
// opening the instrument they name, and reporting a result.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <memory>
#include <string>

#include "instrument.h"
#include "status.h"

namespace velscan {

struct DeviceOptions {
    std::string sample;  // non-empty when --virtual was given ("white" without a value)
    std::string serial;  // empty: the first instrument found
};

// The parser, the device options shared by the top level and every
// subcommand, and the chosen subcommand's work (run after parsing).
struct Cli {
    CLI::App app{"velscan: near-infrared spectrometer from the shell", "velscan"};
    DeviceOptions device;
    std::function<int()> action;
};

// Adds --virtual[=SAMPLE] and --serial S to a (sub)command.
void AddDeviceOptions(CLI::App &command, DeviceOptions &options);

// Registers `work` as what runs when `command` is the one chosen.
void OnChosen(Cli &cli, CLI::App &command, std::function<int()> work);

// The open request the device options describe (kErrArgument for an unknown sample).
Status OpenRequestFrom(const DeviceOptions &options, OpenRequest &out);
Status OpenInstrument(const DeviceOptions &options, std::unique_ptr<Instrument> &out);

// Prints a failure's message on standard error ("velscan: ...") and returns
// its exit code; 0 for success.
int Report(const Status &status);
void Warn(const std::string &message);

// Writes data to standard output and flushes it (kErrOutputFile when that fails).
Status WriteStdout(const std::string &data);

}  // namespace velscan
