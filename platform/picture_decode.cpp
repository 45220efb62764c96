// What both systems' picture decoders share: the picture record and the checks made before
// anything is allocated.
#include "platform/picture_decode.h"

namespace platform {

void RgbaPicture::resize(int32_t w, int32_t h) {
    const size_t needed = static_cast<size_t>(w) * static_cast<size_t>(h) * 4;
    if (needed > capacity) {
        pixels.reset(new uint8_t[needed]);  // left uninitialised: every byte is written by the decoder
        capacity = needed;
    }
    width = w;
    height = h;
}

namespace picture_decode {

bool looks_like_jpeg(const uint8_t* bytes, size_t length) {
    return length >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

bool size_accepted(int64_t width, int64_t height, std::string& message) {
    if (width < 4 || height < 1) {
        message = "a picture " + std::to_string(width) + " pixels wide is too narrow for a texture";
        return false;
    }
    if (width * height > kMaxPicturePixels) {
        message = "a picture of " + std::to_string(width) + "x" + std::to_string(height) +
                  " pixels is beyond the largest accepted (" + std::to_string(kMaxPicturePixels) + " pixels)";
        return false;
    }
    return true;
}

RgbaPicture& untrimmed_scratch() {
    thread_local RgbaPicture scratch;
    return scratch;
}

}  // namespace picture_decode
}  // namespace platform
