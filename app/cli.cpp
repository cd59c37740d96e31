#include "cli.h"

#include <cstdio>
#include <cstring>
#include <exception>

#include "commands.h"

#ifndef VELSCAN_VERSION
#error "VELSCAN_VERSION must be defined by the build"
#endif

namespace velscan {

namespace {

constexpr const char *kMenuNote =
    "Without a subcommand (or with only --virtual) velscan runs the one-character\n"
    "command menu on standard input and output.\n"
    "Exit codes: 0 success, 1 the instrument or a file failed, 2 usage or input error,\n"
    "3 no instrument found, 4 instrument found but cannot be opened.";

int Parse(Cli &cli, int argc, char **argv) {
    cli.app.set_version_flag("--version", "velscan " VELSCAN_VERSION);
    cli.app.footer(kMenuNote);
    cli.app.require_subcommand(0, 1);
    AddDeviceOptions(cli.app, cli.device);
    AddListCommand(cli);
    AddInfoCommand(cli);
    AddConfigCommand(cli);
    AddScanCommand(cli);
    AddConvertCommand(cli);
    AddPlotCommand(cli);
    try {
        cli.app.parse(argc, argv);
    } catch (const CLI::CallForHelp &e) {
        return cli.app.exit(e);
    } catch (const CLI::CallForAllHelp &e) {
        return cli.app.exit(e);
    } catch (const CLI::CallForVersion &e) {
        return cli.app.exit(e);
    } catch (const CLI::ParseError &e) {
        std::fprintf(stderr,
                     "velscan: %s\nRun 'velscan --help' (or 'velscan SUBCOMMAND --help') for usage.\n",
                     e.what());
        return 2;
    }
    if (!cli.action) {
        std::fprintf(stderr, "velscan: no subcommand given\nRun 'velscan --help' for the subcommands.\n");
        return 2;
    }
    return -1;
}

}  // namespace

bool WantsMenu(int argc, char **argv) {
    return argc <= 1 || (argc == 2 && std::strcmp(argv[1], "--virtual") == 0);
}

int RunCli(int argc, char **argv) {
    try {
        Cli cli;
        int parsed = Parse(cli, argc, argv);
        if (parsed >= 0) return parsed;
        return cli.action();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "velscan: %s\n", e.what());
        return 1;
    }
}

}  // namespace velscan
