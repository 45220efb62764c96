#include "ply_samples.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace ply_samples {

namespace {

// A header, then values appended in the file's byte order.
class Writer {
public:
    explicit Writer(const std::string& header)
        : bytes_(header), big_(header.find("binary_big_endian") != std::string::npos) {}
    template <typename T>
    Writer& put(T value) {
        char b[sizeof(T)];
        std::memcpy(b, &value, sizeof b);
        if (big_) std::reverse(b, b + sizeof b);
        bytes_.append(b, sizeof b);
        return *this;
    }
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
    bool big_;
};

}  // namespace

std::string face_first_ascii() {
    return "ply\nformat ascii 1.0\ncomment written face first\nobj_info made for a test\n"
           "element face 3\nproperty list uchar int vertex_indices\n"
           "element vertex 5\nproperty float x\nproperty float y\nproperty float z\nend_header\n"
           "3 0 1 2\n4 0 2 3 4\n3 4 3 2\n"
           "0 0 0\n1 0 0\n1 1 0\n0 1 0\n0.5 2 -0.25\n";
}

std::string big_endian_with_extras() {
    Writer w("ply\nformat binary_big_endian 1.0\ncomment big-endian, as some workstations write\n"
             "element vertex 3\nproperty double x\nproperty double y\nproperty double z\n"
             "property float nx\nproperty float ny\nproperty float nz\n"
             "property uchar red\nproperty uchar green\nproperty uchar blue\nproperty uchar alpha\n"
             "property float quality\n"
             "element edge 2\nproperty int vertex1\nproperty int vertex2\n"
             "element face 1\nproperty list uchar int vertex_indices\nproperty uchar flags\nend_header\n");
    const double xyz[3][3] = {{0, 0, 0}, {1.5, 0, 0}, {0, -2.25, 0.125}};
    const uint8_t rgba[3][4] = {{255, 0, 0, 255}, {0, 128, 0, 255}, {0, 0, 255, 128}};
    for (int v = 0; v < 3; ++v) {
        for (double c : xyz[v]) w.put(c);
        w.put(0.0f).put(0.0f).put(1.0f);
        for (uint8_t c : rgba[v]) w.put(c);
        w.put(0.5f * v);
    }
    w.put(int32_t(0)).put(int32_t(1)).put(int32_t(1)).put(int32_t(2));
    w.put(uint8_t(3)).put(int32_t(0)).put(int32_t(1)).put(int32_t(2)).put(uint8_t(7));
    return w.bytes();
}

std::string little_endian_every_type() {
    Writer w("ply\nformat binary_little_endian 1.0\nelement vertex 3\n"
             "property char c1\nproperty int8 c2\nproperty uchar u1\nproperty uint8 u2\n"
             "property short s1\nproperty int16 s2\nproperty ushort us1\nproperty uint16 us2\n"
             "property int i1\nproperty int32 i2\nproperty uint ui1\nproperty uint32 ui2\n"
             "property float32 x\nproperty float64 y\nproperty double z\n"
             "property float red\nproperty float green\nproperty float blue\n"
             "property list ushort short samples\n"
             "element face 2\nproperty list int uint vertex_indices\nproperty list uint8 float texcoord\n"
             "property list uint16 double weights\nend_header\n");
    for (int v = 0; v < 3; ++v) {
        w.put(int8_t(-1)).put(int8_t(-2)).put(uint8_t(200)).put(uint8_t(201));
        w.put(int16_t(-300)).put(int16_t(-301)).put(uint16_t(60000)).put(uint16_t(60001));
        w.put(int32_t(-70000)).put(int32_t(-70001)).put(uint32_t(4000000000u)).put(uint32_t(4000000001u));
        w.put(float(v)).put(double(v) * 2).put(double(-v));
        w.put(1.0f).put(0.5f).put(0.25f * v);
        w.put(uint16_t(2)).put(int16_t(-5)).put(int16_t(5));
    }
    const uint32_t corners[2][3] = {{0, 1, 2}, {2, 1, 0}};
    for (int f = 0; f < 2; ++f) {
        w.put(int32_t(3));
        for (uint32_t i : corners[f]) w.put(i);
        w.put(uint8_t(6));
        for (int k = 0; k < 6; ++k) w.put(0.125f * k + f);
        w.put(uint16_t(f));
        if (f) w.put(3.5);
    }
    return w.bytes();
}

std::string show_layout() {
    return "ply\nformat ascii 1.0\ncomment velmora sculpture\nelement vertex 4\n"
           "property float x\nproperty float y\nproperty float z\n"
           "property uchar red\nproperty uchar green\nproperty uchar blue\nproperty uchar alpha\n"
           "element face 2\nproperty list uchar int vertex_indices\nproperty list uchar float texcoord\nend_header\n"
           "0.00000 0.00000 0.00000 255 3 128 255\n1.25000 0.00000 -0.50000 7 6 12 255\n"
           "1.00000 1.00000 0.33333 0 0 0 255\n-0.10000 0.70000 0.00000 254 253 1 255\n"
           "3 0 1 2 6 0.0000 0.0000 1.0000 0.0000 1.0000 1.0000\n"
           "3 0 2 3 6 0.0000 0.0000 1.0000 1.0000 0.0000 0.5000\n";
}

std::vector<std::pair<std::string, std::string>> all() {
    return {{"face_first_ascii.ply", face_first_ascii()},
            {"big_endian_with_extras.ply", big_endian_with_extras()},
            {"little_endian_every_type.ply", little_endian_every_type()},
            {"show_layout.ply", show_layout()}};
}

}  // namespace ply_samples
