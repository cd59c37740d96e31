// velscan: interactive console for the near-infrared spectrometer.
#include <cstdio>
#include <cstring>

#include "menu.h"
#include "usb.h"
#include "virtual_device.h"

namespace {

void print_usage(std::FILE *to)
{
    std::fprintf(to,
                 "usage: velscan [--virtual]\n"
                 "\n"
                 "Opens the first spectrometer found on USB and runs the one-character\n"
                 "command menu on standard input and output.\n"
                 "\n"
                 "  --virtual  use the built-in virtual spectrometer instead of USB;\n"
                 "             the menu is otherwise identical\n"
                 "  --help     show this text\n");
}

} // namespace

int main(int argc, char **argv)
{
    bool use_virtual = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--virtual") == 0) {
            use_virtual = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            print_usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "velscan: unknown option '%s'\n", argv[i]);
            print_usage(stderr);
            return 2;
        }
    }
    if (use_virtual)
        USB_SetHidBackend(VIRT_Backend());
    return console_run_menu();
}
