// The console menu: start-up, the one-character command loop and dispatch.
#pragma once

namespace velscan::console {

// Opens device 0, prints the configuration report, then reads and runs
// commands from standard input until "q" or the end of input. Returns 0.
int ConsoleRunMenu();

}  // namespace velscan::console
