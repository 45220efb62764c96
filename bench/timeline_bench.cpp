// The per-frame cost of the two timeline builds: the full builds against the cached
// rebuild, which leaves the same arrays and generator state.
#include <benchmark/benchmark.h>

#include "clips/timeline.h"

static void EditFullBuild(benchmark::State& state) {
    Timeline edit;
    for (auto _ : state) {
        buildEdit(edit);
        benchmark::DoNotOptimize(edit.values[100000]);
    }
}
BENCHMARK(EditFullBuild)->Unit(benchmark::kMillisecond);

static void EditCachedRebuild(benchmark::State& state) {
    Timeline edit;
    TimelineCache cache;
    for (auto _ : state) {
        rebuildEdit(edit, cache);
        benchmark::DoNotOptimize(edit.values[100000]);
    }
}
BENCHMARK(EditCachedRebuild)->Unit(benchmark::kMicrosecond);

static void RemapFullBuild(benchmark::State& state) {
    Timeline remap;
    for (auto _ : state) {
        buildRemap(remap);
        benchmark::DoNotOptimize(remap.values[100000]);
    }
}
BENCHMARK(RemapFullBuild)->Unit(benchmark::kMillisecond);
