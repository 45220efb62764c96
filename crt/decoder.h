// The decoder behind the exported handle: the stream header up to the face count, and
// the mesh decode that fills the caller's arrays in a fixed order.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "crt/attribute.h"
#include "crt/connectivity.h"
#include "crt/entropy.h"
#include "crt/stream.h"

namespace crt {

constexpr uint32_t kMagic = 0x787A6300;  // bytes 00 63 7A 78
// Three edges and three indices per face must stay below 2^32 - 1, the "no edge" mark.
constexpr uint32_t kMaxFaceCount = 1431655764;

struct Decoder {
    uint32_t vertex_count = 0;
    uint32_t face_count = 0;
    std::map<std::string, std::string> properties;  // kept, not otherwise used
    AttributeMap attributes;                         // "color" < "normal" < "position" < "uv"
    MeshIndex index;
    Stream stream;
    uint32_t decoded_vertices = 0;  // vertices numbered by the connectivity so far
    bool decoded = false;           // a handle serves one decode: the stream is not rewound
    EntropyBlock symbol_block;      // the connectivity symbols, located by create_decoder
    BlockBuffer blocks;             // decoded blocks, reused from one to the next
};

struct OutputArrays {
    float* positions = nullptr;  // vertex count x the position attribute's components
    uint32_t* indices = nullptr; // 3 x face count
    float* normals = nullptr;    // vertex count x 3
    float* colors = nullptr;     // vertex count x 4
    float* uvs = nullptr;        // vertex count x the uv attribute's components
};

// Reads the header from the magic up to and including the face count and, for a stream
// with faces, the groups, the front capacity and where the connectivity symbols lie, so
// that the counts are checked against what the stream holds before a caller sizes arrays
// by them. Allocates no more than a small multiple of the stream's length.
// The caller keeps the data alive and unchanged until the decode has returned. Throws a
// message text.
std::unique_ptr<Decoder> create_decoder(const void* data, size_t length);

// Decodes the mesh into the arrays; returns the face count, or -1 (doing nothing) for a
// stream without faces. Throws a message text on failure.
int32_t decode_mesh(Decoder& decoder, const OutputArrays& out);

// The attribute class a codec number names.
std::unique_ptr<VertexAttribute> make_attribute(int32_t codec);

// Floats per vertex that an attribute writes into its output array.
int32_t output_width(const VertexAttribute& attribute);

// Floats per vertex the caller's array holds for an attribute of this name (0 for names
// the decoder does not bind).
int32_t array_width(const std::string& name, const VertexAttribute& attribute);

}  // namespace crt
