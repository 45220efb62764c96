// The crt mesh encoder: the inverse of the decoder. Takes triangles and per-vertex
// attributes, walks the connectivity, renumbers the vertices in decode order and writes
// one stream that CreateDecoder/DecodeMesh turn back into the same mesh.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "crt/attribute.h"
#include "crt/connectivity_encoder.h"

namespace crt {

// Entropy kind of an encoder that writes the stream both ways and keeps the smaller.
constexpr int32_t kEntropySmaller = -1;

class Encoder {
public:
    // faces: 3 vertex indices per triangle, each below vertex_count; copied.
    Encoder(uint32_t vertex_count, const uint32_t* faces, uint32_t face_count);

    int32_t entropy = 1;  // 0 stored, 1 Tunstall, for every block; or kEntropySmaller
    ConnectivityOptions connectivity;
    // Encodes the connectivity with and without postponing, with closes sent as joins
    // and unneeded postpones as borders, and keeps whichever takes fewer bytes (meshes
    // with many borders often do better without postponing); when false, `connectivity`
    // decides.
    bool choose_postponing = true;
    // Generic attributes (positions, uvs, others) are written with every prediction and
    // coding strategy and keep the smallest; when false, each keeps its own strategy.
    bool choose_strategies = true;
    // Normals are written in each mode the positions allow (differential, estimated from
    // the positions, corrected on the border only) and keep the smallest; the border mode
    // takes part only where every decoded normal stays within normal_precision of the
    // input. When false, their own mode stands.
    bool choose_normal_mode = true;
    // The traversal starts from the best of a few faces spread over the first group
    // (see choose_start); when false, from connectivity.start_face.
    bool choose_start_face = true;
    // New vertices badly predicted from the edge that meets them first are put off when
    // that makes the stream smaller (see choose_steering); when false, never.
    bool steer_predictions = true;
    // Trades size for encode time: no search of start faces, Tunstall probabilities or
    // merged bit counts; strategies and modes measured with the plain coder.
    bool fast = false;
    std::vector<std::pair<std::string, std::string>> properties;  // header properties
    // Face groups: rising face ends, the last equal to the face count; each group is
    // decoded with a fresh front. Empty means one group of all faces.
    std::vector<FaceGroup> groups;

    // Adds (or replaces) an attribute whose components, step and strategy are already
    // set; the values, vertex_count x components of input_format in input vertex order,
    // are quantised now and need not outlive the call. Fails with the attribute's own
    // input messages ("Unsupported format." and the like).
    VertexAttribute& add_attribute(const std::string& name, std::unique_ptr<VertexAttribute> attribute,
                                   const void* values, int32_t input_format);

    // The usual attributes. Steps are quantisation steps (q = round(x / step)); strategy
    // is kParallelogram | kCorrelated.
    GenericAttr<int>& add_positions(const float* values, int components, float step, int32_t strategy);
    GenericAttr<int>& add_uvs(const float* values, int components, float step, int32_t strategy);
    // unit: octahedral pairs run from -unit to unit; mode: differential, estimated (needs
    // positions of 3+ components) or border_corrected (interior vertices get the estimate).
    NormalAttr& add_normals(const float* values, int unit, NormalAttr::Mode mode);
    // 3 or 4 channels per vertex, bytes (format_uint8) or floats 0-1 (format_float);
    // steps per channel R, G, B, A from 1 to 255.
    ColorAttr& add_colors(const void* values, int components, int32_t input_format,
                          const std::array<int32_t, 4>& steps, int32_t strategy);

    // Writes the stream; once per encoder. Fails (throws a message text) on input the
    // format cannot hold.
    std::vector<uint8_t> encode();

    // After encode(): the connectivity as the decoder will rebuild it (faces in decode
    // order with new vertex numbers, new number -> input vertex) and section sizes.
    const ConnectivityCode& code() const { return code_; }
    size_t header_bytes = 0;
    size_t connectivity_bytes = 0;  // groups, symbols and bits
    size_t groups_bytes = 0;        // group count, groups and front capacity
    size_t symbol_bytes = 0;        // the symbol block
    const AttributeMap& attributes() const { return attributes_; }
    // The stream's entropy kind, with kSmallestBlocks when its blocks were searched.
    int32_t coder_used() const { return coder_used_; }

private:
    std::vector<uint8_t> write_stream(int32_t entropy_kind);
    size_t estimated_size(const MeshAdjacency& adjacency, const ConnectivityOptions& options, bool thorough) const;
    void choose_start(const MeshAdjacency& adjacency);
    void choose_steering(const MeshAdjacency& adjacency, const PredictionHints& hints);
    void pick_strategy(GenericAttr<int>& attribute, int32_t coder);
    void pick_normal_mode(NormalAttr& normals, int32_t coder);
    int32_t coder(int32_t kind) const;        // the kind, with kSmallestBlocks unless fast
    int32_t trial_coder(int32_t kind) const;  // the same for choosing between strategies
    int32_t search_kind() const;              // the kind choices are measured with
    const GenericAttr<int>* positions() const;  // the "position" attribute, when integer

    bool encoded_ = false;
    int32_t coder_used_ = 1;
    uint32_t vertex_count_;
    std::vector<uint32_t> faces_;
    AttributeMap attributes_;
    ConnectivityCode code_;
};

// Quantisation step that gives `bits` bits across the largest extent of the values (as
// other codecs count position bits): extent / (2^bits - 1); 1 for a zero extent.
float step_for_bits(const float* values, size_t vertex_count, int components, int bits);

// The channel step for `bits` bits a colour channel: the finest divisor of 255 with at
// most 2^bits levels, so that the levels reach 255 exactly (1 for 8 bits, 17 for 4).
int32_t color_step_for_bits(int bits);

// The normal unit for `bits` bits per octahedral coordinate: 2^(bits-1) - 1.
int normal_unit_for_bits(int bits);

// The largest angle (radians) between a normal and the nearest pair of the octahedral
// grid with this unit: half a cell's diagonal, stretched by at most about 2 where the
// octahedron meets the sphere at a slant. Normals stored as pairs stay within it.
double normal_precision(int unit);

}  // namespace crt
