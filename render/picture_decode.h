// Turning the bytes of an image file into RGBA8 pixels ready for a texture: JPEG with
// libjpeg-turbo straight into 4-byte pixels, anything else through OpenCV. Safe on any
// bytes and on several threads at once (each thread keeps its own JPEG decoder).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace cv {
class Mat;
}

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
DecodeStatus decodePicture(const uint8_t* bytes, size_t length, RgbaPicture& out, std::string& message);

// A still image (JPEG, PNG) as the scenes' still textures have it: colour only, trimmed
// like the frames. False when it is no picture or narrower than 4 pixels.
bool decodeStillPicture(const uint8_t* bytes, size_t length, RgbaPicture& out);

// Mirrors the picture left to right and/or top to bottom, in place.
void flipPicture(RgbaPicture& picture, bool horizontal, bool vertical);

// An 8-bit BGR picture from OpenCV (Linux), trimmed and converted the same way.
void bgrToRgbaPicture(const cv::Mat& bgr, RgbaPicture& out);
