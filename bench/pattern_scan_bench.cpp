// The scan alone, over one chunk of 128 sectors in memory: random bytes
// without the pattern's last byte (so it is never found) for patterns of
// 1, 4, 16 and 49 bytes, and a chunk of zeros searched for zeros ending in 01;
// forwards (Search, Find Next) and backwards (Find Previous).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "tools/pattern_scan.h"

namespace {

constexpr size_t kChunk = 128 * 512;

void scan(benchmark::State& state, const std::vector<BYTE>& data, const std::vector<BYTE>& pattern) {
    PatternScan prepared;
    prepare_pattern_scan(&prepared, pattern.data(), pattern.size());
    bool backwards = state.range(1) != 0;
    for (auto _ : state) {
        size_t at = backwards ? find_last_pattern(&prepared, data.data(), data.size())
                              : find_pattern(&prepared, data.data(), data.size());
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
    std::vector<BYTE> data(kChunk, 0), pattern(static_cast<size_t>(state.range(0)) - 1, 0);
    pattern.push_back(1);
    scan(state, data, pattern);
}

// Pattern length, then 1 for the backward scan.
BENCHMARK(random_data)->ArgsProduct({{1, 4, 16, 49}, {0, 1}});
BENCHMARK(zeros_ending_in_01)->ArgsProduct({{2, 16, 49}, {0, 1}});

}  // namespace

BENCHMARK_MAIN();
