// The Windows build's second decoder, for what stb_image does not read: the system's
// imaging component (WIC). decodePicture tries it after stb_image; benchmarks call it alone.
#pragma once
#include "render/picture_decode.h"

DecodeStatus decodePictureWithWic(const uint8_t* bytes, size_t length, RgbaPicture& out, std::string& message);
