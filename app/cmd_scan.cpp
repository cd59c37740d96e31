// velscan scan: one scan or a series, with an optional reference and dark,
// written as CSV, JSON, JCAMP-DX, a wide table or the raw record image.
#include <chrono>
#include <thread>

#include "commands.h"
#include "formats.h"
#include "missing_scan.h"
#include "plot.h"
#include "progress.h"
#include "scan_files.h"

namespace velscan {

namespace {

struct ScanOptions {
    int config = 0;
    int average = 0;
    int gain = 0;
    std::string reference;  // "device", a file, or empty
    std::string dark;
    std::string output;  // empty: standard output
    std::string format;  // empty: from the output's name, else csv
    std::string raw;
    std::string plot;
    int count = 1;
    double interval_s = 0;
};

constexpr auto kReopenWait = std::chrono::seconds(30);

// Everything checked and loaded before the instrument is touched.
struct Plan {
    Format format = Format::Csv;
    bool device_reference = false;
    Spectrum white, dark;
    bool has_white_file = false, has_dark = false;
};

Status Prepare(const ScanOptions &options, Plan &plan) {
    Status status;
    if (!options.format.empty())
        status = ParseFormat(options.format, plan.format);
    else if (!options.output.empty())
        plan.format = FormatFromPath(options.output);
    if (!status) return status;
    if (options.count > 1 && options.output.empty())
        return Status::Fail(kErrArgument, "a series (--count above 1) needs -o FILE");
    if (!options.plot.empty() && !(status = CheckPlotPath(options.plot))) return status;
    if (options.reference == "device") {
        plan.device_reference = true;
    } else if (!options.reference.empty()) {
        if (!(status = ReadSpectrum(options.reference, plan.white))) return status;
        plan.has_white_file = true;
    }
    if (!options.dark.empty()) {
        if (options.reference.empty()) return Status::Fail(kErrArgument, "--dark needs --reference");
        if (!(status = ReadSpectrum(options.dark, plan.dark))) return status;
        plan.has_dark = true;
        if (plan.has_white_file &&
            !(status = CheckSameAxis(plan.white, plan.dark, "dark file " + options.dark)))
            return status;
    }
    return Status::Ok();
}

// Reference and dark files must be on the axis of the configuration scanned:
// at least the point count is known before scanning.
Status CheckAgainstConfiguration(const ScanOptions &options, const Plan &plan, const Configuration &config) {
    auto check = [&](const Spectrum &file, const std::string &name) {
        if (static_cast<int>(file.Points()) == config.points()) return Status::Ok();
        return Status::Fail(kErrMismatch, name + " has " + std::to_string(file.Points()) +
                                              " points, configuration " + std::to_string(config.slot) +
                                              " scans " + std::to_string(config.points()));
    };
    Status status;
    if (plan.has_white_file) status = check(plan.white, "reference file " + options.reference);
    if (status && plan.has_dark) status = check(plan.dark, "dark file " + options.dark);
    return status;
}

class ScanRun {
public:
    ScanRun(const ScanOptions &options, Plan &plan, Instrument &instrument)
        : options_(options),
          plan_(plan),
          instrument_(instrument),
          files_(options.output, plan.format, options.raw, options.plot, options.count) {}

    int Run() {
        auto next_start = std::chrono::steady_clock::now();
        int failed = 0;
        for (int k = 1; k <= options_.count; ++k) {
            std::this_thread::sleep_until(next_start);
            next_start = std::chrono::steady_clock::now() +
                         std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                             std::chrono::duration<double>(options_.interval_s));
            std::string start_time = NowIso8601();
            Spectrum spectrum;
            Status status = Measure(k, spectrum);
            if (status.code == kErrArgument || status.code == kErrMismatch || status.code == kErrImplausible)
                return Report(status);  // the same on every scan: stop at once
            if (!status) {
                ++failed;
                Report(Status::Fail(status.code, "scan " + std::to_string(k) + " of " +
                                                     std::to_string(options_.count) +
                                                     " not taken: " + status.message));
                missing_.push_back({k, start_time, status.message});
                if (have_like_ && !(status = WriteMissing(like_))) return Report(status);
                if (k < options_.count && !Recover(k)) break;
                continue;
            }
            if (!(status = WriteMissing(spectrum)) || !(status = files_.Write(k, spectrum)))
                return Report(status);
            like_ = spectrum;
            have_like_ = true;
        }
        if (!missing_.empty())
            Warn(std::to_string(missing_.size()) + " of " + std::to_string(options_.count) +
                 " scans could not be taken" +
                 (have_like_ ? " (written with empty cells and scan_error)" : ""));
        return failed == 0 ? 0 : 1;
    }

private:
    struct Missing {
        int index;
        std::string start_time, reason;
    };

    Status Measure(int k, Spectrum &spectrum) {
        ScanRequest request;
        request.config = options_.config;
        request.average = options_.average;
        request.gain = options_.gain;
        request.progress = [this, k](uint32_t remaining_ms) {
            progress_.Update(k, options_.count, remaining_ms);
        };
        Status status = instrument_.Scan(request, spectrum);
        progress_.Clear();
        if (!status) return status;
        if (plan_.device_reference && !have_device_white_) {
            if (!(status = instrument_.Reference(spectrum, plan_.white))) return status;
            have_device_white_ = true;
        }
        if (plan_.device_reference || plan_.has_white_file) {
            if (!(status = ApplyReference(spectrum, plan_.white, plan_.has_dark ? &plan_.dark : nullptr)))
                return status;
            if (size_t masked = MaskedPoints(spectrum))
                Warn("scan " + std::to_string(k) + ": " + std::to_string(masked) +
                     " points masked (reference too weak there, or reflectance not above 0); "
                     "their ratio cells are empty");
        }
        return Status::Ok();
    }

    // After a failed scan: the instrument may have gone away; open it again
    // by serial number. False when it did not come back.
    bool Recover(int k) {
        Status status = instrument_.Reopen(kReopenWait);
        if (status) return true;
        Report(Status::Fail(status.code, "instrument did not come back (" + status.message +
                                             "); series stopped after scan " + std::to_string(k) + " of " +
                                             std::to_string(options_.count)));
        return false;
    }

    // Scans that failed before any wavelength axis was known are written as
    // soon as one is, in their place.
    Status WriteMissing(const Spectrum &like) {
        for (; missing_written_ < missing_.size(); ++missing_written_) {
            const Missing &m = missing_[missing_written_];
            Status status = files_.Write(m.index, MissingScan(like, m.start_time, m.reason));
            if (!status) return status;
        }
        return Status::Ok();
    }

    const ScanOptions &options_;
    Plan &plan_;
    Instrument &instrument_;
    ScanFiles files_;
    Progress progress_;
    bool have_device_white_ = false;
    Spectrum like_;  // the last scan taken: the axis and identity of a missing one
    bool have_like_ = false;
    std::vector<Missing> missing_;
    size_t missing_written_ = 0;
};

int RunScan(const ScanOptions &options, const DeviceOptions &device) {
    Plan plan;
    Status status = Prepare(options, plan);
    std::unique_ptr<Instrument> instrument;
    if (status) status = OpenInstrument(device, instrument);
    Configuration config;
    if (status) status = instrument->GetConfiguration(options.config, config);
    if (status) status = CheckAgainstConfiguration(options, plan, config);
    if (!status) return Report(status);
    return ScanRun(options, plan, *instrument).Run();
}

}  // namespace

void AddScanCommand(Cli &cli) {
    CLI::App *command = cli.app.add_subcommand("scan", "take a scan (or a series) and write it");
    AddDeviceOptions(*command, cli.device);
    auto options = std::make_shared<ScanOptions>();
    command->add_option("--config", options->config, "stored configuration slot")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str();
    command->add_option("--average", options->average, "scans averaged (default: the instrument's setting)")
        ->check(CLI::Range(1, 65535));
    command
        ->add_option("--gain", options->gain,
                     "amplifier gain 1, 2, 4, 8, 16, 32 or 64 (default: the instrument's)")
        ->check(CLI::IsMember({1, 2, 4, 8, 16, 32, 64}));
    command->add_option(
        "--reference", options->reference,
        "white reference: 'device' (the stored one) or an earlier velscan file of a white standard");
    command->add_option("--dark", options->dark, "dark scan (lamp off or covered), an earlier velscan file");
    command->add_option("-o,--output", options->output, "output file (default: standard output)");
    command->add_option("-O,--format", options->format,
                        "csv, json, jcamp, wide or raw (default: from -o's ending, else csv)");
    command->add_option("--raw", options->raw, "also keep the scan record image as received in this file");
    command->add_option("--count", options->count, "scans in the series")->check(CLI::Range(1, 1000000));
    command->add_option("--interval", options->interval_s, "seconds from the start of one scan to the next")
        ->check(CLI::Range(0.0, 1e6));
    command->add_option("--plot", options->plot,
                        "also draw the scan (absorbance with a reference) as FILE.png or FILE.svg");
    OnChosen(cli, *command, [&cli, options] { return RunScan(*options, cli.device); });
}

}  // namespace velscan
