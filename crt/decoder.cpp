// Stream header reading and the mesh decode order of the crt decoder.
#include "crt/decoder.h"

#include <algorithm>

#include "crt/entropy.h"
#include "crt/errors.h"
#include "crt/tunstall.h"

namespace crt {

std::unique_ptr<VertexAttribute> make_attribute(int32_t codec) {
    if (codec == 2) return std::make_unique<NormalAttr>();
    if (codec == 3) return std::make_unique<ColorAttr>();
    return std::make_unique<GenericAttr<int>>();
}

int32_t output_width(const VertexAttribute& attribute) {
    if (const auto* color = dynamic_cast<const ColorAttr*>(&attribute)) return color->output_components;
    if (dynamic_cast<const NormalAttr*>(&attribute)) return 3;
    return attribute.components;
}

int32_t array_width(const std::string& name, const VertexAttribute& attribute) {
    if (name == "position" || name == "uv") return attribute.components;
    if (name == "normal") return 3;
    if (name == "color") return 4;
    return 0;
}

namespace {

void read_groups(Decoder& d) {
    Stream& s = d.stream;
    const uint32_t group_count = read_u32(s);
    // Five bytes at least a group: reserved once, so the list never holds more than that.
    if (group_count > s.remaining() / 5) throw kTruncated;
    d.index.groups.reserve(group_count);
    for (uint32_t g = 0; g < group_count; ++g) {
        FaceGroup group;
        group.face_end = read_u32(s);
        if (group.face_end > d.face_count) throw kGroupEnd;
        const uint8_t property_count = read_u8(s);
        for (uint8_t i = 0; i < property_count; ++i) {
            std::string key = read_string(s);
            group.properties[key] = read_string(s);
        }
        d.index.groups.push_back(std::move(group));
    }
}

// Every face takes one symbol, an edge at most one more when it meets the border and
// another when it is postponed; far more than that is a damaged (or hostile) count.
uint64_t symbol_limit(uint32_t face_count) { return uint64_t(face_count) * 16 + 64; }

// The counts against the stream. A face needs at least one symbol, and no byte of a
// stream stands for more than kTunstallMaxWord symbols, except in a block of one
// repeated symbol, which is held to the rest of the stream as a whole instead. Every
// vertex is numbered by a face, at most three by each.
void read_connectivity_header(Decoder& d) {
    Stream& s = d.stream;
    if (d.face_count > kMaxFaceCount) throw kFaceCountTooLarge;
    if (uint64_t(d.face_count) > uint64_t(s.remaining()) * kTunstallMaxWord) throw kCountsBeyondStream;
    if (uint64_t(d.vertex_count) > uint64_t(d.face_count) * 3) throw kVertexCountTooLarge;
    read_groups(d);
    d.index.front_capacity = read_u32(s);
    d.symbol_block = locate_block(s, symbol_limit(d.face_count));
    if (d.symbol_block.length < d.face_count) throw kFewerSymbolsThanFaces;
}

}  // namespace

std::unique_ptr<Decoder> create_decoder(const void* data, size_t length) {
    auto d = std::make_unique<Decoder>();
    d->stream = make_stream(data, length);
    Stream& s = d->stream;
    if (length < 4 || read_u32(s) != kMagic) throw kNotCrtFile;
    read_bytes(s, 4);  // not interpreted
    s.entropy = read_u8(s);
    const uint32_t property_count = read_u32(s);
    for (uint32_t i = 0; i < property_count; ++i) {
        std::string key = read_string(s);
        d->properties[key] = read_string(s);
    }
    const int32_t attribute_count = read_i32(s);  // zero or negative: none
    for (int32_t i = 0; i < attribute_count; ++i) {
        std::string name = read_string(s);
        std::unique_ptr<VertexAttribute> attribute = make_attribute(read_i32(s));
        attribute->step = read_f32(s);
        const uint8_t components = read_u8(s);
        if (!dynamic_cast<NormalAttr*>(attribute.get())) attribute->components = components;
        attribute->format = read_u8(s);
        attribute->strategy = read_u8(s);
        d->attributes[name] = std::move(attribute);  // a repeated name replaces the earlier one
    }
    d->vertex_count = read_u32(s);
    d->face_count = read_u32(s);
    // A stream without faces decodes nothing, so nothing after the counts is read.
    if (d->face_count) read_connectivity_header(*d);
    return d;
}

namespace {

// Binds the caller's array for one name: the format becomes float whatever the stream
// says. An attribute whose values per vertex differ from the array's would write past
// it or leave part of it unwritten, so it is refused.
VertexAttribute* bind(Decoder& d, const char* name, float* array) {
    const auto found = d.attributes.find(name);
    if (found == d.attributes.end()) return nullptr;
    VertexAttribute& attribute = *found->second;
    if (!array) return &attribute;
    if (output_width(attribute) != array_width(name, attribute)) throw kArrayMismatch;
    attribute.buffer = array;
    attribute.format = format_float;
    return &attribute;
}

}  // namespace

int32_t decode_mesh(Decoder& d, const OutputArrays& out) {
    if (d.face_count == 0) return -1;
    if (d.decoded) throw kAlreadyDecoded;
    d.decoded = true;
    if (!out.indices) throw kNoIndexArray;
    d.index.faces32 = out.indices;

    VertexAttribute* position = d.vertex_count != 0 ? bind(d, "position", out.positions) : nullptr;
    // Estimated normals are computed from the position integers, wanted or not.
    if (bind(d, "normal", out.normals) && out.normals && position) position->keep_values = true;
    bind(d, "color", out.colors);
    bind(d, "uv", out.uvs);

    const uint32_t V = d.vertex_count;
    Stream& s = d.stream;
    BlockBuffer expanded;
    const ByteBlock symbols = expand_block(d.symbol_block, expanded);
    if (symbols.data == expanded.bytes.data()) {
        expanded.bytes.resize(symbols.length);  // kept, not copied
        d.index.symbols.swap(expanded.bytes);
    } else {
        d.index.symbols.assign(symbols.data, symbols.data + symbols.length);
    }
    d.index.bits = read_word_block(s);
    for (auto& entry : d.attributes) entry.second->read_residuals(V, s, d.blocks);

    d.index.predictions.assign(V, VertexTriple{0, 0, 0});

    ConnectivityCursor cursor;
    cursor.decoded_vertices = d.decoded_vertices;
    uint32_t face_start = 0, covered = 0;
    for (const FaceGroup& group : d.index.groups) {
        decode_group(d.index, V, uint64_t(face_start) * 3, uint64_t(group.face_end) * 3, cursor);
        covered = std::max(covered, group.face_end);
        face_start = group.face_end;
    }
    d.decoded_vertices = cursor.decoded_vertices;
    // Faces no group reached would be left as whatever the caller's array held.
    if (covered != d.face_count) throw kGroupsShort;

    for (auto& entry : d.attributes) entry.second->apply_prediction(V, d.index.predictions);
    for (auto& entry : d.attributes) entry.second->finish_decode(V, d.face_count, d.attributes, d.index);
    return static_cast<int32_t>(d.face_count);
}

}  // namespace crt
