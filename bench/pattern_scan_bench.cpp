// The scan alone, over one chunk of 128 sectors in memory: random bytes
// without the pattern's last byte (so it is never found) for patterns of
// 1, 4, 16 and 49 bytes, and a chunk of zeros searched for zeros ending in 01.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "tools/pattern_scan.h"

namespace {

constexpr size_t kChunk = 128 * 512;

void scan(benchmark::State& state, const std::vector<BYTE>& data, const std::vector<BYTE>& pattern) {
    PatternScan prepared;
    prepare_pattern_scan(&prepared, pattern.data(), pattern.size());
    for (auto _ : state) {
        size_t at = find_pattern(&prepared, data.data(), data.size());
        benchmark::DoNotOptimize(at);
        if (at != static_cast<size_t>(-1)) state.SkipWithError("found");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}

void random_data(benchmark::State& state) {
    std::mt19937 random(1);
    std::vector<BYTE> data(kChunk), pattern(static_cast<size_t>(state.range(0)));
    for (BYTE& b : data) b = static_cast<BYTE>(random() % 255);  // never 0xFF
    for (BYTE& b : pattern) b = static_cast<BYTE>(random() % 255);
    pattern.back() = 0xFF;
    scan(state, data, pattern);
}

void zeros_ending_in_01(benchmark::State& state) {
    std::vector<BYTE> data(kChunk, 0), pattern(static_cast<size_t>(state.range(0)), 0);
    pattern.back() = 1;
    scan(state, data, pattern);
}

BENCHMARK(random_data)->Arg(1)->Arg(4)->Arg(16)->Arg(49);
BENCHMARK(zeros_ending_in_01)->Arg(2)->Arg(16)->Arg(49);

}  // namespace

BENCHMARK_MAIN();
