// The exported C functions. No exception may cross them (a C or C# caller cannot catch
// one): every failure becomes a null handle or -2, and its text the thread's last error.
#include "crt/crt.h"

#include <new>
#include <stdexcept>

#include "crt/decoder.h"
#include "crt/errors.h"

namespace {

thread_local const char* t_last_error = "";

template <typename Body>
bool guarded(Body&& body) {
    t_last_error = "";
    try {
        body();
        return true;
    } catch (const char* message) {
        t_last_error = message;
    } catch (const std::bad_alloc&) {
        t_last_error = crt::kOutOfMemory;
    } catch (const std::length_error&) {
        t_last_error = crt::kOutOfMemory;
    } catch (...) {
        t_last_error = crt::kInternal;
    }
    return false;
}

}  // namespace

extern "C" {

CRT_API void* CreateDecoder(int length, const void* data, float* info) {
    crt::Decoder* handle = nullptr;
    guarded([&] {
        if (length < 0 || (!data && length > 0)) throw crt::kInvalidArguments;
        // Callers written when this argument was unused often pass 0.
        if (length == 0 && data) throw crt::kZeroLength;
        std::unique_ptr<crt::Decoder> decoder = crt::create_decoder(data, static_cast<size_t>(length));
        if (info) {
            info[0] = static_cast<float>(decoder->face_count);
            info[1] = static_cast<float>(decoder->vertex_count);
        }
        handle = decoder.release();
    });
    return handle;
}

CRT_API int DecodeMesh(void* decoder, float* positions, uint32_t* indices, float* normals, float* colors,
                       float* uvs) {
    int result = -2;
    guarded([&] {
        if (!decoder) throw crt::kNullDecoder;
        result = crt::decode_mesh(*static_cast<crt::Decoder*>(decoder),
                                  crt::OutputArrays{positions, indices, normals, colors, uvs});
    });
    return result;
}

CRT_API void DestroyDecoder(void* decoder) { delete static_cast<crt::Decoder*>(decoder); }

CRT_API const char* GetLastDecoderError(void) { return t_last_error; }

}  // extern "C"
