// velscan's subcommands (list, info, config, scan, convert, plot) behind one
// entry point, so that tests can run them in-process.
#pragma once

namespace velscan {

// True when the arguments ask for the interactive menu: none at all, or
// only --virtual.
bool WantsMenu(int argc, char **argv);

// Parses the arguments, runs the chosen subcommand and returns the process's
// exit code: 0 success, 1 the instrument or a file failed, 2 usage or input
// error, 3 no instrument found, 4 found but cannot be opened. Data goes to
// standard output, messages to standard error. Never throws.
int RunCli(int argc, char **argv);

}  // namespace velscan
