// Hand-made crt streams for the decoder tests: a byte writer that knows the stream's
// pieces (header, blocks, word blocks, residual sections), not a mesh encoder.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace crt_test {

// Packs values most significant bit first into 32-bit words.
struct BitWriter {
    std::vector<uint32_t> words;
    int used = 32;  // bits used in the last word
    void put(uint32_t value, int n);
};

struct AttributeDesc {
    std::string name;
    int32_t codec = 1;  // 1 generic, 2 normal, 3 colour
    float step = 1.0f;
    uint8_t components = 3;
    uint8_t format = 6;
    uint8_t strategy = 0;  // bit 0 parallelogram, bit 1 correlated
};

using Properties = std::vector<std::pair<std::string, std::string>>;

class StreamBuilder {
public:
    std::vector<uint8_t> bytes;
    int entropy = 0;

    StreamBuilder& u8(uint8_t v);
    StreamBuilder& u16(uint16_t v);
    StreamBuilder& u32(uint32_t v);
    StreamBuilder& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
    StreamBuilder& f32(float v);
    StreamBuilder& str(const std::string& text);  // length = text + NUL

    // Magic up to the face count. attribute_count < -1000 means "use attrs.size()".
    StreamBuilder& header(int entropy_kind, const Properties& properties, const std::vector<AttributeDesc>& attrs,
                          uint32_t vertex_count, uint32_t face_count, int64_t attribute_count = -1001);
    StreamBuilder& descriptor(const AttributeDesc& a);
    // Group count, groups (face end, no properties) and the front capacity.
    StreamBuilder& mesh_header(const std::vector<uint32_t>& face_ends, uint32_t front_capacity = 0);

    // An entropy block in the builder's entropy kind.
    StreamBuilder& block(const std::vector<uint8_t>& data);
    StreamBuilder& stored_block(const std::vector<uint8_t>& data);
    StreamBuilder& tunstall_block(const std::vector<uint8_t>& data);
    StreamBuilder& tunstall_raw(const std::vector<std::pair<uint8_t, uint8_t>>& pairs, uint32_t length,
                                const std::vector<uint8_t>& codes);
    StreamBuilder& word_block(const std::vector<uint32_t>& words);

    // Symbol block and connectivity words.
    StreamBuilder& connectivity(const std::vector<uint8_t>& symbols, const BitWriter& bits);

    // Residual sections: values[v * n + i].
    StreamBuilder& per_component(const std::vector<int32_t>& residuals, int n);
    StreamBuilder& correlated(const std::vector<int32_t>& residuals, int n);
};

// The valid streams the tests decode; also the fuzzer's seed corpus.
struct SampleStream {
    std::string name;
    std::vector<uint8_t> bytes;
};
std::vector<SampleStream> sample_streams();

// Individual samples, for tests that look at their output.
std::vector<uint8_t> one_triangle_stream(int entropy);
std::vector<uint8_t> two_triangle_stream(int entropy);  // position (parallelogram) + uv
std::vector<uint8_t> tetrahedron_stream(int entropy);   // position, differential normals, colour
std::vector<uint8_t> estimated_normals_stream(int mode);  // two triangles, normals mode 1 or 2
std::vector<uint8_t> two_group_stream();                // two separate triangles in two groups

// The message a decoder or encoder step threw, or "" when it succeeded.
inline std::string error_of(const std::function<void()>& f) {
    try {
        f();
    } catch (const char* m) {
        return m;
    }
    return "";
}

}  // namespace crt_test
