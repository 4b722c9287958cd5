// The pipeline's command on a loaded preview, as the Python module runs it: the peer of
// bench_python.py's tintara.scan. The picture is TINTARA_BENCH_PICTURE.
#include "pipeline/pipeline.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <vector>

namespace {

void BM_PipelineRun(benchmark::State &state)
{
    const char *file = std::getenv("TINTARA_BENCH_PICTURE");
    const Result<pipeline::Preview> preview =
        pipeline::load(QString::fromLocal8Bit(file ? file : ""), 500);
    if (!preview) {
        state.SkipWithError("no picture: set TINTARA_BENCH_PICTURE");
        return;
    }
    results::Recipe recipe;
    recipe.selection = static_cast<int>(state.range(0));
    recipe.threshold = state.range(1) != 0;
    pipeline::Runner runner;
    for (auto _ : state)
        benchmark::DoNotOptimize(runner.run(*preview, recipe));
}
BENCHMARK(BM_PipelineRun)
    ->ArgNames({"type", "threshold"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kMicrosecond);

// A threshold scan of every channel at rate 3 by a local method at radius 15, against the same
// scan with a band: the two are run in turn, so that the machine's moods fall on both alike, and
// the ratio of their medians is reported.
void BM_LocalScan(benchmark::State &state)
{
    const char *file = std::getenv("TINTARA_BENCH_PICTURE");
    const Result<pipeline::Preview> preview =
        pipeline::load(QString::fromLocal8Bit(file ? file : ""), 500);
    if (!preview) {
        state.SkipWithError("no picture: set TINTARA_BENCH_PICTURE");
        return;
    }
    results::Recipe band;
    band.selection = scan::Spread;
    band.threshold = true;
    results::Recipe localScan = band;
    const local::Method method = local::Methods[std::size_t(state.range(0))];
    for (const Channel c : Channels)
        localScan.local[c] = method;
    pipeline::Runner runner;
    std::vector<double> bandTimes, localTimes;
    const auto timed = [&](const results::Recipe &r) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(runner.run(*preview, r));
        return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count();
    };
    for (auto _ : state) {
        bandTimes.push_back(timed(band));
        localTimes.push_back(timed(localScan));
    }
    const auto median = [](std::vector<double> v) {
        std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    state.counters["band_us"] = median(bandTimes);
    state.counters["local_us"] = median(localTimes);
    state.counters["ratio"] = median(localTimes) / median(bandTimes);
    state.SetLabel(local::methodName(method));
}
BENCHMARK(BM_LocalScan)->ArgName("method")->DenseRange(0, 8)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
