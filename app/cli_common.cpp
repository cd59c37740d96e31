#include "cli_common.h"

#include <cstdio>

namespace velscan {

void AddDeviceOptions(CLI::App &command, DeviceOptions &options) {
    command.add_flag("--virtual{white}", options.sample,
                     "use the built-in virtual spectrometer; --virtual=SAMPLE puts white (the "
                     "default), organic, emission or covered in front of it");
    command.add_option("--serial", options.serial, "the instrument with this serial number");
}

void OnChosen(Cli &cli, CLI::App &command, std::function<int()> work) {
    command.parse_complete_callback([&cli, work = std::move(work)] { cli.action = work; });
}

Status OpenRequestFrom(const DeviceOptions &options, OpenRequest &out) {
    out = OpenRequest{};
    out.serial = options.serial;
    if (options.sample.empty()) return Status::Ok();
    out.use_virtual = true;
    return ParseSample(options.sample, out.sample);
}

Status OpenInstrument(const DeviceOptions &options, std::unique_ptr<Instrument> &out) {
    OpenRequest request;
    Status status = OpenRequestFrom(options, request);
    return status ? Instrument::Open(request, out) : status;
}

int Report(const Status &status) {
    if (status.ok()) return 0;
    std::fprintf(stderr, "velscan: %s\n", status.message.c_str());
    return status.ExitCode();
}

void Warn(const std::string &message) { std::fprintf(stderr, "velscan: warning: %s\n", message.c_str()); }

Status WriteStdout(const std::string &data) {
    if (std::fwrite(data.data(), 1, data.size(), stdout) != data.size() || std::fflush(stdout) != 0)
        return Status::Fail(kErrOutputFile, "cannot write to standard output");
    return Status::Ok();
}

}  // namespace velscan
