// Decoding a crt stream for the tool, and writing what it holds as text.
#include "decoded_mesh.h"

#include <algorithm>
#include <cmath>
#include <ostream>
#include <stdexcept>

#include "platform/printable.h"

namespace crt_decode {

namespace {

const crt::VertexAttribute* find(const crt::Decoder& d, const char* name) {
    const auto found = d.attributes.find(name);
    return found == d.attributes.end() ? nullptr : found->second.get();
}

const char* codec_name(const crt::VertexAttribute& a) {
    switch (a.codec_kind()) {
    case 2: return "normal";
    case 3: return "colour";
    default: return "generic";
    }
}

std::string strategy_name(const crt::VertexAttribute& a) {
    std::string s;
    if (a.strategy & crt::kParallelogram) s += "parallelogram";
    if (a.strategy & crt::kCorrelated) s += s.empty() ? "correlated" : " + correlated";
    return s.empty() ? "previous vertex" : s;
}

int colour_byte(float value) {
    return static_cast<int>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

}  // namespace

DecodedMesh decode_stream(const std::vector<uint8_t>& bytes) {
    DecodedMesh mesh;
    try {
        mesh.decoder = crt::create_decoder(bytes.data(), bytes.size());
        crt::Decoder& d = *mesh.decoder;
        mesh.vertex_count = d.vertex_count;
        mesh.face_count = d.face_count;
        // Without faces nothing is decoded, and the vertex count is not checked: no arrays.
        if (d.face_count == 0) {
            mesh.vertex_count = 0;
            return mesh;
        }
        const size_t V = d.vertex_count;
        crt::OutputArrays out;
        if (const crt::VertexAttribute* p = find(d, "position")) {
            mesh.position_components = std::max(0, crt::array_width("position", *p));
            mesh.positions.resize(V * mesh.position_components);
            out.positions = mesh.positions.data();
        }
        if (const crt::VertexAttribute* uv = find(d, "uv")) {
            mesh.uv_components = std::max(0, crt::array_width("uv", *uv));
            mesh.uvs.resize(V * mesh.uv_components);
            out.uvs = mesh.uvs.data();
        }
        if (find(d, "normal")) {
            mesh.has_normals = true;
            mesh.normals.resize(V * 3);
            out.normals = mesh.normals.data();
        }
        if (find(d, "color")) {
            mesh.has_colors = true;
            mesh.colors.resize(V * 4);
            out.colors = mesh.colors.data();
        }
        mesh.indices.resize(size_t(d.face_count) * 3);
        out.indices = mesh.indices.data();
        crt::decode_mesh(d, out);
    } catch (const char* message) {
        throw std::runtime_error(message);
    }
    return mesh;
}

void print_summary(std::ostream& out, const DecodedMesh& mesh) {
    const crt::Decoder& d = *mesh.decoder;
    out << "vertices: " << mesh.vertex_count << "\nfaces: " << mesh.face_count << "\nentropy: "
        << (d.stream.entropy == 0 ? "stored" : d.stream.entropy == 1 ? "Tunstall" : "unknown") << "\n";
    out << "properties: " << d.properties.size() << "\n";
    // Keys and values are the stream's own bytes: a damaged one must not reach the terminal raw.
    for (const auto& p : d.properties)
        out << "  " << platform::printable(p.first) << " = " << platform::printable(p.second) << "\n";
    out << "attributes: " << d.attributes.size() << "\n";
    for (const auto& entry : d.attributes) {
        const crt::VertexAttribute& a = *entry.second;
        out << "  " << platform::printable(entry.first) << ": codec " << a.codec_kind() << " (" << codec_name(a) << "), step " << a.step
            << ", components " << a.components << ", strategy " << a.strategy << " (" << strategy_name(a) << ")";
        if (const auto* n = dynamic_cast<const crt::NormalAttr*>(&a)) {
            static const char* const modes[] = {"DIFF", "estimated", "estimated, border corrections"};
            out << ", normals " << (n->mode >= 0 && n->mode <= 2 ? modes[n->mode] : "unknown");
        }
        if (const auto* c = dynamic_cast<const crt::ColorAttr*>(&a))
            out << ", channel steps " << c->channel_steps[0] << " " << c->channel_steps[1] << " "
                << c->channel_steps[2] << " " << c->channel_steps[3];
        out << "\n";
    }
    out << "groups: " << d.index.groups.size() << "\n";
    for (const crt::FaceGroup& g : d.index.groups) {
        out << "  faces up to " << g.face_end;
        for (const auto& p : g.properties)
            out << ", " << platform::printable(p.first) << " = " << platform::printable(p.second);
        out << "\n";
    }
}

void write_ply(std::ostream& out, const DecodedMesh& m) {
    out.precision(9);  // enough digits to give every float back exactly
    out << "ply\nformat ascii 1.0\ncomment decoded by crt-decode\nelement vertex " << m.vertex_count << "\n";
    if (m.position_components) out << "property float x\nproperty float y\nproperty float z\n";
    if (m.has_normals) out << "property float nx\nproperty float ny\nproperty float nz\n";
    if (m.has_colors)
        out << "property uchar red\nproperty uchar green\nproperty uchar blue\nproperty uchar alpha\n";
    if (m.uv_components) out << "property float s\nproperty float t\n";
    out << "element face " << m.face_count << "\nproperty list uchar uint vertex_indices\nend_header\n";
    for (size_t v = 0; v < m.vertex_count; ++v) {
        const char* sep = "";
        auto put = [&](float f) {
            out << sep << f;
            sep = " ";
        };
        // Missing coordinates (fewer than three position or two uv components) are 0.
        for (int j = 0; m.position_components && j < 3; ++j)
            put(j < m.position_components ? m.positions[v * m.position_components + j] : 0.0f);
        for (int j = 0; m.has_normals && j < 3; ++j) put(m.normals[v * 3 + j]);
        for (int j = 0; m.has_colors && j < 4; ++j) {
            out << sep << colour_byte(m.colors[v * 4 + j]);
            sep = " ";
        }
        for (int j = 0; m.uv_components && j < 2; ++j) put(j < m.uv_components ? m.uvs[v * m.uv_components + j] : 0.0f);
        out << "\n";
    }
    for (size_t f = 0; f < m.face_count; ++f)
        out << "3 " << m.indices[3 * f] << " " << m.indices[3 * f + 1] << " " << m.indices[3 * f + 2] << "\n";
}

void write_obj(std::ostream& out, const DecodedMesh& m) {
    out.precision(9);
    out << "# decoded by crt-decode\n";
    for (size_t v = 0; v < m.vertex_count; ++v) {
        out << "v";
        for (int j = 0; j < 3; ++j)
            out << " " << (j < m.position_components ? m.positions[v * m.position_components + j] : 0.0f);
        if (m.has_colors)  // the common "v x y z r g b" extension
            for (int j = 0; j < 3; ++j) out << " " << std::clamp(m.colors[v * 4 + j], 0.0f, 1.0f);
        out << "\n";
    }
    for (size_t v = 0; m.uv_components && v < m.vertex_count; ++v)
        out << "vt " << m.uvs[v * m.uv_components] << " "
            << (m.uv_components > 1 ? m.uvs[v * m.uv_components + 1] : 0.0f) << "\n";
    for (size_t v = 0; m.has_normals && v < m.vertex_count; ++v)
        out << "vn " << m.normals[v * 3] << " " << m.normals[v * 3 + 1] << " " << m.normals[v * 3 + 2] << "\n";
    for (size_t f = 0; f < m.face_count; ++f) {
        out << "f";
        for (int k = 0; k < 3; ++k) {
            const uint32_t i = m.indices[3 * f + k] + 1;
            out << " " << i;
            if (m.uv_components && m.has_normals) out << "/" << i << "/" << i;
            else if (m.uv_components) out << "/" << i;
            else if (m.has_normals) out << "//" << i;
        }
        out << "\n";
    }
}

}  // namespace crt_decode
