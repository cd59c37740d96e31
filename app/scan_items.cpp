#include "scan_items.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "console_output.h"

namespace velscan::console {

namespace {

// Prints points first..last (inclusive), then one line end.
void PrintPoints(const double *wavelengths, const int32_t *intensities, int first, int last) {
    for (int i = first; i <= last; ++i) std::printf("%.3f:  %d\n", wavelengths[i], intensities[i]);
    std::printf("\n");
}

// The API hands back configuration 0 as it decodes: a multi-section record
// (scan_type 2) or, for the usual single-section configuration, a scanCfg at
// the same address. Reading a scanCfg through the multi-section layout would
// print its pattern and repeat counts as the range, so each form is read as
// what it is. The serial number sits at the same offset in both.
static_assert(sizeof(scanCfg) <= sizeof(slewScanCfg));
static_assert(offsetof(scanCfg, serial_number) == offsetof(slewScanCfg, serial_number));

void ConfigurationRange(const slewScanCfg &config, int &start_nm, int &end_nm) {
    if (config.scan_type == SCAN_TYPE_SLEW) {
        start_nm = config.sections[0].wavelength_start_nm;
        end_nm = config.sections[0].wavelength_end_nm;
        return;
    }
    scanCfg single;
    std::memcpy(&single, &config, sizeof single);
    start_nm = single.wavelength_start_nm;
    end_nm = single.wavelength_end_nm;
}

}  // namespace

void ConsoleReportConfiguration(ScanItemsState &state, int32_t &status) {
    status = velGetConfigInfo(&state.config);
    if (status != 0) return;
    // The serial field is NUL-padded but may fill all 8 bytes without one.
    char serial[sizeof state.config.serial_number + 1] = {};
    std::memcpy(serial, state.config.serial_number, sizeof state.config.serial_number);
    std::printf("Device serial number: %s\n", serial);
    int start_nm = 0;
    int end_nm = 0;
    ConfigurationRange(state.config, start_nm, end_nm);
    std::printf("Wavelength range: %d - %d nm\n\n", start_nm, end_nm);
}

void ConsoleItemScan(ScanItemsState &state, int32_t &status) {
    status = velGetScanResults(&state.result);
    if (status < 0) {
        std::printf("velGetScanResults failure! %d\n", status);
        return;
    }
    ConsoleLine("velGetScanResults ok!");
    std::printf("system temprature: %.2f%%\n", state.result.system_temp_hundredths / 100.0);
    std::printf("humidity: %.2f%%\n", state.result.humidity_hundredths / 100.0);
    PrintPoints(state.result.wavelength, state.result.intensity, 0, 4);
}

void ConsoleItemWavelengths(ScanItemsState &state, int32_t &status) {
    status = velGetWavelengths(state.wavelengths, kConsolePoints);
    std::printf("velGetWavelengths ret: %d!\n\n", status);
    if (status < 0) {
        ConsoleLine("velGetWavelengths failure!");
        return;
    }
    ConsoleLine("velGetWavelengths ok!");
    for (int i = 0; i <= 4; ++i) std::printf("wl[%d]: %.3f nm\n", i, state.wavelengths[i]);
    std::printf("\n");
}

void ConsoleItemIntensities(ScanItemsState &state, int32_t &status) {
    status = velGetIntensities(0, state.intensities, kConsolePoints);
    if (status < 0) {
        std::printf("velGetIntensities failure! %d\n", status);
        return;
    }
    ConsoleLine("velGetIntensities ok!");
    PrintPoints(state.wavelengths, state.intensities, 100, 104);
}

void ConsoleItemReference(ScanItemsState &state, int32_t &status) {
    status = velGetRefIntensityFromDevice(state.reference, kConsolePoints);
    if (status < 0) {
        std::printf("velGetRefIntensFromDevice failure! %d\n", status);
        return;
    }
    ConsoleLine("velGetRefIntensFromDevice ok!");
    PrintPoints(state.wavelengths, state.reference, 0, 4);
}

}  // namespace velscan::console
