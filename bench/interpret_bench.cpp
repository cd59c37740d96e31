// LIBS: velscan_spectrum velscan_tpl
// Interpretation throughput of column, Hadamard and multi-section scans,
// beside a memcpy of the image, and the Hadamard group decoder in its fast
// form against the straightforward matrix form. Ratios against the baselines
// of the same run are printed at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "../tests/spectrum/spectrum_fixtures.h"
#include "velspec_had_decode.h"
#include "velspec_scan.h"

namespace {

using spectrum_test::Encode;
using spectrum_test::LinearCalibration;
using spectrum_test::MakeCfg;

std::vector<int32_t> SpectrumLike(int n) {
    std::vector<int32_t> v(n);
    for (int i = 0; i < n; ++i) v[i] = 20000 + (i * 7919) % 3000;
    return v;
}

hadPatDef had_def(const scanCfg &cfg) {
    hadPatDef def{};
    const calibCoeffSet calib = LinearCalibration();
    velspec_scan_had_genPatDef(&cfg, &calib, &def);
    return def;
}

std::vector<uint8_t> ColumnImage() {
    const scanCfg cfg = MakeCfg(SCAN_TYPE_COLUMN, 950, 1650, 6, 228);
    return Encode(spectrum_test::SingleRecord(cfg, SpectrumLike(228), 300, 25));
}

std::vector<uint8_t> HadamardImage() {
    const scanCfg cfg = MakeCfg(SCAN_TYPE_HADAMARD, 950, 1650, 6, 228);
    const auto readings = spectrum_test::HadamardScanReadings(had_def(cfg), SpectrumLike(228));
    return Encode(spectrum_test::SingleRecord(cfg, readings, 300, 25));
}

// Column, Hadamard and column sections of 76 points each.
std::vector<uint8_t> ThreeSectionImage() {
    uScanData u{};
    slewScanData &s = u.slew;
    spectrum_test::FillHeader(&s);
    s.cfg.scan_type = SCAN_TYPE_SLEW;
    s.cfg.num_sections = 3;
    s.cfg.sections[0] = {SCAN_TYPE_COLUMN, 6, 950, 1180, 76, 1};
    s.cfg.sections[1] = {SCAN_TYPE_HADAMARD, 6, 1190, 1420, 76, 1};
    s.cfg.sections[2] = {SCAN_TYPE_COLUMN, 6, 1430, 1650, 76, 1};
    std::vector<int32_t> readings = SpectrumLike(76);
    const auto had = spectrum_test::HadamardScanReadings(
        had_def(MakeCfg(SCAN_TYPE_HADAMARD, 1190, 1420, 6, 76)), SpectrumLike(76));
    readings.insert(readings.end(), had.begin(), had.end());
    const auto tail = SpectrumLike(76);
    readings.insert(readings.end(), tail.begin(), tail.end());
    s.black_pattern_period = 25;
    s.black_pattern_first = 24;
    s.adc_data_length = spectrum_test::Interleave(readings, 300, 25, s.adc_data);
    return Encode(u);
}

void Interpret(benchmark::State &state, const std::vector<uint8_t> &image) {
    scanResults results;
    for (auto _ : state) {
        const int32_t status = velspec_scan_interpret(image.data(), image.size(), &results);
        if (status != VELSPEC_OK) {
            state.SkipWithError("interpretation failed");
            break;
        }
        benchmark::DoNotOptimize(results.intensity[0]);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_MemcpyImage(benchmark::State &state) {
    const auto image = ColumnImage();
    std::vector<uint8_t> copy(image.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), image.data(), image.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_InterpretColumn228(benchmark::State &state) { Interpret(state, ColumnImage()); }
void BM_InterpretHadamard228(benchmark::State &state) { Interpret(state, HadamardImage()); }
void BM_InterpretThreeSections(benchmark::State &state) { Interpret(state, ThreeSectionImage()); }

// The Hadamard decoding of one 228-point scan of width 6: three groups of
// 76 points, order 79.
template <bool fast>
void DecodeGroups(benchmark::State &state) {
    const hadPatDef def = had_def(MakeCfg(SCAN_TYPE_HADAMARD, 950, 1650, 6, 228));
    std::vector<double> y(def.num_patterns);
    for (size_t i = 0; i < y.size(); ++i) y[i] = 30000.0 + (i * 7919) % 5000;
    std::vector<double> x(SMATRIX_MAX_ORDER);
    for (auto _ : state) {
        size_t offset = 0;
        for (int g = 0; g < def.num_groups; ++g) {
            const hadPatGroup &group = def.groups[g];
            if (fast) {
                velspec::HadDecodeGroup(y.data() + offset, group.paley_order, group.num_columns, x.data());
            } else {
                velspec::HadDecodeGroupMatrix(y.data() + offset, group.paley_order, x.data());
            }
            offset += group.paley_order;
            benchmark::DoNotOptimize(x.data());
        }
    }
    state.SetItemsProcessed(state.iterations());
}
void BM_HadamardDecodeMatrixForm(benchmark::State &state) { DecodeGroups<false>(state); }
void BM_HadamardDecodeFastForm(benchmark::State &state) { DecodeGroups<true>(state); }

BENCHMARK(BM_MemcpyImage);
BENCHMARK(BM_InterpretColumn228);
BENCHMARK(BM_InterpretHadamard228);
BENCHMARK(BM_InterpretThreeSections);
BENCHMARK(BM_HadamardDecodeMatrixForm);
BENCHMARK(BM_HadamardDecodeFastForm);

// Console output as usual, plus the CPU time of every run kept for the
// ratios (CPU time: the machine may be shared).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                seconds_[run.benchmark_name()] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatio(const char *what, const std::string &slow, const std::string &fast) const {
        const auto a = seconds_.find(slow), b = seconds_.find(fast);
        if (a == seconds_.end() || b == seconds_.end() || b->second <= 0) return;
        std::printf("%-50s %8.2fx\n", what, a->second / b->second);
    }

private:
    std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nTime relative to a memcpy of the image (lower is better):\n");
    reporter.PrintRatio("column scan, 228 points", "BM_InterpretColumn228", "BM_MemcpyImage");
    reporter.PrintRatio("Hadamard scan, 228 points, width 6", "BM_InterpretHadamard228", "BM_MemcpyImage");
    reporter.PrintRatio("three-section scan", "BM_InterpretThreeSections", "BM_MemcpyImage");
    std::printf("\nSpeed-up of the fast Hadamard decoder (higher is better):\n");
    reporter.PrintRatio("group decoding, fast over matrix form", "BM_HadamardDecodeMatrixForm",
                        "BM_HadamardDecodeFastForm");
    benchmark::Shutdown();
    return 0;
}
