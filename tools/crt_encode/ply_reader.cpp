// PLY reading: the header's elements and properties in any order and any number, ASCII
// or binary of either byte order. The vertex element gives positions and, when present,
// normals, colours and texture coordinates; the face element's index list gives polygons,
// split into triangle fans. Every other element and property is read past.
#include <algorithm>
#include <charconv>
#include <cstring>
#include <sstream>
#include <stdexcept>

#include "mesh_reader.h"
#include "platform/printable.h"
#include "text_lines.h"

namespace crt_encode {

namespace {

enum class Type { int8, uint8, int16, uint16, int32, uint32, float32, float64 };

struct Property {
    std::string name;
    Type type = Type::float32;
    bool list = false;
    Type count_type = Type::uint8;
};

struct Element {
    std::string name;
    uint64_t count = 0;
    std::vector<Property> properties;
};

size_t type_size(Type t) {
    switch (t) {
    case Type::int8: case Type::uint8: return 1;
    case Type::int16: case Type::uint16: return 2;
    case Type::int32: case Type::uint32: case Type::float32: return 4;
    default: return 8;
    }
}

bool parse_type(const std::string& word, Type& t) {
    static const std::pair<const char*, Type> names[] = {
        {"char", Type::int8},      {"int8", Type::int8},       {"uchar", Type::uint8},     {"uint8", Type::uint8},
        {"short", Type::int16},    {"int16", Type::int16},     {"ushort", Type::uint16},   {"uint16", Type::uint16},
        {"int", Type::int32},      {"int32", Type::int32},     {"uint", Type::uint32},     {"uint32", Type::uint32},
        {"float", Type::float32},  {"float32", Type::float32}, {"double", Type::float64},  {"float64", Type::float64}};
    for (const auto& n : names)
        if (word == n.first) {
            t = n.second;
            return true;
        }
    return false;
}

// Largest value of an unsigned colour channel type, which stands for 1.0.
double channel_scale(Type t) {
    switch (t) {
    case Type::uint8: return 255.0;
    case Type::uint16: return 65535.0;
    case Type::int8: return 127.0;
    case Type::int16: return 32767.0;
    default: return 1.0;
    }
}

// Values of the body, one at a time, ASCII tokens or binary numbers.
class BodyReader {
public:
    BodyReader(const char* begin, const char* end, int format, const std::string& name)
        : p_(begin), end_(end), format_(format), name_(name) {}

    double read(Type t) {
        if (format_ == 0) return read_token();
        const size_t n = type_size(t);
        if (size_t(end_ - p_) < n) fail("data ends early");
        unsigned char b[8];
        std::memcpy(b, p_, n);
        p_ += n;
        if (format_ == 2) std::reverse(b, b + n);  // big-endian
        switch (t) {
        case Type::int8: return int8_t(b[0]);
        case Type::uint8: return b[0];
        case Type::int16: { int16_t v; std::memcpy(&v, b, 2); return v; }
        case Type::uint16: { uint16_t v; std::memcpy(&v, b, 2); return v; }
        case Type::int32: { int32_t v; std::memcpy(&v, b, 4); return v; }
        case Type::uint32: { uint32_t v; std::memcpy(&v, b, 4); return v; }
        case Type::float32: { float v; std::memcpy(&v, b, 4); return v; }
        default: { double v; std::memcpy(&v, b, 8); return v; }
        }
    }

    size_t remaining() const { return size_t(end_ - p_); }

    [[noreturn]] void fail(const std::string& what) const { throw std::runtime_error(name_ + ": " + what); }

private:
    double read_token() {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\r' || *p_ == '\n')) ++p_;
        if (p_ == end_) fail("data ends early");
        double v = 0;
        const auto r = std::from_chars(p_, end_, v);
        if (r.ec != std::errc()) fail("a value is not a number");
        p_ = r.ptr;
        return v;
    }

    const char* p_;
    const char* end_;
    int format_;  // 0 ASCII, 1 little-endian, 2 big-endian
    const std::string& name_;
};

int find(const Element& e, std::initializer_list<const char*> names) {
    for (const char* n : names)
        for (size_t i = 0; i < e.properties.size(); ++i)
            if (!e.properties[i].list && e.properties[i].name == n) return int(i);
    return -1;
}

}  // namespace

InputMesh read_ply(const std::vector<char>& bytes, const std::string& name) {
    auto fail = [&](const std::string& what) -> void { throw std::runtime_error(name + ": " + what); };
    // The header: text lines up to "end_header".
    const char* data = bytes.data();
    const char* end = data + bytes.size();
    const char* p = data;
    std::vector<Element> elements;
    int format = -1;
    bool first = true, ended = false;
    size_t line_number = 0, stray_lines = 0;
    std::string first_stray;
    // The header's lines end in a bare CR: then so does end_header, even when a binary
    // body starts with a line feed byte.
    bool bare_cr = false;
    InputMesh mesh;
    while (p < end && !ended) {
        const char* line_end;
        const char* next = next_line(p, end, line_end);
        std::string line(p, line_end);
        if (line_number == 0) bare_cr = next - line_end == 1 && *line_end == '\r';
        p = next;
        ++line_number;
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (first) {
            if (keyword != "ply") fail("not a PLY file (no \"ply\" first line)");
            first = false;
        } else if (keyword == "format") {
            std::string kind;
            words >> kind;
            if (kind == "ascii") format = 0;
            else if (kind == "binary_little_endian") format = 1;
            else if (kind == "binary_big_endian") format = 2;
            else fail("unknown format \"" + kind + "\"");
        } else if (keyword == "element") {
            Element e;
            words >> e.name >> e.count;
            if (!words) fail("element line without a name and count: " + platform::printable(line, 80));
            elements.push_back(e);
        } else if (keyword == "property") {
            if (elements.empty()) fail("property before any element");
            Property prop;
            std::string type;
            words >> type;
            if (type == "list") {
                std::string count_type, item_type;
                words >> count_type >> item_type >> prop.name;
                prop.list = true;
                if (!parse_type(count_type, prop.count_type) || !parse_type(item_type, prop.type))
                    fail("unknown list type in: " + platform::printable(line, 80));
            } else {
                words >> prop.name;
                if (!parse_type(type, prop.type)) fail("unknown property type in: " + platform::printable(line, 80));
            }
            elements.back().properties.push_back(prop);
        } else if (keyword == "end_header") {
            ended = true;
            if (bare_cr && line_end < end) p = line_end + 1;
        } else if (keyword != "comment" && keyword != "obj_info" && !keyword.empty()) {
            // Some exporters write a note without "comment" before it: nothing in it
            // describes the data, so it is read past, and said once.
            if (stray_lines++ == 0) first_stray = "line " + std::to_string(line_number) + ": \"" + platform::printable(line, 60) + "\"";
        }
    }
    if (stray_lines)
        mesh.warnings.push_back(name + ": " + std::to_string(stray_lines) + " header line(s) that are not PLY (" +
                                first_stray + ") read past as comments");
    if (first) fail("empty file");
    if (!ended) fail("header has no end_header");
    if (format < 0) fail("header has no format line");

    BodyReader body(p, end, format, name);
    bool have_vertices = false;
    uint64_t vertex_count = 0;
    for (const Element& e : elements) {
        // Every item takes at least one byte (binary) or two characters (ASCII): a larger
        // count is a damaged header, refused before anything is allocated for it.
        size_t item_bytes = 0;
        for (const Property& prop : e.properties) item_bytes += prop.list ? type_size(prop.count_type) : type_size(prop.type);
        if (format == 0) item_bytes = 2 * e.properties.size();
        if (item_bytes && e.count > body.remaining() / item_bytes) body.fail("element \"" + e.name + "\" count runs past the data");

        if (e.name == "vertex" && !have_vertices) {
            have_vertices = true;
            vertex_count = e.count;
            if (vertex_count > 0xFFFFFFF0u) body.fail("too many vertices");
            const int x = find(e, {"x"}), y = find(e, {"y"}), z = find(e, {"z"});
            if (x < 0 || y < 0 || z < 0) body.fail("vertex element has no x, y and z");
            const int nx = find(e, {"nx"}), ny = find(e, {"ny"}), nz = find(e, {"nz"});
            const int r = find(e, {"red", "r"}), g = find(e, {"green", "g"}), b = find(e, {"blue", "b"});
            const int a = find(e, {"alpha", "a"});
            const int s = find(e, {"s", "u", "texture_u", "texture_s"});
            const int t = find(e, {"t", "v", "texture_v", "texture_t"});
            const bool normals = nx >= 0 && ny >= 0 && nz >= 0;
            const bool colors = r >= 0 && g >= 0 && b >= 0;
            const bool uvs = s >= 0 && t >= 0;
            mesh.positions.reserve(vertex_count * 3);
            if (colors) mesh.color_components = a >= 0 ? 4 : 3;
            std::vector<double> values(e.properties.size());
            for (uint64_t i = 0; i < e.count; ++i) {
                for (size_t k = 0; k < e.properties.size(); ++k) {
                    const Property& prop = e.properties[k];
                    if (!prop.list) {
                        values[k] = body.read(prop.type);
                        continue;
                    }
                    const double n = body.read(prop.count_type);
                    if (n < 0 || n > double(body.remaining())) body.fail("list length runs past the data");
                    for (uint64_t j = 0; j < uint64_t(n); ++j) body.read(prop.type);
                }
                for (int k : {x, y, z}) mesh.positions.push_back(float(values[k]));
                if (normals)
                    for (int k : {nx, ny, nz}) mesh.normals.push_back(float(values[k]));
                if (colors)
                    for (int k : {r, g, b, a})
                        if (k >= 0) mesh.colors.push_back(float(values[k] / channel_scale(e.properties[k].type)));
                if (uvs)
                    for (int k : {s, t}) mesh.uvs.push_back(float(values[k]));
            }
            continue;
        }
        const int list = [&] {
            for (size_t k = 0; k < e.properties.size(); ++k)
                if (e.properties[k].list && (e.properties[k].name == "vertex_indices" || e.properties[k].name == "vertex_index"))
                    return int(k);
            return -1;
        }();
        const bool faces = e.name == "face" && list >= 0;
        std::vector<uint32_t> polygon;
        for (uint64_t i = 0; i < e.count; ++i) {
            for (size_t k = 0; k < e.properties.size(); ++k) {
                const Property& prop = e.properties[k];
                if (!prop.list) {
                    body.read(prop.type);
                    continue;
                }
                const double n = body.read(prop.count_type);
                if (n < 0 || n > double(body.remaining())) body.fail("list length runs past the data");
                polygon.clear();
                for (uint64_t j = 0; j < uint64_t(n); ++j) {
                    const double v = body.read(prop.type);
                    if (!faces || int(k) != list) continue;
                    if (!(v >= 0 && v < double(vertex_count)) || v != double(uint32_t(v)))
                        body.fail("face " + std::to_string(i) + " refers to vertex " + std::to_string(v) +
                                  " outside the " + std::to_string(vertex_count) + " vertices");
                    polygon.push_back(uint32_t(v));
                }
                if (!faces || int(k) != list) continue;
                for (size_t j = 2; j < polygon.size(); ++j) {
                    mesh.faces.push_back(polygon[0]);
                    mesh.faces.push_back(polygon[j - 1]);
                    mesh.faces.push_back(polygon[j]);
                }
            }
        }
    }
    if (!have_vertices) fail("no vertex element");
    return mesh;
}

}  // namespace crt_encode
