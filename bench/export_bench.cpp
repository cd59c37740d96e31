// LIBS: velscan_session velscan_emulator
// Writing an interpreted 228-point scan as CSV, JSON and JCAMP-DX, each as a
// ratio to interpreting the scan record image itself (same run). The scan is
// the virtual instrument's stored white reference with a reference applied,
// so every export writes all five columns.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "formats.h"
#include "velspec_scan.h"
#include "virtual_control.h"

namespace {

const std::vector<uint8_t> &Image() {
    static const std::vector<uint8_t> image = [] {
        virt::Reset();
        return virt::FileImage(2);
    }();
    return image;
}

const velscan::Spectrum &Referenced() {
    static const velscan::Spectrum spectrum = [] {
        velscan::Spectrum scan;
        velscan::SpectrumFromImage(Image().data(), Image().size(), scan);
        velscan::Spectrum white = scan;
        for (double &v : white.intensity) v = v * 1.07 + 11.0;
        velscan::ApplyReference(scan, white, nullptr);
        return scan;
    }();
    return spectrum;
}

void BM_Interpret(benchmark::State &state) {
    auto results = std::make_unique<scanResults>();
    for (auto _ : state) {
        benchmark::DoNotOptimize(velspec_scan_interpret(Image().data(), Image().size(), results.get()));
    }
}
BENCHMARK(BM_Interpret);

void Export(benchmark::State &state, velscan::Format format) {
    std::string text;
    for (auto _ : state) {
        velscan::FormatSpectrum(Referenced(), format, text);
        benchmark::DoNotOptimize(text.data());
    }
}
void BM_ExportCsv(benchmark::State &state) { Export(state, velscan::Format::Csv); }
void BM_ExportJson(benchmark::State &state) { Export(state, velscan::Format::Json); }
void BM_ExportJcamp(benchmark::State &state) { Export(state, velscan::Format::Jcamp); }
BENCHMARK(BM_ExportCsv);
BENCHMARK(BM_ExportJson);
BENCHMARK(BM_ExportJcamp);

// Keeps each benchmark's CPU time per iteration for the ratios printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                cpu_[run.benchmark_name()] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatio(const char *what, const std::string &name) const {
        auto a = cpu_.find(name);
        auto b = cpu_.find("BM_Interpret");
        if (a != cpu_.end() && b != cpu_.end() && b->second > 0) {
            std::printf("%-40s %8.2fx  (target: at most 2x)\n", what, a->second / b->second);
        }
    }

private:
    std::map<std::string, double> cpu_;
};

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nExport time relative to interpreting the scan (lower is better):\n");
    reporter.PrintRatio("CSV, 228 points with reference", "BM_ExportCsv");
    reporter.PrintRatio("JSON, 228 points with reference", "BM_ExportJson");
    reporter.PrintRatio("JCAMP-DX, 228 points with reference", "BM_ExportJcamp");
    benchmark::Shutdown();
    return 0;
}
