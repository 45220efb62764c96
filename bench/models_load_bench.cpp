// Load costs of the show's model assets: OBJ load (two passes and vertex merging) against
// a plain read of the same file, the BVH token state machine, and build_parts' CPU half.
// Compare ratios within one run: build/bench/models_load_bench
#include <benchmark/benchmark.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "models/objmodel.h"
#include "models/skeleton.h"
#include "models/text_scanner.h"

namespace {

std::string testdata(const char* relative) { return std::string(VELMORA_TESTDATA) + "/" + relative; }

// The loaders print progress lines; keep them out of the benchmark's report.
struct QuietStdout {
    std::ostringstream sink;
    std::streambuf* saved = std::cout.rdbuf(sink.rdbuf());
    ~QuietStdout() { std::cout.rdbuf(saved); }
};

// n positions, each used by `uses` corners that differ only in their texture coordinate
// (uses = 1: every corner merges with the first use of its position).
std::string merging_obj(int n, int uses) {
    std::string obj;
    for (int i = 0; i < n; ++i) obj += "v " + std::to_string(i) + " 0 0\n";
    for (int t = 0; t < uses; ++t) obj += "vt " + std::to_string(t) + " 0\n";
    for (int t = 0; t < uses; ++t)
        for (int i = 0; i + 2 < n; i += 3) {
            const std::string vt = "/" + std::to_string(t + 1);
            obj += "f " + std::to_string(i + 1) + vt + " " + std::to_string(i + 2) + vt + " " + std::to_string(i + 3) +
                   vt + "\n";
        }
    return obj;
}

void BM_ReadFile(benchmark::State& state, const char* file) {
    const std::string path = testdata(file);
    std::string text;
    for (auto _ : state) {
        if (!read_text_file(path, text)) state.SkipWithError("test data missing");
        benchmark::DoNotOptimize(text.data());
    }
}

void BM_ObjLoad(benchmark::State& state, const char* file) {
    QuietStdout quiet;
    const std::string path = testdata(file);
    for (auto _ : state) {
        objmodel model;
        if (!model.load(path, false)) state.SkipWithError("test data missing");
        benchmark::DoNotOptimize(model.vertices.data());
    }
}

void BM_ObjMerging(benchmark::State& state) {
    QuietStdout quiet;
    const std::string path = "/tmp/velmora_models_bench_" + std::to_string(state.range(0)) + ".obj";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        const std::string obj = merging_obj(30000, static_cast<int>(state.range(0)));
        std::fwrite(obj.data(), 1, obj.size(), f);
        std::fclose(f);
    }
    for (auto _ : state) {
        objmodel model;
        model.load(path, false);
        benchmark::DoNotOptimize(model.vertices.data());
    }
    std::remove(path.c_str());
}

void BM_BvhLoad(benchmark::State& state, const char* file) {
    QuietStdout quiet;
    const std::string path = testdata(file);
    for (auto _ : state) {
        skeleton s(path);
        benchmark::DoNotOptimize(s.root);
    }
}

void BM_BuildPartsCpu(benchmark::State& state) {
    QuietStdout quiet;
    objmodel model;
    if (!model.load(testdata("obj/teapot.obj"), false)) state.SkipWithError("test data missing");
    for (auto _ : state) {
        model.build_parts();  // no GL context here: fills the CPU arrays only
        benchmark::DoNotOptimize(model.parts[0].positions.data());
    }
}

}  // namespace

BENCHMARK_CAPTURE(BM_ReadFile, teapot, "obj/teapot.obj")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ObjLoad, teapot, "obj/teapot.obj")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ObjLoad, suzanne, "obj/suzanne.obj")->Unit(benchmark::kMillisecond);
// The same 30000 positions used once, and used by 8 corners each with different texcoords.
BENCHMARK(BM_ObjMerging)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadFile, louise, "bvh/louise.bvh")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BvhLoad, louise, "bvh/louise.bvh")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BvhLoad, cmu_60_10, "bvh/cmu_60_10_scaled_daz.bvh")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildPartsCpu)->Unit(benchmark::kMillisecond);
