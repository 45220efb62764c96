// The decoded picture record, shared by both systems' decoders.
#include <algorithm>
#include <cstring>

#include "render/picture_decode.h"

void RgbaPicture::resize(int32_t w, int32_t h) {
    const size_t needed = static_cast<size_t>(w) * static_cast<size_t>(h) * 4;
    if (needed > capacity) {
        pixels.reset(new uint8_t[needed]);  // left uninitialised: every byte is written by the decoder
        capacity = needed;
    }
    width = w;
    height = h;
}

void flipPicture(RgbaPicture& picture, bool horizontal, bool vertical) {
    const size_t w = static_cast<size_t>(picture.width), h = static_cast<size_t>(picture.height);
    uint32_t* texels = reinterpret_cast<uint32_t*>(picture.pixels.get());  // new[] is aligned for any type
    if (horizontal)
        for (size_t y = 0; y < h; ++y) std::reverse(texels + y * w, texels + (y + 1) * w);
    if (vertical)
        for (size_t top = 0, bottom = h ? h - 1 : 0; top < bottom; ++top, --bottom)
            std::swap_ranges(texels + top * w, texels + (top + 1) * w, texels + bottom * w);
}
