// velscan info [--json]: identity, state and stored configurations.
#include "commands.h"
#include "info_format.h"

namespace velscan {

void AddInfoCommand(Cli &cli) {
    CLI::App *command = cli.app.add_subcommand(
        "info",
        "serial, model, versions, flash ID, battery, temperature, humidity, lamp usage, configurations");
    AddDeviceOptions(*command, cli.device);
    auto json = std::make_shared<bool>(false);
    command->add_flag("--json", *json, "one JSON object instead of text");
    OnChosen(cli, *command, [&cli, json] {
        std::unique_ptr<Instrument> instrument;
        InstrumentInfo info;
        Status status = OpenInstrument(cli.device, instrument);
        if (status) status = instrument->Info(info);
        if (!status) return Report(status);
        return Report(WriteStdout(*json ? InfoJson(info) : InfoText(info)));
    });
}

}  // namespace velscan
