// libFuzzer target for the shared PLY reader: any bytes, read both as crt-encode reads them
// (refusing damage) and as the show does (keeping the declared counts); a refusal must be
// one line, and a mesh read must keep the reader's promises.
#include <cstdint>
#include <cstdlib>

#include "models/ply_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (bool keep : {false, true}) {
        ply::Mesh m;
        ply::Options options;
        options.keep_declared_counts = keep;
        if (!ply::read(reinterpret_cast<const char*>(data), size, "fuzz.ply", m, options)) {
            if (m.error.rfind("fuzz.ply: ", 0) != 0 || m.error.find('\n') != std::string::npos) std::abort();
            continue;
        }
        const size_t vertices = m.vertex_count();
        for (uint32_t i : m.triangles)
            if (i >= vertices) std::abort();
        if (m.positions.size() % 3 || m.triangles.size() % 3) std::abort();
        if (!m.normals.empty() && m.normals.size() != m.positions.size()) std::abort();
        if (m.colors.size() != vertices * m.color_channels) std::abort();
        if (!m.uvs.empty() && m.uvs.size() != 2 * vertices) std::abort();
        if (!m.corner_uvs.empty() && m.corner_uvs.size() != 2 * m.triangles.size()) std::abort();
    }
    return 0;
}
