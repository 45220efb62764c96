// PLY data reading: the elements in header order, each record's values one at a time, the
// vertex and face elements kept, everything else read past.
#include "models/ply_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "models/ply_header.h"
#include "platform/printable.h"

namespace ply {

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// The data after the header, one value at a time: ASCII tokens or binary numbers. Once a
// read fails, every later one fails too, so that a damaged file reads as zeros from there.
class Data {
public:
    Data(const char* begin, const char* end, Format format) : p_(begin), end_(end), format_(format) {}

    bool read(Type type, double& value) {
        if (failed_) return false;
        return format_ == Format::ascii ? read_token(type, value) : read_binary(type, value);
    }
    // Bytes left; an ASCII value takes at least two of them (one before the last value's end).
    size_t remaining() const { return static_cast<size_t>(end_ - p_); }
    bool ascii() const { return format_ == Format::ascii; }
    bool failed() const { return failed_; }
    const std::string& what() const { return what_; }
    bool fail(const std::string& what) {
        if (!failed_) what_ = what;
        failed_ = true;
        return false;
    }

private:
    bool read_binary(Type type, double& value) {
        const size_t n = type_size(type);
        if (remaining() < n) return fail("the data ends early");
        unsigned char b[8];
        std::memcpy(b, p_, n);
        p_ += n;
        // The machines this builds for are little-endian.
        if (format_ == Format::binary_big_endian) std::reverse(b, b + n);
        switch (type) {
        case Type::int8: value = static_cast<int8_t>(b[0]); break;
        case Type::uint8: value = b[0]; break;
        case Type::int16: { int16_t v; std::memcpy(&v, b, 2); value = v; break; }
        case Type::uint16: { uint16_t v; std::memcpy(&v, b, 2); value = v; break; }
        case Type::int32: { int32_t v; std::memcpy(&v, b, 4); value = v; break; }
        case Type::uint32: { uint32_t v; std::memcpy(&v, b, 4); value = v; break; }
        case Type::float32: { float v; std::memcpy(&v, b, 4); value = v; break; }
        case Type::float64: { double v; std::memcpy(&v, b, 8); value = v; break; }
        }
        return true;
    }

    bool read_token(Type type, double& value) {
        while (p_ < end_ && is_space(*p_)) ++p_;
        if (p_ == end_) return fail("the data ends early");
        const char* start = p_;
        while (p_ < end_ && !is_space(*p_)) ++p_;
        if (*start == '+' && p_ - start > 1) ++start;  // some writers sign positive numbers
        // A float property is converted straight to float: through double, a decimal could
        // round twice and land one step away from what the writer meant.
        if (type == Type::float32) {
            float f = 0;
            const auto r = std::from_chars(start, p_, f);
            if (r.ec == std::errc() && r.ptr == p_) {
                value = f;
                return true;
            }
            if (r.ec != std::errc::result_out_of_range || r.ptr != p_)
                return not_a_number(start);
        }
        double d = 0;
        const auto r = std::from_chars(start, p_, d);
        if (r.ec != std::errc() || r.ptr != p_)
            return not_a_number(start);
        value = type == Type::float32 ? static_cast<float>(d) : d;
        return true;
    }

    bool not_a_number(const char* start) {
        const std::string token(start, std::min(p_, start + 40));
        return fail("a value is not a number: \"" + platform::printable(token, 20) + "\"");
    }

    const char* p_;
    const char* end_;
    Format format_;
    bool failed_ = false;
    std::string what_;
};

// Which element and properties the mesh comes from; -1 where the file has none.
struct Roles {
    int vertex = -1, face = -1;
    int x = -1, y = -1, z = -1, nx = -1, ny = -1, nz = -1, s = -1, t = -1;
    int color[4] = {-1, -1, -1, -1};
    int indices = -1, texcoord = -1;
};

int find(const Element& e, std::initializer_list<const char*> names, bool list = false) {
    for (const char* n : names)
        for (size_t i = 0; i < e.properties.size(); ++i)
            if (e.properties[i].list == list && e.properties[i].name == n) return static_cast<int>(i);
    return -1;
}

Roles find_roles(const Header& header) {
    Roles r;
    for (size_t i = 0; i < header.elements.size(); ++i) {
        const Element& e = header.elements[i];
        if (e.name == "vertex" && r.vertex < 0) r.vertex = static_cast<int>(i);
        if (e.name == "face" && r.face < 0 && find(e, {"vertex_indices", "vertex_index"}, true) >= 0)
            r.face = static_cast<int>(i);
    }
    if (r.vertex >= 0) {
        const Element& v = header.elements[r.vertex];
        r.x = find(v, {"x"}), r.y = find(v, {"y"}), r.z = find(v, {"z"});
        r.nx = find(v, {"nx"}), r.ny = find(v, {"ny"}), r.nz = find(v, {"nz"});
        if (r.nx < 0 || r.ny < 0 || r.nz < 0) r.nx = r.ny = r.nz = -1;
        r.color[0] = find(v, {"red", "r"}), r.color[1] = find(v, {"green", "g"}), r.color[2] = find(v, {"blue", "b"});
        r.color[3] = find(v, {"alpha", "a"});
        if (r.color[0] < 0 || r.color[1] < 0 || r.color[2] < 0) std::fill(r.color, r.color + 4, -1);
        r.s = find(v, {"s", "u", "texture_u", "texture_s"}), r.t = find(v, {"t", "v", "texture_v", "texture_t"});
        if (r.s < 0 || r.t < 0) r.s = r.t = -1;
    }
    if (r.face >= 0) {
        r.indices = find(header.elements[r.face], {"vertex_indices", "vertex_index"}, true);
        r.texcoord = find(header.elements[r.face], {"texcoord"}, true);
    }
    return r;
}

// What the mesh does not take from the file, by name.
std::vector<std::string> passed_over(const Header& header, const Roles& r) {
    std::vector<std::string> out;
    for (size_t i = 0; i < header.elements.size(); ++i) {
        const Element& e = header.elements[i];
        const int used = static_cast<int>(i);
        if (used != r.vertex && used != r.face) {
            out.push_back("element " + platform::printable(e.name, 40) + " (" + std::to_string(e.count) + " records)");
            continue;
        }
        for (size_t k = 0; k < e.properties.size(); ++k) {
            const int p = static_cast<int>(k);
            const bool kept = used == r.vertex ? p == r.x || p == r.y || p == r.z || p == r.nx || p == r.ny ||
                                                     p == r.nz || p == r.s || p == r.t ||
                                                     std::find(r.color, r.color + 4, p) != r.color + 4
                                               : p == r.indices || p == r.texcoord;
            if (!kept) out.push_back(e.name + " property " + platform::printable(e.properties[k].name, 40));
        }
    }
    return out;
}

// The stored value meaning full intensity in a colour channel of this type.
float channel_full(Type type) {
    switch (type) {
    case Type::uint8: return 255.0f;
    case Type::uint16: return 65535.0f;
    case Type::int8: return 127.0f;
    case Type::int16: return 32767.0f;
    default: return 1.0f;
    }
}

// The least bytes a record of e takes: a count the data cannot hold is refused before
// anything is allocated for it.
uint64_t least_record_bytes(const Element& e, Format format) {
    uint64_t bytes = 0;
    for (const Property& p : e.properties)
        bytes += format == Format::ascii ? 2 : type_size(p.list ? p.count_type : p.type);
    return bytes;
}

std::string number_text(double v) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", v);
    return buffer;
}

class Reading {
public:
    Reading(const Header& header, const Roles& roles, Data& data, const std::string& name, Mesh& mesh, bool keep)
        : header_(header), r_(roles), data_(data), name_(name), mesh_(mesh), keep_(keep) {}

    bool element(size_t index, uint64_t count) {
        const Element& e = header_.elements[index];
        if (e.properties.empty()) return true;  // nothing to read, however many records
        if (static_cast<int>(index) == r_.vertex) return vertices(e, count);
        if (static_cast<int>(index) == r_.face) return faces(e, count);
        for (uint64_t i = 0; i < count && !data_.failed(); ++i)
            for (const Property& p : e.properties) {
                double v = 0;
                if (!(p.list ? list(p, nullptr) : data_.read(p.type, v)) && !damaged(e.name, i, count)) return false;
            }
        return true;
    }

    uint32_t vertex_count = 0;

private:
    // A read that failed: the file is refused, or (keeping the declared counts) what is not
    // read stays zero, said once. False when reading stops.
    bool damaged(const std::string& element, uint64_t record, uint64_t count) {
        if (keep_ && mesh_.ended_early) return true;  // said already; costs nothing per record
        const std::string where =
            platform::printable(element, 40) + " " + std::to_string(record) + " of " + std::to_string(count);
        if (!keep_) {
            mesh_.error = name_ + ": " + data_.what() + " (" + where + ")";
            return false;
        }
        mesh_.warnings.push_back(name_ + ": " + data_.what() + " at " + where +
                                 "; what is not read reads as zeros, and the faces not read repeat the last one");
        mesh_.ended_early = true;
        return true;
    }

    // Reads a list's count and items (into `into` when given). False when a read failed.
    bool list(const Property& p, std::vector<double>* into) {
        double n = 0;
        if (!data_.read(p.count_type, n)) return false;
        const size_t item = data_.ascii() ? 2 : type_size(p.type);
        if (!(n >= 0) || n != std::floor(n) || n > static_cast<double>(data_.remaining() / item + 1))
            return data_.fail("list \"" + platform::printable(p.name, 40) + "\" of " + number_text(n) +
                              " items runs past the data");
        for (uint64_t j = 0; j < static_cast<uint64_t>(n); ++j) {
            double v = 0;
            if (!data_.read(p.type, v)) return false;
            if (into) into->push_back(v);
        }
        return true;
    }

    bool vertices(const Element& e, uint64_t count) {
        std::vector<double> values(e.properties.size());
        mesh_.positions.reserve(count * 3);
        if (r_.nx >= 0) mesh_.normals.reserve(count * 3);
        if (r_.color[0] >= 0) mesh_.colors.reserve(count * mesh_.color_channels);
        for (uint64_t i = 0; i < count; ++i) {
            std::fill(values.begin(), values.end(), 0.0);
            for (size_t k = 0; k < e.properties.size(); ++k) {
                const Property& p = e.properties[k];
                if (!(p.list ? list(p, nullptr) : data_.read(p.type, values[k])) && !damaged(e.name, i, count))
                    return false;
            }
            for (int k : {r_.x, r_.y, r_.z}) mesh_.positions.push_back(static_cast<float>(values[k]));
            if (r_.nx >= 0)
                for (int k : {r_.nx, r_.ny, r_.nz}) mesh_.normals.push_back(static_cast<float>(values[k]));
            for (int c = 0; c < mesh_.color_channels; ++c)
                mesh_.colors.push_back(static_cast<float>(values[r_.color[c]]));
            if (r_.s >= 0)
                for (int k : {r_.s, r_.t}) mesh_.uvs.push_back(static_cast<float>(values[k]));
        }
        return true;
    }

    bool faces(const Element& e, uint64_t count) {
        std::vector<double> polygon, st;
        uint32_t last[3] = {0, 0, 0};  // the last triangle's corners, for faces not read
        mesh_.triangles.reserve(count * 3);
        if (r_.texcoord >= 0) mesh_.corner_uvs.reserve(count * 6);
        for (uint64_t i = 0; i < count; ++i) {
            polygon.clear();
            st.clear();
            bool indices_read = false;
            for (size_t k = 0; k < e.properties.size(); ++k) {
                const Property& p = e.properties[k];
                const int role = static_cast<int>(k);
                double v = 0;
                const bool ok = !p.list ? data_.read(p.type, v)
                                        : list(p, role == r_.indices ? &polygon : role == r_.texcoord ? &st : nullptr);
                if (!ok && !damaged(e.name, i, count)) return false;
                if (role == r_.indices) indices_read = ok;
            }
            ++mesh_.faces;
            // A face cut short takes its missing corners from the last triangle.
            if (!indices_read)
                while (polygon.size() < 3) polygon.push_back(last[polygon.size()]);
            bool inside = true;
            for (double v : polygon)
                if (!(v >= 0 && v < vertex_count && v == std::floor(v))) {
                    if (!keep_) {
                        mesh_.error = name_ + ": face " + std::to_string(i) + " refers to vertex " + number_text(v) +
                                      " outside the " + std::to_string(vertex_count) + " vertices";
                        return false;
                    }
                    inside = false;
                }
            if (!inside) {
                ++mesh_.faces_outside;
                continue;
            }
            for (size_t j = 2; j < polygon.size(); ++j) {
                const size_t corners[3] = {0, j - 1, j};
                for (size_t c : corners) mesh_.triangles.push_back(static_cast<uint32_t>(polygon[c]));
                if (r_.texcoord >= 0)
                    for (size_t c : corners)
                        for (size_t a = 2 * c; a < 2 * c + 2; ++a)
                            mesh_.corner_uvs.push_back(a < st.size() ? static_cast<float>(st[a]) : 0.0f);
            }
            if (polygon.size() >= 3)
                std::copy(mesh_.triangles.end() - 3, mesh_.triangles.end(), last);
        }
        return true;
    }

    const Header& header_;
    const Roles& r_;
    Data& data_;
    const std::string& name_;
    Mesh& mesh_;
    bool keep_;
};

const char* format_name(Format format) {
    switch (format) {
    case Format::ascii: return "ascii";
    case Format::binary_little_endian: return "binary_little_endian";
    case Format::binary_big_endian: return "binary_big_endian";
    }
    return "";
}

}  // namespace

bool read(const char* data, size_t size, const std::string& name, Mesh& mesh, const Options& options) {
    mesh = Mesh();
    Header header;
    if (!parse_header(data, size, name, header, mesh.error)) return false;
    mesh.format = format_name(header.format);
    mesh.warnings = header.warnings;
    const Roles roles = find_roles(header);
    auto refuse = [&](const std::string& what) {
        mesh = Mesh();
        mesh.error = name + ": " + what;
        return false;
    };
    if (roles.vertex < 0) return refuse("no vertex element");
    if (roles.x < 0 || roles.y < 0 || roles.z < 0) return refuse("the vertex element has no x, y and z");
    mesh.passed_over = passed_over(header, roles);
    mesh.declared_vertices = header.elements[roles.vertex].count;
    mesh.declared_faces = roles.face >= 0 ? header.elements[roles.face].count : 0;
    if (roles.color[0] >= 0) {
        mesh.color_channels = roles.color[3] >= 0 ? 4 : 3;
        for (int c = 0; c < mesh.color_channels; ++c)
            mesh.color_full[c] = channel_full(header.elements[roles.vertex].properties[roles.color[c]].type);
    }

    // Counts first, all of them, before anything is allocated: a face element before the
    // vertex element needs the vertex count to check its indices.
    const uint64_t data_bytes = size - header.data_start;
    std::vector<uint64_t> counts;
    for (const Element& e : header.elements) {
        const uint64_t least = least_record_bytes(e, header.format);
        uint64_t count = e.count;
        if (least > 0) {
            // Keeping the declared counts, a file cut short still reads; the bound then is
            // what the whole file could hold, as it costs no more than the file's size.
            const uint64_t most = options.keep_declared_counts ? size / least + 1 : (data_bytes + 1) / least;
            if (count > most) {
                const std::string element = platform::printable(e.name, 40);
                if (!options.keep_declared_counts)
                    return refuse("element \"" + element + "\" declares " + std::to_string(e.count) +
                                  " records, which runs past the data");
                mesh.warnings.push_back(name + ": declares " + std::to_string(e.count) + " " + element +
                                        " records but can hold at most " + std::to_string(most) + "; reading " +
                                        std::to_string(most));
                mesh.counts_cut = true;
                count = most;
            }
        }
        counts.push_back(count);
    }
    if (counts[roles.vertex] > 0xFFFFFFFFu) return refuse("too many vertices to index");

    Data body(data + header.data_start, data + size, header.format);
    Reading reading(header, roles, body, name, mesh, options.keep_declared_counts);
    reading.vertex_count = static_cast<uint32_t>(counts[roles.vertex]);
    for (size_t i = 0; i < header.elements.size(); ++i) {
        // Once the data has ended, only the mesh's own records are still made up.
        if (body.failed() && static_cast<int>(i) != roles.vertex && static_cast<int>(i) != roles.face) continue;
        if (!reading.element(i, counts[i])) {
            const std::string error = mesh.error;
            mesh = Mesh();
            mesh.error = error;
            return false;
        }
    }
    if (mesh.faces_outside)
        mesh.warnings.push_back(name + ": " + std::to_string(mesh.faces_outside) +
                                " face(s) point outside the " + std::to_string(reading.vertex_count) +
                                " vertices and are left out");
    return true;
}

}  // namespace ply
