// The crt codec measured against Draco on the shared scanned meshes, at the same position
// quantisation: stream size (bits per vertex and per triangle), encode time and decoded
// triangles per second. crt decodes through the exported C functions into flat arrays;
// Draco decodes into its own mesh object.
#include <benchmark/benchmark.h>

#include <draco/compression/decode.h>
#include <draco/compression/encode.h>
#include <draco/mesh/mesh.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "crt/crt.h"
#include "crt/encoder.h"
#include "encode_mesh.h"
#include "mesh_reader.h"

namespace {

const char* const kMeshes[] = {"meshes/bun_zipper.ply", "meshes/nefertiti.obj", "meshes/ogre.obj"};
const char* const kMeshNames[] = {"bunny", "nefertiti", "ogre"};

// Meshes are read once per process; a missing file is reported by the benchmark that needs it.
const crt_encode::InputMesh* mesh(int index, std::string& error) {
    static std::map<int, crt_encode::InputMesh> cache;
    const auto found = cache.find(index);
    if (found != cache.end()) return &found->second;
    try {
        return &cache.emplace(index, crt_encode::read_mesh(std::string(VELMORA_TESTDATA) + "/" + kMeshes[index]))
                    .first->second;
    } catch (const std::exception& e) {
        error = e.what();
        return nullptr;
    }
}

// crt settings compared: entropy kind and position strategy.
struct CrtConfig {
    const char* name;
    int32_t entropy;
    int32_t strategy;
};
const CrtConfig kCrtConfigs[] = {
    {"tunstall_parallelogram", 1, crt::kParallelogram},
    {"tunstall_parallelogram_correlated", 1, crt::kParallelogram | crt::kCorrelated},
    {"tunstall_plain", 1, 0},
    {"stored_parallelogram", 0, crt::kParallelogram},
};

crt_encode::EncodeSettings crt_settings(const CrtConfig& c, int bits) {
    crt_encode::EncodeSettings s;
    s.entropy = c.entropy;
    s.position_strategy = c.strategy;
    s.position_bits = bits;
    return s;
}

void size_counters(benchmark::State& state, size_t bytes, const crt_encode::InputMesh& m) {
    state.counters["bytes"] = double(bytes);
    state.counters["bits_per_vertex"] = double(bytes) * 8.0 / m.vertex_count();
    state.counters["bits_per_triangle"] = double(bytes) * 8.0 / m.face_count();
}

// Arguments: mesh index, crt configuration, position bits.
void BM_CrtEncode(benchmark::State& state) {
    std::string error;
    const crt_encode::InputMesh* m = mesh(int(state.range(0)), error);
    if (!m) return state.SkipWithError(error.c_str());
    const crt_encode::EncodeSettings s = crt_settings(kCrtConfigs[state.range(1)], int(state.range(2)));
    size_t bytes = 0;
    for (auto _ : state) {
        const crt_encode::EncodedMesh encoded = crt_encode::encode_mesh(*m, s);
        bytes = encoded.bytes.size();
        benchmark::DoNotOptimize(encoded.bytes.data());
    }
    state.SetLabel(std::string(kMeshNames[state.range(0)]) + " " + kCrtConfigs[state.range(1)].name);
    size_counters(state, bytes, *m);
}

void BM_CrtDecode(benchmark::State& state) {
    std::string error;
    const crt_encode::InputMesh* m = mesh(int(state.range(0)), error);
    if (!m) return state.SkipWithError(error.c_str());
    const std::vector<uint8_t> stream =
        crt_encode::encode_mesh(*m, crt_settings(kCrtConfigs[state.range(1)], int(state.range(2)))).bytes;
    float info[2];
    void* probe = CreateDecoder(int(stream.size()), stream.data(), info);
    DestroyDecoder(probe);
    std::vector<float> positions(size_t(info[1]) * 3);
    std::vector<uint32_t> indices(size_t(info[0]) * 3);
    for (auto _ : state) {
        void* d = CreateDecoder(int(stream.size()), stream.data(), info);
        const int faces = DecodeMesh(d, positions.data(), indices.data(), nullptr, nullptr, nullptr);
        DestroyDecoder(d);
        if (faces != int(m->face_count())) return state.SkipWithError(GetLastDecoderError());
        benchmark::DoNotOptimize(indices.data());
    }
    state.SetLabel(std::string(kMeshNames[state.range(0)]) + " " + kCrtConfigs[state.range(1)].name);
    state.counters["triangles_per_second"] =
        benchmark::Counter(double(m->face_count()), benchmark::Counter::kIsIterationInvariantRate);
    size_counters(state, stream.size(), *m);
}

std::unique_ptr<draco::Mesh> draco_mesh(const crt_encode::InputMesh& m) {
    auto out = std::make_unique<draco::Mesh>();
    out->set_num_points(m.vertex_count());
    draco::GeometryAttribute position;
    position.Init(draco::GeometryAttribute::POSITION, nullptr, 3, draco::DT_FLOAT32, false, sizeof(float) * 3, 0);
    const int id = out->AddAttribute(position, true, m.vertex_count());
    draco::PointAttribute* attribute = out->attribute(id);
    for (uint32_t v = 0; v < m.vertex_count(); ++v)
        attribute->SetAttributeValue(draco::AttributeValueIndex(v), &m.positions[size_t(v) * 3]);
    for (uint32_t f = 0; f < m.face_count(); ++f) {
        draco::Mesh::Face face;
        for (int k = 0; k < 3; ++k) face[k] = draco::PointIndex(m.faces[size_t(f) * 3 + k]);
        out->AddFace(face);
    }
    return out;
}

// Arguments: mesh index, Draco speed (0 smallest .. 10 fastest), position bits.
std::vector<char> draco_encode(const draco::Mesh& mesh, int speed, int bits) {
    draco::Encoder encoder;
    encoder.SetSpeedOptions(speed, speed);
    encoder.SetAttributeQuantization(draco::GeometryAttribute::POSITION, bits);
    draco::EncoderBuffer buffer;
    if (!encoder.EncodeMeshToBuffer(mesh, &buffer).ok()) return {};
    return std::vector<char>(buffer.data(), buffer.data() + buffer.size());
}

void BM_DracoEncode(benchmark::State& state) {
    std::string error;
    const crt_encode::InputMesh* m = mesh(int(state.range(0)), error);
    if (!m) return state.SkipWithError(error.c_str());
    const std::unique_ptr<draco::Mesh> dm = draco_mesh(*m);
    size_t bytes = 0;
    for (auto _ : state) {
        const std::vector<char> encoded = draco_encode(*dm, int(state.range(1)), int(state.range(2)));
        if (encoded.empty()) return state.SkipWithError("Draco could not encode the mesh");
        bytes = encoded.size();
    }
    state.SetLabel(std::string(kMeshNames[state.range(0)]) + " draco speed " + std::to_string(state.range(1)));
    size_counters(state, bytes, *m);
}

void BM_DracoDecode(benchmark::State& state) {
    std::string error;
    const crt_encode::InputMesh* m = mesh(int(state.range(0)), error);
    if (!m) return state.SkipWithError(error.c_str());
    const std::vector<char> encoded = draco_encode(*draco_mesh(*m), int(state.range(1)), int(state.range(2)));
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
    state.SetLabel(std::string(kMeshNames[state.range(0)]) + " draco speed " + std::to_string(state.range(1)));
    state.counters["triangles_per_second"] =
        benchmark::Counter(double(m->face_count()), benchmark::Counter::kIsIterationInvariantRate);
    size_counters(state, encoded.size(), *m);
}

void crt_arguments(benchmark::internal::Benchmark* b) {
    for (int bits : {11, 14})
        for (int mesh_index = 0; mesh_index < 3; ++mesh_index)
            for (int config = 0; config < int(std::size(kCrtConfigs)); ++config) b->Args({mesh_index, config, bits});
}

// Speed 3 is what Draco's own command line uses by default (compression level 7); speed 0
// gives its smallest streams.
void draco_arguments(benchmark::internal::Benchmark* b) {
    for (int bits : {11, 14})
        for (int mesh_index = 0; mesh_index < 3; ++mesh_index)
            for (int speed : {3, 0}) b->Args({mesh_index, speed, bits});
}

}  // namespace

BENCHMARK(BM_CrtEncode)->Apply(crt_arguments)->ArgNames({"mesh", "config", "bits"})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CrtDecode)->Apply(crt_arguments)->ArgNames({"mesh", "config", "bits"})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DracoEncode)->Apply(draco_arguments)->ArgNames({"mesh", "speed", "bits"})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DracoDecode)->Apply(draco_arguments)->ArgNames({"mesh", "speed", "bits"})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
