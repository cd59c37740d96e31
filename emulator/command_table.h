// The command set the instrument answers, as data: code, name, kind of
// exchange, request data length and handler.
#ifndef VELSCAN_EMULATOR_COMMAND_TABLE_H
#define VELSCAN_EMULATOR_COMMAND_TABLE_H

#include <cstdint>
#include <vector>

#include "firmware.h"

namespace virt {

enum class Kind : uint8_t {
    Read,        // data reply; request carries no data
    ReadParam,   // data reply; request carries a 32-bit parameter
    Write,       // acknowledged write
    WriteNoAck,  // write after which the device restarts or sleeps: no reply
};

using Handler = Reply (Firmware::*)(const Request &);

struct CommandSpec {
    uint16_t code;
    const char *name;
    Kind kind;
    uint16_t data_length;  // exact request data bytes (upper bound when variable)
    bool variable_length;  // ZOR_WriteFileData: any length up to data_length
    Handler handler;
};

const std::vector<CommandSpec> &CommandTable();
const CommandSpec *FindCommand(uint16_t code);

}  // namespace virt

#endif
