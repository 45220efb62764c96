// The crt codec measured against Draco on the shared scanned meshes, at the same
// quantisation: stream size, encode time and decoded triangles per second, positions
// alone at 14 bits, and for the OBJ meshes also with normals (10 bits) and uvs (12 bits).
// After the runs a Markdown table sets every codec beside Draco at speed 3.
#include <benchmark/benchmark.h>

#include <draco/compression/decode.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "crt/crt.h"
#include "draco_mesh.h"
#include "encode_mesh.h"
#include "mesh_reader.h"

namespace {

const char* const kMeshes[] = {"meshes/bun_zipper.ply", "meshes/nefertiti.obj", "meshes/ogre.obj"};
const char* const kMeshNames[] = {"bunny", "nefertiti", "ogre"};
constexpr int kPositionBits = 14, kNormalBits = 10, kUvBits = 12;

// A mesh and whether normals and uvs go with its positions.
struct Case {
    int mesh;
    bool attributes;
};
const Case kCases[] = {{0, false}, {1, false}, {2, false}, {1, true}, {2, true}};

std::string case_name(const Case& c) {
    return std::string(kMeshNames[c.mesh]) + (c.attributes ? " +normals+uvs" : " positions");
}

// The OBJ scans carry positions only: their normals are the area-weighted face normals
// at each vertex (what a loader computes) and their uvs a planar map of x and y.
void add_normals_and_uvs(crt_encode::InputMesh& m) {
    const uint32_t V = m.vertex_count();
    m.normals.assign(size_t(V) * 3, 0.0f);
    for (size_t f = 0; f < m.face_count(); ++f) {
        const float* p[3];
        for (int k = 0; k < 3; ++k) p[k] = &m.positions[size_t(m.faces[f * 3 + k]) * 3];
        const float e1[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
        const float e2[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
        const float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
        for (int k = 0; k < 3; ++k)
            for (int j = 0; j < 3; ++j) m.normals[size_t(m.faces[f * 3 + k]) * 3 + j] += n[j];
    }
    for (uint32_t v = 0; v < V; ++v) {
        float* n = &m.normals[size_t(v) * 3];
        const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (int j = 0; j < 3; ++j) n[j] = length > 0.0f ? n[j] / length : (j == 2 ? 1.0f : 0.0f);
    }
    float lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY};
    for (uint32_t v = 0; v < V; ++v)
        for (int j = 0; j < 2; ++j) {
            lo[j] = std::min(lo[j], m.positions[size_t(v) * 3 + j]);
            hi[j] = std::max(hi[j], m.positions[size_t(v) * 3 + j]);
        }
    m.uvs.resize(size_t(V) * 2);
    for (uint32_t v = 0; v < V; ++v)
        for (int j = 0; j < 2; ++j) m.uvs[size_t(v) * 2 + j] = (m.positions[size_t(v) * 3 + j] - lo[j]) / (hi[j] - lo[j]);
}

// Meshes are read once per process; a missing file is reported by the benchmark that needs it.
const crt_encode::InputMesh* mesh(const Case& c, std::string& error) {
    static std::map<std::pair<int, bool>, crt_encode::InputMesh> cache;
    const auto key = std::make_pair(c.mesh, c.attributes);
    const auto found = cache.find(key);
    if (found != cache.end()) return &found->second;
    try {
        crt_encode::InputMesh m = crt_encode::read_mesh(std::string(VELMORA_TESTDATA) + "/" + kMeshes[c.mesh]);
        if (c.attributes) add_normals_and_uvs(m);
        return &cache.emplace(key, std::move(m)).first->second;
    } catch (const std::exception& e) {
        error = e.what();
        return nullptr;
    }
}

// crt settings compared: the defaults (every search on) and --fast.
const char* const kCrtConfigs[] = {"crt", "crt --fast"};

crt_encode::EncodeSettings crt_settings(int config) {
    crt_encode::EncodeSettings s;
    s.fast = config == 1;
    s.position_bits = kPositionBits;
    s.normal_bits = kNormalBits;
    s.uv_bits = kUvBits;
    return s;
}

std::string draco_name(int speed) { return "Draco speed " + std::to_string(speed); }

// Label "case|codec": the table at the end groups results by it.
void label(benchmark::State& state, const Case& c, const std::string& codec, size_t bytes,
           const crt_encode::InputMesh& m) {
    state.SetLabel(case_name(c) + "|" + codec);
    state.counters["bytes"] = double(bytes);
    state.counters["bits_per_triangle"] = double(bytes) * 8.0 / m.face_count();
}

void BM_CrtEncode(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    std::string error;
    const crt_encode::InputMesh* m = mesh(c, error);
    if (!m) return state.SkipWithError(error.c_str());
    const crt_encode::EncodeSettings s = crt_settings(int(state.range(1)));
    size_t bytes = 0;
    for (auto _ : state) {
        const crt_encode::EncodedMesh encoded = crt_encode::encode_mesh(*m, s);
        bytes = encoded.bytes.size();
        benchmark::DoNotOptimize(encoded.bytes.data());
    }
    label(state, c, kCrtConfigs[state.range(1)], bytes, *m);
}

void BM_CrtDecode(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    std::string error;
    const crt_encode::InputMesh* m = mesh(c, error);
    if (!m) return state.SkipWithError(error.c_str());
    const std::vector<uint8_t> stream = crt_encode::encode_mesh(*m, crt_settings(int(state.range(1)))).bytes;
    float info[2];
    void* probe = CreateDecoder(int(stream.size()), stream.data(), info);
    DestroyDecoder(probe);
    std::vector<float> positions(size_t(info[1]) * 3), normals(m->normals.empty() ? 0 : size_t(info[1]) * 3),
        uvs(m->uvs.empty() ? 0 : size_t(info[1]) * 2);
    std::vector<uint32_t> indices(size_t(info[0]) * 3);
    for (auto _ : state) {
        void* d = CreateDecoder(int(stream.size()), stream.data(), info);
        const int faces = DecodeMesh(d, positions.data(), indices.data(), normals.empty() ? nullptr : normals.data(),
                                     nullptr, uvs.empty() ? nullptr : uvs.data());
        DestroyDecoder(d);
        if (faces != int(m->face_count())) return state.SkipWithError(GetLastDecoderError());
        benchmark::DoNotOptimize(indices.data());
    }
    state.counters["triangles_per_second"] =
        benchmark::Counter(double(m->face_count()), benchmark::Counter::kIsIterationInvariantRate);
    label(state, c, kCrtConfigs[state.range(1)], stream.size(), *m);
}

// The same bits as crt.
std::vector<char> draco_encode(const draco::Mesh& mesh, int speed) {
    crt_bench::DracoBits bits;
    bits.position = kPositionBits;
    bits.normal = kNormalBits;
    bits.uv = kUvBits;
    return crt_bench::draco_encode(mesh, speed, bits);
}

void BM_DracoEncode(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    std::string error;
    const crt_encode::InputMesh* m = mesh(c, error);
    if (!m) return state.SkipWithError(error.c_str());
    const std::unique_ptr<draco::Mesh> dm = crt_bench::draco_mesh(*m);
    size_t bytes = 0;
    for (auto _ : state) {
        const std::vector<char> encoded = draco_encode(*dm, int(state.range(1)));
        if (encoded.empty()) return state.SkipWithError("Draco could not encode the mesh");
        bytes = encoded.size();
    }
    label(state, c, draco_name(int(state.range(1))), bytes, *m);
}

// Draco's connectivity alone: the same faces with every position equal, so that its
// position data all but vanishes. The row splits Draco's bytes the way --stats splits crt's.
void BM_DracoConnectivity(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    std::string error;
    const crt_encode::InputMesh* m = mesh(c, error);
    if (!m) return state.SkipWithError(error.c_str());
    crt_encode::InputMesh flat;
    flat.positions.assign(m->positions.size(), 0.0f);
    flat.faces = m->faces;
    const std::unique_ptr<draco::Mesh> dm = crt_bench::draco_mesh(flat);
    size_t bytes = 0;
    for (auto _ : state) {
        const std::vector<char> encoded = draco_encode(*dm, int(state.range(1)));
        if (encoded.empty()) return state.SkipWithError("Draco could not encode the mesh");
        bytes = encoded.size();
    }
    label(state, c, draco_name(int(state.range(1))) + ", connectivity alone", bytes, *m);
}

void BM_DracoDecode(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    std::string error;
    const crt_encode::InputMesh* m = mesh(c, error);
    if (!m) return state.SkipWithError(error.c_str());
    const std::vector<char> encoded = draco_encode(*crt_bench::draco_mesh(*m), int(state.range(1)));
    if (encoded.empty()) return state.SkipWithError("Draco could not encode the mesh");
    for (auto _ : state) {
        draco::DecoderBuffer buffer;
        buffer.Init(encoded.data(), encoded.size());
        draco::Decoder decoder;
        auto decoded = decoder.DecodeMeshFromBuffer(&buffer);
        if (!decoded.ok() || decoded.value()->num_faces() != m->face_count())
            return state.SkipWithError("Draco could not decode its own stream");
        benchmark::DoNotOptimize(decoded.value().get());
    }
    state.counters["triangles_per_second"] =
        benchmark::Counter(double(m->face_count()), benchmark::Counter::kIsIterationInvariantRate);
    label(state, c, draco_name(int(state.range(1))), encoded.size(), *m);
}

void crt_arguments(benchmark::internal::Benchmark* b) {
    for (int c = 0; c < int(std::size(kCases)); ++c)
        for (int config = 0; config < int(std::size(kCrtConfigs)); ++config) b->Args({c, config});
}

// Speed 3 is what Draco's own command line uses by default (compression level 7); speed 0
// gives its smallest streams.
void draco_arguments(benchmark::internal::Benchmark* b) {
    for (int c = 0; c < int(std::size(kCases)); ++c)
        for (int speed : {3, 0}) b->Args({c, speed});
}

// Collects every run while printing as usual; the table comes after the last one.
class TableReporter : public benchmark::ConsoleReporter {
public:
    struct Row {
        double bytes = 0, encode_ms = 0, triangles_per_second = 0;
    };
    std::map<std::string, std::map<std::string, Row>> rows;  // case -> codec -> figures

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            // With --benchmark_repetitions the median replaces the single runs.
            if (run.error_occurred || (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")) continue;
            const size_t bar = run.report_label.find('|');
            if (bar == std::string::npos) continue;
            Row& row = rows[run.report_label.substr(0, bar)][run.report_label.substr(bar + 1)];
            const auto count = [&](const char* name) {
                const auto c = run.counters.find(name);
                return c == run.counters.end() ? 0.0 : double(c->second);
            };
            row.bytes = count("bytes");
            if (run.benchmark_name().find("Connectivity") != std::string::npos) continue;
            if (run.benchmark_name().find("Encode") != std::string::npos)
                row.encode_ms = run.GetAdjustedCPUTime() * 1e3 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            else
                row.triangles_per_second = count("triangles_per_second");
        }
    }

    void print_table() const {
        std::printf("\n| mesh | codec | bytes | size / Draco 3 | encode ms | decode M triangles/s | decode speed / Draco 3 |\n");
        std::printf("|---|---|---|---|---|---|---|\n");
        for (const auto& [name, codecs] : rows) {
            const auto draco = codecs.find(draco_name(3));
            for (const auto& [codec, row] : codecs) {
                std::printf("| %s | %s | %.0f | ", name.c_str(), codec.c_str(), row.bytes);
                if (draco != codecs.end() && draco->second.bytes > 0) std::printf("%.3f", row.bytes / draco->second.bytes);
                // Rows measured one way only (Draco's connectivity) leave the others empty.
                if (row.encode_ms > 0) std::printf(" | %.1f | ", row.encode_ms);
                else std::printf(" |  | ");
                if (row.triangles_per_second > 0) std::printf("%.1f | ", row.triangles_per_second / 1e6);
                else std::printf(" | ");
                if (draco != codecs.end() && draco->second.triangles_per_second > 0 && row.triangles_per_second > 0)
                    std::printf("%.2f", row.triangles_per_second / draco->second.triangles_per_second);
                std::printf(" |\n");
            }
        }
    }
};

}  // namespace

BENCHMARK(BM_CrtEncode)->Apply(crt_arguments)->ArgNames({"case", "config"})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CrtDecode)->Apply(crt_arguments)->ArgNames({"case", "config"})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DracoEncode)->Apply(draco_arguments)->ArgNames({"case", "speed"})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DracoDecode)->Apply(draco_arguments)->ArgNames({"case", "speed"})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DracoConnectivity)->Args({0, 3})->Args({1, 3})->Args({2, 3})->ArgNames({"case", "speed"})
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.print_table();
    benchmark::Shutdown();
    return 0;
}
