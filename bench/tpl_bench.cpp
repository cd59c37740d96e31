// LIBS: velscan_tpl
// Engine throughput against memcpy of the same bytes. Each engine benchmark
// also times a memcpy of its image size between iterations and reports the
// ratio as the counter "x_memcpy" (engine time / memcpy time, same run).
#include "tpl.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

namespace {

using bench_clock = std::chrono::steady_clock;

// The shape of a raw scan record: a header of mixed fields, then the
// 864 detector readings.
struct ScanShape {
    char serial[8];
    uint16_t year, month, day, hour, minute, second;
    int16_t temperature[2];
    int32_t humidity[2];
    uint8_t scan_type;
    char config_name[40];
    double scale;
    uint32_t pga;
    int32_t adc[864];
};
const char *const kScanFormat = "S(c#vvvvvvj#i#cc#fui#)";

tpl_node *MapScan(ScanShape *s) { return tpl_map(kScanFormat, s, 8, 2, 2, 40, 864); }

constexpr int kBigCount = 1 << 18;  // 1 MiB of int32

// Runs op once per iteration and a memcpy of bytes beside it, timing both.
template <class Op>
void WithMemcpyBaseline(benchmark::State &state, size_t bytes, Op op) {
    std::vector<char> src(bytes, 1), dst(bytes);
    double engine_ns = 0, copy_ns = 0;
    for (auto _ : state) {
        auto t0 = bench_clock::now();
        op();
        auto t1 = bench_clock::now();
        std::memcpy(dst.data(), src.data(), bytes);
        benchmark::ClobberMemory();
        auto t2 = bench_clock::now();
        engine_ns += std::chrono::duration<double, std::nano>(t1 - t0).count();
        copy_ns += std::chrono::duration<double, std::nano>(t2 - t1).count();
    }
    state.counters["x_memcpy"] = copy_ns > 0 ? engine_ns / copy_ns : 0;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

size_t ScanImageSize() {
    static ScanShape s{};
    tpl_node *t = MapScan(&s);
    tpl_pack(t, 0);
    size_t size = 0;
    tpl_dump(t, TPL_IO_SIZE_ONLY, &size);
    tpl_free(t);
    return size;
}

void BM_ScanRecord_MapPackDump(benchmark::State &state) {
    static ScanShape s{};
    for (int k = 0; k < 864; k++) s.adc[k] = k * 7;
    std::vector<char> out(ScanImageSize());
    WithMemcpyBaseline(state, out.size(), [&] {
        tpl_node *t = MapScan(&s);
        tpl_pack(t, 0);
        tpl_dump(t, TPL_IO_MEMORY | TPL_IO_CALLER_BUFFER, out.data(), out.size());
        tpl_free(t);
        benchmark::DoNotOptimize(out.data());
    });
}

void BM_ScanRecord_LoadUnpack(benchmark::State &state) {
    static ScanShape s{}, back{};
    std::vector<char> image(ScanImageSize());
    tpl_node *w = MapScan(&s);
    tpl_pack(w, 0);
    tpl_dump(w, TPL_IO_MEMORY | TPL_IO_CALLER_BUFFER, image.data(), image.size());
    tpl_free(w);
    tpl_node *r = MapScan(&back);
    WithMemcpyBaseline(state, image.size(), [&] {
        tpl_load(r, TPL_IO_MEMORY | TPL_IO_TRAILING_OK, image.data(), image.size());
        tpl_unpack(r, 0);
        benchmark::DoNotOptimize(back.adc);
    });
    tpl_free(r);
}

void BM_ScanRecord_MemcpyOnly(benchmark::State &state) {
    const size_t bytes = ScanImageSize();
    std::vector<char> src(bytes, 1), dst(bytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_IntArray1MiB_MapPackDump(benchmark::State &state) {
    std::vector<int32_t> values(kBigCount, 3);
    size_t size = 0;
    {
        tpl_node *t = tpl_map("i#", values.data(), kBigCount);
        tpl_pack(t, 0);
        tpl_dump(t, TPL_IO_SIZE_ONLY, &size);
        tpl_free(t);
    }
    std::vector<char> out(size);
    WithMemcpyBaseline(state, size, [&] {
        tpl_node *t = tpl_map("i#", values.data(), kBigCount);
        tpl_pack(t, 0);
        tpl_dump(t, TPL_IO_MEMORY | TPL_IO_CALLER_BUFFER, out.data(), out.size());
        tpl_free(t);
        benchmark::DoNotOptimize(out.data());
    });
}

void BM_IntArray1MiB_LoadUnpack(benchmark::State &state) {
    std::vector<int32_t> values(kBigCount, 3), back(kBigCount);
    void *image = nullptr;
    size_t size = 0;
    {
        tpl_node *t = tpl_map("i#", values.data(), kBigCount);
        tpl_pack(t, 0);
        tpl_dump(t, TPL_IO_MEMORY, &image, &size);
        tpl_free(t);
    }
    tpl_node *r = tpl_map("i#", back.data(), kBigCount);
    WithMemcpyBaseline(state, size, [&] {
        tpl_load(r, TPL_IO_MEMORY, image, size);
        tpl_unpack(r, 0);
        benchmark::DoNotOptimize(back.data());
    });
    tpl_free(r);
    tpl_hook.release(image);
}

void BM_IntArray1MiB_MemcpyOnly(benchmark::State &state) {
    const size_t bytes = size_t{kBigCount} * 4;
    std::vector<char> src(bytes, 1), dst(bytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

}  // namespace

BENCHMARK(BM_ScanRecord_MemcpyOnly);
BENCHMARK(BM_ScanRecord_MapPackDump);
BENCHMARK(BM_ScanRecord_LoadUnpack);
BENCHMARK(BM_IntArray1MiB_MemcpyOnly);
BENCHMARK(BM_IntArray1MiB_MapPackDump);
BENCHMARK(BM_IntArray1MiB_LoadUnpack);

BENCHMARK_MAIN();
