#include "menu.h"

#include <cstdio>
#include <memory>

#include "console_input.h"
#include "console_output.h"
#include "device_items.h"
#include "diag.h"
#include "scan_items.h"
#include "wrapper.h"

namespace velscan::console {

namespace {

// Everything the menu keeps for the whole run. Value-initialised, so every
// array (notably the wavelengths items 3 and 4 print) starts as zeros.
struct MenuState {
    int32_t device_index;
    int32_t status;
    char command;
    int32_t quit;
    ScanItemsState scan;
    DeviceItemsState device;
};

using ScanHandler = void (*)(ScanItemsState &, int32_t &);
using DeviceHandler = void (*)(DeviceItemsState &, int32_t &);

// The commands: lower-case only; anything else is ignored silently.
struct ScanCommand {
    char key;
    ScanHandler run;
};
struct DeviceCommand {
    char key;
    DeviceHandler run;
};

constexpr ScanCommand kScanCommands[] = {
    {'1', ConsoleItemScan},
    {'2', ConsoleItemWavelengths},
    {'3', ConsoleItemIntensities},
    {'4', ConsoleItemReference},
};

constexpr DeviceCommand kDeviceCommands[] = {
    {'5', ConsoleItemLamp},      {'6', ConsoleItemButtonEnable}, {'7', ConsoleItemButtonState},
    {'8', ConsoleItemBluetooth}, {'9', ConsoleItemUuid},         {'a', ConsoleItemHumTemp},
    {'b', ConsoleItemBattery},   {'c', ConsoleItemSetGain},      {'d', ConsoleItemGetGain},
    {'e', ConsoleItemAverage},
};

void Quit(MenuState &menu) {
    menu.quit = 1;
    velClose(menu.device_index);
}

void Dispatch(MenuState &menu) {
    if (menu.command == 'q') {
        Quit(menu);
        return;
    }
    for (const ScanCommand &command : kScanCommands) {
        if (command.key == menu.command) {
            command.run(menu.scan, menu.status);
            return;
        }
    }
    for (const DeviceCommand &command : kDeviceCommands) {
        if (command.key == menu.command) {
            command.run(menu.device, menu.status);
            return;
        }
    }
}

void StartUp(MenuState &menu) {
    velInitUsb();
    menu.status = velOpenByUsb(menu.device_index);
    if (menu.status == 0) ConsoleLine("Open Device Success.\n");
    ConsoleReportConfiguration(menu.scan, menu.status);
}

}  // namespace

int ConsoleRunMenu() {
    // About 17 KB of records and arrays: kept off the stack.
    auto menu = std::make_unique<MenuState>();
    // The menu shows the libraries' debug lines on standard output and the
    // serialization engine's reports on standard error, interleaved with its
    // own output; everything else leaves the sink silent.
    const velscan::diag::SinkSlot previous_sink = velscan::diag::SetSink(velscan::diag::StdioSink, nullptr);
    StartUp(*menu);
    menu->quit = 0;
    while (menu->quit == 0) {
        std::printf("input 'q' exit: ");
        std::fflush(stdout);
        const bool have_command = ConsoleReadCommand(&menu->command);
        std::printf("\n");
        // The end of input ends the session exactly as "q" would.
        if (!have_command) menu->command = 'q';
        Dispatch(*menu);
    }
    std::fflush(stdout);
    velscan::diag::SetSink(previous_sink.sink, previous_sink.user);
    return 0;
}

}  // namespace velscan::console
