// velscan config list|show SLOT|add OPTIONS|erase-all: the instrument's
// stored scan configurations.
#include "commands.h"
#include "info_format.h"

namespace velscan {

namespace {

struct AddOptions {
    std::string type = "column";
    double start_nm = 900, end_nm = 1700;
    int width_px = 6, points = 228, average = 1, exposure = 0, slot = -1;
    std::string name;
    std::vector<std::string> sections;  // multi-section: TYPE:START:END:WIDTH:POINTS[:EXPOSURE]
};

// One --section value; the fields are plain numbers split by ':'.
bool ParseSectionOption(const std::string &text, Section &out) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t colon; (colon = text.find(':', start)) != std::string::npos; start = colon + 1)
        fields.push_back(text.substr(start, colon - start));
    fields.push_back(text.substr(start));
    if (fields.size() < 5 || fields.size() > 6) return false;
    if (fields[0] == "column")
        out.kind = ScanKind::Column;
    else if (fields[0] == "hadamard")
        out.kind = ScanKind::Hadamard;
    else
        return false;
    try {
        size_t used = 0;
        out.start_nm = std::stod(fields[1], &used);
        if (used != fields[1].size()) return false;
        out.end_nm = std::stod(fields[2], &used);
        if (used != fields[2].size()) return false;
        out.width_px = std::stoi(fields[3], &used);
        if (used != fields[3].size()) return false;
        out.points = std::stoi(fields[4], &used);
        if (used != fields[4].size()) return false;
        out.exposure = fields.size() == 6 ? std::stoi(fields[5], &used) : 0;
        if (fields.size() == 6 && used != fields[5].size()) return false;
    } catch (const std::exception &) {
        return false;
    }
    return true;
}

Status BuildConfiguration(const AddOptions &options, Configuration &out) {
    out = Configuration{};
    out.slot = options.slot;
    out.name = options.name;
    out.average = options.average;
    Section single{ScanKind::Column, options.start_nm, options.end_nm,
                   options.width_px, options.points,   options.exposure};
    if (options.type == "column" || options.type == "hadamard") {
        if (!options.sections.empty())
            return Status::Fail(kErrArgument, "--section is for --type multi only");
        out.kind = single.kind = options.type == "column" ? ScanKind::Column : ScanKind::Hadamard;
        out.sections.push_back(single);
    } else {
        out.kind = ScanKind::MultiSection;
        if (options.sections.empty())
            return Status::Fail(kErrArgument, "--type multi needs one --section per section");
        for (const std::string &text : options.sections) {
            Section section;
            if (!ParseSectionOption(text, section))
                return Status::Fail(kErrArgument, "--section " + text +
                                                      ": expected TYPE:START:END:WIDTH:POINTS[:EXPOSURE], "
                                                      "TYPE column or hadamard");
            out.sections.push_back(section);
        }
    }
    if (out.name.empty()) out.name = options.type;
    return Status::Ok();
}

// Opens the instrument and runs one step on it; the step's result is the exit code.
int WithInstrument(const DeviceOptions &device,
                   const std::function<Status(Instrument &, std::string &)> &step) {
    std::unique_ptr<Instrument> instrument;
    Status status = OpenInstrument(device, instrument);
    std::string text;
    if (status) status = step(*instrument, text);
    if (!status) return Report(status);
    return Report(WriteStdout(text));
}

}  // namespace

void AddConfigCommand(Cli &cli) {
    CLI::App *config = cli.app.add_subcommand("config", "the stored scan configurations");
    config->require_subcommand(1);
    AddDeviceOptions(*config, cli.device);

    CLI::App *list = config->add_subcommand("list", "list the stored configurations");
    AddDeviceOptions(*list, cli.device);
    OnChosen(cli, *list, [&cli] {
        return WithInstrument(cli.device, [](Instrument &instrument, std::string &text) {
            std::vector<Configuration> configurations;
            Status status = instrument.Configurations(configurations);
            text = ConfigurationTable(configurations);
            return status;
        });
    });

    CLI::App *show = config->add_subcommand("show", "show one stored configuration in full");
    AddDeviceOptions(*show, cli.device);
    auto slot = std::make_shared<int>(0);
    show->add_option("SLOT", *slot, "configuration slot")->required()->check(CLI::NonNegativeNumber);
    OnChosen(cli, *show, [&cli, slot] {
        return WithInstrument(cli.device, [slot](Instrument &instrument, std::string &text) {
            Configuration configuration;
            Status status = instrument.GetConfiguration(*slot, configuration);
            text = ConfigurationText(configuration);
            return status;
        });
    });

    CLI::App *add =
        config->add_subcommand("add", "build a configuration, check it, store it and show it as read back");
    AddDeviceOptions(*add, cli.device);
    auto options = std::make_shared<AddOptions>();
    add->add_option("--type", options->type, "column, hadamard or multi")
        ->check(CLI::IsMember({"column", "hadamard", "multi"}))
        ->capture_default_str();
    add->add_option("--start", options->start_nm, "first wavelength, nm")->capture_default_str();
    add->add_option("--end", options->end_nm, "last wavelength, nm")->capture_default_str();
    add->add_option("--width", options->width_px, "pattern width, mirror columns")->capture_default_str();
    add->add_option("--points", options->points, "points of the spectrum")->capture_default_str();
    add->add_option("--average", options->average, "scans averaged")->capture_default_str();
    add->add_option("--exposure", options->exposure, "exposure code")->capture_default_str();
    add->add_option("--name", options->name, "name stored with it (default: the type)");
    add->add_option("--slot", options->slot, "slot to store it in (default: the next free one)");
    add->add_option("--section", options->sections,
                    "a section of a multi-section configuration: TYPE:START:END:WIDTH:POINTS[:EXPOSURE]");
    OnChosen(cli, *add, [&cli, options] {
        Configuration request;
        Status built = BuildConfiguration(*options, request);
        if (!built) return Report(built);
        return WithInstrument(cli.device, [&request](Instrument &instrument, std::string &text) {
            Configuration stored;
            Status status = instrument.AddConfiguration(request, stored);
            text = ConfigurationText(stored);
            return status;
        });
    });

    CLI::App *erase = config->add_subcommand("erase-all", "erase every stored configuration");
    AddDeviceOptions(*erase, cli.device);
    OnChosen(cli, *erase, [&cli] {
        return WithInstrument(cli.device, [](Instrument &instrument, std::string &) {
            return instrument.EraseConfigurations();
        });
    });
}

}  // namespace velscan
