// The vertex attribute classes: every per-vertex quantity of a crt stream (positions,
// normals, colours, texture coordinates, any other named attribute) is one of these.
// The decoder calls the decoding slots in turn for all attributes; slots 2-5 are the
// encoder's.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "crt/connectivity.h"
#include "crt/entropy.h"
#include "crt/stream.h"

namespace crt {

class VertexAttribute;
using AttributeMap = std::map<std::string, std::unique_ptr<VertexAttribute>>;

// Output format codes (element type of an output array).
enum OutputFormat : int32_t {
    format_uint32 = 0,
    format_int32 = 1,
    format_uint16 = 2,
    format_int16 = 3,
    format_uint8 = 4,
    format_int8 = 5,
    format_float = 6,
    format_double = 7,
};

// Strategy flags.
constexpr int32_t kParallelogram = 1;  // predict from b + a - opposite
constexpr int32_t kCorrelated = 2;     // one bit count per vertex for all components

class VertexAttribute {
public:
    virtual ~VertexAttribute() = default;

    virtual int codec_kind() const = 0;

    // Encoding. The decoder never calls these.
    virtual void quantize_from(uint32_t vertex_count, const void* input, int32_t input_format) = 0;
    virtual void prepare_encode(uint32_t /*vertex_count*/, uint32_t /*face_count*/, const uint32_t* /*faces*/) {}
    virtual void compute_residuals(uint32_t vertex_count, const std::vector<VertexTriple>& predictions) = 0;
    virtual void write_residuals(std::vector<uint8_t>& out, int32_t entropy) = 0;

    // Decoding. read_residuals always consumes the attribute's data from the stream, and
    // with neither `buffer` nor `keep_values` it only skips it. apply_prediction undoes the
    // prediction and, in the same pass over the vertices, writes each final value into
    // `buffer` in `format`. finish_decode post-processes (estimated normals only).
    virtual void read_residuals(uint32_t vertex_count, Stream& stream, BlockBuffer& blocks) = 0;
    virtual void apply_prediction(uint32_t vertex_count, const std::vector<VertexTriple>& predictions) = 0;
    virtual void finish_decode(uint32_t /*vertex_count*/, uint32_t /*face_count*/, const AttributeMap& /*attributes*/,
                               const MeshIndex& /*index*/) {}

    bool decodes_values() const { return buffer || keep_values; }

    void* buffer = nullptr;     // the caller's output array; null when none is bound
    bool keep_values = false;   // decode the integers even without an array (positions
                                // that estimated normals are computed from)
    int32_t components = 0;     // per vertex
    float step = 1.0f;          // quantisation step
    int32_t strategy = 0;       // kParallelogram | kCorrelated
    int32_t format = format_float;
    int32_t encoded_size = 0;   // bytes written by the last encode
};

// Integer attribute. While decoding, `values` holds the integers: residuals first, then,
// vertex by vertex, the predicted values. They outlive the decode pass because estimated
// normals are computed from the position integers.
template <typename T>
class GenericAttr : public VertexAttribute {
public:
    int codec_kind() const override { return 1; }

    void quantize_from(uint32_t vertex_count, const void* input, int32_t input_format) override;
    void compute_residuals(uint32_t vertex_count, const std::vector<VertexTriple>& predictions) override;
    void write_residuals(std::vector<uint8_t>& out, int32_t entropy) override;

    void read_residuals(uint32_t vertex_count, Stream& stream, BlockBuffer& blocks) override;
    void apply_prediction(uint32_t vertex_count, const std::vector<VertexTriple>& predictions) override;

    // The integers as decoded, after the prediction is undone and before scaling; null
    // when the attribute was only skipped.
    const T* decoded_values() const { return values.get(); }

    std::vector<T> quantized;  // encoding only
    std::vector<T> residuals;  // encoding only

protected:
    // Room for the integers, not cleared: the residual readers fill every one.
    T* reserve_values(size_t count);
    std::unique_ptr<T[]> values;
};

extern template class GenericAttr<int>;
extern template class GenericAttr<unsigned char>;

class ColorAttr : public GenericAttr<unsigned char> {
public:
    int codec_kind() const override { return 3; }
    // Input: `components` (3 RGB or 4 RGBA) bytes or floats 0-1 per vertex; each channel
    // is divided by its step and stored as G, B - G, R - G, A.
    void quantize_from(uint32_t vertex_count, const void* input, int32_t input_format) override;
    void write_residuals(std::vector<uint8_t>& out, int32_t entropy) override;
    void read_residuals(uint32_t vertex_count, Stream& stream, BlockBuffer& blocks) override;
    // Writes, by `format`, RGBA floats (channel x step / 255) or bytes (channel x step,
    // modulo 256) with R = c0 + c2, G = c0, B = c0 + c1, A = c3 from the stored c0..c3.
    void apply_prediction(uint32_t vertex_count, const std::vector<VertexTriple>& predictions) override;

    std::array<int32_t, 4> channel_steps{4, 4, 4, 8};  // R, G, B, A
    int32_t output_components = 4;
};

class NormalAttr : public VertexAttribute {
public:
    enum Mode : int32_t { differential = 0, estimated = 1, border_corrected = 2 };

    NormalAttr() { components = 3; }

    int codec_kind() const override { return 2; }

    void quantize_from(uint32_t vertex_count, const void* input, int32_t input_format) override;
    void prepare_encode(uint32_t vertex_count, uint32_t face_count, const uint32_t* faces) override;
    void compute_residuals(uint32_t vertex_count, const std::vector<VertexTriple>& predictions) override;
    void write_residuals(std::vector<uint8_t>& out, int32_t entropy) override;

    // An unknown mode is refused only when there is an array to fill; otherwise the
    // normals are skipped and the rest of the stream decodes.
    void read_residuals(uint32_t vertex_count, Stream& stream, BlockBuffer& blocks) override;
    // Differential normals: undoes the prediction and writes the unit normals.
    void apply_prediction(uint32_t vertex_count, const std::vector<VertexTriple>& predictions) override;
    // Estimated normals: the estimate from the positions plus the stored corrections.
    void finish_decode(uint32_t vertex_count, uint32_t face_count, const AttributeMap& attributes,
                       const MeshIndex& index) override;

    int32_t mode = differential;
    std::vector<int32_t> border_mask;  // one per vertex; not 0 on the border
    std::vector<int32_t> octahedral;   // two per coded vertex
    std::vector<int32_t> encode_normals;  // encoding only: the octahedral pair of each input normal
    std::vector<float> encode_directions; // encoding only: each input normal as a unit vector (0 for none)
    // Encoding only, set by prepare_encode: the largest angle (radians) between an input
    // normal and the one the decoder will give in the current mode.
    double worst_error = 0.0;

    // Encoding estimated normals (modes 1 and 2) needs the quantised positions in decode
    // order, as the decoder will have them; the encoder points these at them.
    const int32_t* encode_positions = nullptr;
    int32_t encode_position_components = 0;

private:
    int unit() const;
};

}  // namespace crt
