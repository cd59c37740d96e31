// velscan: the near-infrared spectrometer from the shell (subcommands), or the
// interactive one-character console when started alone or with only --virtual.
#include "cli.h"
#include "menu.h"
#include "usb.h"
#include "virtual_device.h"

int main(int argc, char **argv) {
    if (!velscan::WantsMenu(argc, argv)) return velscan::RunCli(argc, argv);
    if (argc == 2) USB_SetHidBackend(VIRT_Backend());
    return velscan::console::ConsoleRunMenu();
}
