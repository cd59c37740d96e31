// velscan list: the instruments found, one line each.
#include "commands.h"
#include "device_list.h"
#include "info_format.h"

namespace velscan {

void AddListCommand(Cli &cli) {
    CLI::App *command =
        cli.app.add_subcommand("list", "list the instruments found: index, serial, vendor:product, path");
    AddDeviceOptions(*command, cli.device);
    OnChosen(cli, *command, [&cli] {
        std::vector<DeviceEntry> devices;
        OpenRequest request;
        Status status = OpenRequestFrom(cli.device, request);
        if (status) status = ListDevices(request, devices);
        if (!status) return Report(status);
        return Report(WriteStdout(DeviceListText(devices)));
    });
}

}  // namespace velscan
