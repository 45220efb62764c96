// libFuzzer target: CreateDecoder and DecodeMesh on arbitrary bytes, with the stream and
// every output array at the very end of its own allocation so that any overrun is caught.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "crt/crt.h"
#include "crt/decoder.h"

namespace {

// Larger meshes are refused here as a caller short of memory would refuse them: four
// megabytes an array keeps a run far inside libFuzzer's memory limit, under AddressSanitizer
// too, while every seed decodes.
constexpr size_t kMaxElements = size_t(1) << 20;

template <typename T>
T* exact(size_t n) {
    return n ? static_cast<T*>(std::malloc(n * sizeof(T))) : nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > size_t(INT32_MAX)) return 0;
    uint8_t* stream = exact<uint8_t>(size);
    if (size) std::memcpy(stream, data, size);
    float info[2];
    void* handle = CreateDecoder(static_cast<int>(size), stream, info);
    if (handle) {
        const auto* d = static_cast<const crt::Decoder*>(handle);
        auto width = [&](const char* name) -> size_t {
            const auto found = d->attributes.find(name);
            return found == d->attributes.end() ? 0 : size_t(std::max(0, crt::array_width(name, *found->second)));
        };
        const size_t V = d->vertex_count, F = d->face_count;
        if (V * 4 <= kMaxElements && F * 3 <= kMaxElements && V * width("position") <= kMaxElements &&
            V * width("uv") <= kMaxElements) {
            // The last input byte picks which optional arrays are left out.
            const uint8_t mask = size ? data[size - 1] : 0;
            float* positions = mask & 1 ? nullptr : exact<float>(V * width("position"));
            float* normals = mask & 2 ? nullptr : exact<float>(V * 3);
            float* colors = mask & 4 ? nullptr : exact<float>(V * 4);
            float* uvs = mask & 8 ? nullptr : exact<float>(V * width("uv"));
            uint32_t* indices = exact<uint32_t>(F * 3);
            const int result = DecodeMesh(handle, positions, indices, normals, colors, uvs);
            if (result < -1 && GetLastDecoderError()[0] == '\0') std::abort();
            std::free(positions);
            std::free(normals);
            std::free(colors);
            std::free(uvs);
            std::free(indices);
        }
        DestroyDecoder(handle);
    } else if (GetLastDecoderError()[0] == '\0') {
        std::abort();
    }
    std::free(stream);
    return 0;
}
