// One function per subcommand (each in its own cmd_<name>.cpp): adds the
// subcommand and its options to the parser and registers its work.
#pragma once

#include "cli_common.h"

namespace velscan {

void AddListCommand(Cli &cli);
void AddInfoCommand(Cli &cli);
void AddConfigCommand(Cli &cli);
void AddScanCommand(Cli &cli);
void AddConvertCommand(Cli &cli);
void AddPlotCommand(Cli &cli);

}  // namespace velscan
