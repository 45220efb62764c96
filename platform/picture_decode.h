// Turning the bytes of an image file into RGBA8 pixels ready for a texture, by each
// system's own means. Linux: JPEG through libjpeg-turbo straight into 4-byte pixels,
// anything else through OpenCV. Windows: JPEG through stb_image, anything else (and any
// JPEG stb_image refuses) through the system's imaging component (WIC). Safe on any bytes
// and on several threads at once (each thread keeps its own decoder).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// A picture as the textures take it: rows top first, 4 bytes per pixel, opaque alpha, the
// width trimmed to a multiple of 4. The buffer is kept between decodes and grows only.
struct RgbaPicture {
    std::unique_ptr<uint8_t[]> pixels;
    size_t capacity = 0;  // bytes allocated in pixels
    int32_t width = 0;
    int32_t height = 0;

    size_t bytes() const { return static_cast<size_t>(width) * static_cast<size_t>(height) * 4; }
    // Room for width x height pixels; the contents are undefined afterwards.
    void resize(int32_t width, int32_t height);
};

enum class DecodeStatus {
    Decoded,             // a whole picture
    DecodedWithWarning,  // a picture, but the data was damaged (message says how); parts may be grey
    Failed,              // no picture (message says why); the output holds nothing usable
};

// Pictures beyond this many pixels are refused before anything is allocated: a damaged
// header can claim 65535 x 65535.
constexpr int64_t kMaxPicturePixels = 8192LL * 8192LL;

// Decodes an image file held in memory into out. message receives the decoder's own words
// for a warning or a failure.
DecodeStatus decode_picture(const uint8_t* bytes, size_t length, RgbaPicture& out, std::string& message);

// A still image (JPEG, PNG) as the scenes' still textures have it: colour only, trimmed
// like the frames. False when it is no picture or narrower than 4 pixels.
bool decode_still_picture(const uint8_t* bytes, size_t length, RgbaPicture& out);

#ifdef _WIN32
// The Windows half's second decoder alone, for the benchmark that weighs it against
// stb_image.
DecodeStatus decode_picture_with_wic(const uint8_t* bytes, size_t length, RgbaPicture& out, std::string& message);
#endif

// What both halves share.
namespace picture_decode {
bool looks_like_jpeg(const uint8_t* bytes, size_t length);
// False, with message set, for a picture narrower than 4 pixels or beyond kMaxPicturePixels.
bool size_accepted(int64_t width, int64_t height, std::string& message);
// The full-size picture before trimming, when trimming is needed; kept per thread.
RgbaPicture& untrimmed_scratch();
}  // namespace picture_decode

}  // namespace platform
