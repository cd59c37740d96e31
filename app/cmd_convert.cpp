// velscan convert INPUT -o OUTPUT: a kept raw image or a velscan CSV/JSON
// file into any of the formats, optionally against a reference (and dark).
#include "commands.h"
#include "formats.h"

namespace velscan {

namespace {

struct ConvertOptions {
    std::string input, output, format, reference, dark;
};

int RunConvert(const ConvertOptions &options) {
    Format format = FormatFromPath(options.output);
    Status status;
    if (!options.format.empty()) status = ParseFormat(options.format, format);
    if (status && !options.dark.empty() && options.reference.empty())
        status = Status::Fail(kErrArgument, "--dark needs --reference");
    Spectrum spectrum, white, dark;
    if (status) status = ReadSpectrum(options.input, spectrum);
    if (status && !options.reference.empty()) status = ReadSpectrum(options.reference, white);
    if (status && !options.dark.empty()) status = ReadSpectrum(options.dark, dark);
    if (status && !options.reference.empty())
        status = ApplyReference(spectrum, white, options.dark.empty() ? nullptr : &dark);
    if (status && spectrum.HasReference() && MaskedPoints(spectrum) > 0)
        Warn(std::to_string(MaskedPoints(spectrum)) + " points masked; their ratio cells are empty");
    if (status)
        status = format == Format::Wide ? AppendWide(spectrum, options.output)
                                        : SaveSpectrum(spectrum, format, options.output);
    return Report(status);
}

}  // namespace

void AddConvertCommand(Cli &cli) {
    CLI::App *command =
        cli.app.add_subcommand("convert", "convert a raw image or a velscan CSV/JSON file to any format");
    AddDeviceOptions(*command, cli.device);
    auto options = std::make_shared<ConvertOptions>();
    command->add_option("INPUT", options->input, "raw image, CSV or JSON written by velscan")->required();
    command->add_option("-o,--output", options->output, "output file")->required();
    command->add_option("-O,--format", options->format,
                        "csv, json, jcamp, wide or raw (default: from -o's ending)");
    command->add_option("--reference", options->reference, "white reference file (an earlier velscan file)");
    command->add_option("--dark", options->dark, "dark file (an earlier velscan file)");
    OnChosen(cli, *command, [options] { return RunConvert(*options); });
}

}  // namespace velscan
