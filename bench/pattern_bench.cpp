// LIBS: velscan_patterns velscan_spectrum velscan_tpl
// Pattern generation and bending of a 228-point Hadamard configuration into
// 24-bit 854x480 frames, in configurations per second, beside memset of the
// same frame bytes. The ratios to memset are printed after the runs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "velspec_scan.h"

namespace {

constexpr uint32_t kWidth = 854;
constexpr uint32_t kHeight = 480;
constexpr uint32_t kFrames = 12;  // room for the 237 patterns (10 frames)
constexpr size_t kFrameBytes = size_t{kWidth} * kHeight * 3;

scanCfg Config() {
    scanCfg cfg{};
    cfg.scan_type = SCAN_TYPE_HADAMARD;
    cfg.wavelength_start_nm = 950;
    cfg.wavelength_end_nm = 1650;
    cfg.width_px = 6;
    cfg.num_patterns = 228;
    cfg.num_repeats = 1;
    return cfg;
}

calibCoeffSet Coefficients() {
    calibCoeffSet c{};
    c.shift_vector_coeffs[0] = 1.34;  // a slit image bent by up to 3 columns
    c.shift_vector_coeffs[1] = -0.0152;
    c.shift_vector_coeffs[2] = 4.0e-5;
    c.pixel_to_wavelength_coeffs[0] = 900.0;
    c.pixel_to_wavelength_coeffs[1] = 0.85;
    c.pixel_to_wavelength_coeffs[2] = 1.0e-4;
    return c;
}

// Bytes of the frames one configuration fills.
size_t usedBytes() {
    std::vector<uint8_t> frames(kFrames * kFrameBytes);
    frameBufferDesc fb{frames.data(), kFrames, kWidth, kHeight, 24};
    const scanCfg cfg = Config();
    const calibCoeffSet c = Coefficients();
    const int32_t patterns = velspec_scan_genPatterns(&cfg, &c, &fb);
    return static_cast<size_t>((patterns + 23) / 24) * kFrameBytes;
}

void BM_Memset(benchmark::State &state) {
    const size_t bytes = usedBytes();
    std::vector<uint8_t> frames(kFrames * kFrameBytes);
    for (auto _ : state) {
        std::memset(frames.data(), 0, bytes);
        benchmark::DoNotOptimize(frames.data());
        benchmark::ClobberMemory();
    }
    state.counters["configs/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Generate(benchmark::State &state) {
    std::vector<uint8_t> frames(kFrames * kFrameBytes);
    frameBufferDesc fb{frames.data(), kFrames, kWidth, kHeight, 24};
    const scanCfg cfg = Config();
    const calibCoeffSet c = Coefficients();
    for (auto _ : state) {
        benchmark::DoNotOptimize(velspec_scan_genPatterns(&cfg, &c, &fb));
        benchmark::ClobberMemory();
    }
    state.counters["configs/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_GenerateAndBend(benchmark::State &state) {
    std::vector<uint8_t> frames(kFrames * kFrameBytes);
    frameBufferDesc fb{frames.data(), kFrames, kWidth, kHeight, 24};
    const scanCfg cfg = Config();
    const calibCoeffSet c = Coefficients();
    for (auto _ : state) {
        const int32_t patterns = velspec_scan_genPatterns(&cfg, &c, &fb);
        benchmark::DoNotOptimize(velspec_scan_bendPatterns(&fb, c.shift_vector_coeffs, patterns));
        benchmark::ClobberMemory();
    }
    state.counters["configs/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_Memset)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Generate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GenerateAndBend)->Unit(benchmark::kMillisecond);

// Console output plus the CPU time per iteration of every run, for the
// ratios (CPU time: the machine is shared, wall time is noisy).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) seconds_[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    double Time(const std::string &name) const {
        const auto it = seconds_.find(name);
        return it == seconds_.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double base = reporter.Time("BM_Memset");
    if (base > 0.0) {
        std::printf("ratio to memset of the same %zu frame bytes: generate %.2f, generate+bend %.2f\n",
                    usedBytes(), reporter.Time("BM_Generate") / base,
                    reporter.Time("BM_GenerateAndBend") / base);
    }
    benchmark::Shutdown();
    return 0;
}
