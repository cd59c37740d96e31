// LIBS: velscan_api velscan_emulator
// Host cost of one scan through the device API against the virtual
// spectrometer, with the scan time zeroed and no sleeping.
//
// Per scan it reports:
//   host_us      wall time of the API call minus the time spent inside the
//                virtual instrument (its share is measured by the instrument
//                itself and reported separately as device_us)
//   reports_out  HID reports written, reports_in HID reports read
//   usb_fs_ms    what those reports would occupy on a full-speed USB link
//                (64 bytes per millisecond each way, one report per ms)
//   vs_decode    host_us divided by the time velspec_scan_interpret alone
//                takes on the same scan image, measured in the same run
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "API.h"
#include "usb.h"
#include "velspec_scan.h"
#include "virtual_control.h"
#include "virtual_device.h"
#include "wrapper.h"

namespace {

constexpr uint8_t kColumnSlot = 0;
constexpr uint8_t kHadamardSlot = 1;
constexpr int32_t kMultiSectionSlot = 2;

void NoSleep(uint32_t) {}

bool OpenVirtualDevice() {
    USB_SetHidBackend(VIRT_Backend());
    USB_SetSleepFunction(NoSleep);
    virt::Reset();
    virt::SetScanTimeScale(0);
    velInitUsb();
    return velOpenByUsb(0) == VEL_OK;
}

// velGetScanResults always scans slot 0: put the Hadamard configuration there.
bool StoreHadamardInSlotZero() {
    std::vector<uint8_t> image(ZOR_SCAN_CFG_IMAGE_MAX);
    uint32_t length = 0;
    if (ZOR_GetScanCfg(kHadamardSlot, image.data(), &length) < 0) return false;
    return ZOR_SaveScanCfgInDevice(kColumnSlot, image.data(), length) >= 0;
}

// Mean microseconds velspec_scan_interpret needs for the device's last scan.
double DecodeOnlyUs(int rounds) {
    const std::vector<uint8_t> image = virt::FileImage(ZOR_FILE_SCAN_DATA);
    auto result = std::make_unique<scanResults>();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        benchmark::DoNotOptimize(velspec_scan_interpret(image.data(), image.size(), result.get()));
        benchmark::ClobberMemory();
    }
    const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / rounds;
}

template <typename Scan>
void RunScans(benchmark::State &state, Scan scan) {
    const virt::Counters before = virt::GetCounters();
    const auto start = std::chrono::steady_clock::now();
    int64_t failures = 0;
    for (auto _ : state) {
        if (scan() != VEL_OK) ++failures;
    }
    const std::chrono::duration<double, std::micro> wall = std::chrono::steady_clock::now() - start;
    const virt::Counters after = virt::GetCounters();

    const double scans = static_cast<double>(state.iterations());
    const double device_us = static_cast<double>(after.busy_ns - before.busy_ns) / 1000.0 / scans;
    const double host_us = wall.count() / scans - device_us;
    const double out = static_cast<double>(after.reports_written - before.reports_written) / scans;
    const double in = static_cast<double>(after.reports_read - before.reports_read) / scans;
    state.counters["host_us"] = host_us;
    state.counters["device_us"] = device_us;
    state.counters["reports_out"] = out;
    state.counters["reports_in"] = in;
    state.counters["usb_fs_ms"] = out + in;
    state.counters["vs_decode"] = host_us / DecodeOnlyUs(200);
    if (failures > 0) state.SkipWithError("a scan failed");
}

void BM_ScanResults_Column(benchmark::State &state) {
    if (!OpenVirtualDevice()) {
        state.SkipWithError("virtual device did not open");
        return;
    }
    auto result = std::make_unique<scanResults>();
    RunScans(state, [&] { return velGetScanResults(result.get()); });
}

void BM_ScanResults_Hadamard(benchmark::State &state) {
    if (!OpenVirtualDevice() || !StoreHadamardInSlotZero()) {
        state.SkipWithError("could not prepare the Hadamard configuration");
        return;
    }
    auto result = std::make_unique<scanResults>();
    RunScans(state, [&] { return velGetScanResults(result.get()); });
}

// A multi-section image (155 bytes) does not fit the save command's payload,
// so slot 0 cannot hold it; velGetIntensities scans slot 2 through the same
// sequence (one configuration count, then select, estimate, start, fetch,
// interpret) and copies out all 864 points.
void BM_ScanSequence_MultiSection(benchmark::State &state) {
    if (!OpenVirtualDevice()) {
        state.SkipWithError("virtual device did not open");
        return;
    }
    std::vector<int32_t> intensities(SCAN_MAX_ADC);
    RunScans(state, [&] { return velGetIntensities(kMultiSectionSlot, intensities.data(), SCAN_MAX_ADC); });
}

}  // namespace

BENCHMARK(BM_ScanResults_Column)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScanResults_Hadamard)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScanSequence_MultiSection)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
