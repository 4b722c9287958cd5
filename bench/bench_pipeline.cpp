// The pipeline's command on a loaded preview, as the Python module runs it: the peer of
// bench_python.py's tintara.scan. The picture is TINTARA_BENCH_PICTURE.
#include "pipeline/pipeline.h"

#include <benchmark/benchmark.h>
#include <cstdlib>

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

} // namespace

BENCHMARK_MAIN();
