// velscan plot INPUT... -o FILE.png|FILE.svg: saved spectra overlaid.
#include "commands.h"
#include "formats.h"
#include "plot.h"

namespace velscan {

namespace {

struct PlotCommandOptions {
    std::vector<std::string> inputs;
    std::string output, title;
    bool absorbance = false;
};

std::string BaseName(const std::string &path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int RunPlot(const PlotCommandOptions &options) {
    Status status = CheckPlotPath(options.output);
    std::vector<Spectrum> spectra(options.inputs.size());
    for (size_t i = 0; status && i < options.inputs.size(); ++i)
        status = ReadSpectrum(options.inputs[i], spectra[i]);
    if (!status) return Report(status);
    std::vector<PlotSeries> series;
    for (size_t i = 0; i < spectra.size(); ++i) series.push_back({BaseName(options.inputs[i]), &spectra[i]});
    PlotOptions plot;
    plot.absorbance = options.absorbance;
    plot.title = options.title;
    return Report(PlotSpectra(series, plot, options.output));
}

}  // namespace

void AddPlotCommand(Cli &cli) {
    CLI::App *command = cli.app.add_subcommand("plot", "draw saved spectra, overlaid, as PNG or SVG");
    AddDeviceOptions(*command, cli.device);
    auto options = std::make_shared<PlotCommandOptions>();
    command->add_option("INPUT", options->inputs, "spectra written by velscan (CSV, JSON or raw)")
        ->required();
    command->add_option("-o,--output", options->output, "FILE.png or FILE.svg")->required();
    command->add_flag("--absorbance", options->absorbance,
                      "plot absorbance (files measured with a reference)");
    command->add_option("--title", options->title, "title (default: from the first file's metadata)");
    OnChosen(cli, *command, [options] { return RunPlot(*options); });
}

}  // namespace velscan
