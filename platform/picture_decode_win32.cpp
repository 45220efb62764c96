// Picture decoding on Windows, into RGBA with opaque alpha. JPEG, the frame archive's
// format, goes through stb_image: under Wine it decoded the show's 960 x 540 frames 2.6
// times faster than the system's imaging component (WIC), within 0.1 level of it on
// average (bench/picture_decode_win32_bench.cpp). Every other format, and any JPEG stb_image
// refuses (CMYK, damaged ones), goes through WIC, as the Linux build hands them to OpenCV.
#include <wincodec.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_FAILURE_STRINGS  // its message is a global: not one to share between threads
#include <stb_image.h>

#include "platform/com_held_win32.h"
#include "platform/picture_decode.h"

namespace platform {
namespace {

using namespace picture_decode;

// COM and a factory per thread: the frame workers decode at the same time.
struct Imaging {
    bool comStarted = false;
    IWICImagingFactory* factory = nullptr;
    Imaging() {
        const HRESULT started = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        comStarted = SUCCEEDED(started);  // S_FALSE (already started) also needs its CoUninitialize
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
    }
    ~Imaging() {
        if (factory) factory->Release();
        if (comStarted) CoUninitialize();
    }
};

Imaging& threadImaging() {
    thread_local Imaging imaging;
    return imaging;
}

template <class T>
using Held = platform::ComHeld<T>;

std::string failure(const char* step, HRESULT result) {
    char code[16];
    snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    return std::string(step) + " failed (" + code + ")";
}

// Whole 4-pixel groups: the surplus columns are resampled away, bilinearly, as the Linux
// build does (pixel centres mapped onto pixel centres).
void trimInto(const RgbaPicture& full, RgbaPicture& out) {
    out.resize(full.width / 4 * 4, full.height);
    const double scale = static_cast<double>(full.width) / out.width;
    for (int32_t x = 0; x < out.width; ++x) {
        const double source = std::max(0.0, (x + 0.5) * scale - 0.5);
        const int32_t left = std::min(static_cast<int32_t>(source), full.width - 1);
        const int32_t right = std::min(left + 1, full.width - 1);
        const double t = source - left;
        for (int32_t y = 0; y < out.height; ++y) {
            const uint8_t* row = full.pixels.get() + static_cast<size_t>(y) * full.width * 4;
            uint8_t* to = out.pixels.get() + (static_cast<size_t>(y) * out.width + x) * 4;
            for (int c = 0; c < 4; ++c)
                to[c] = static_cast<uint8_t>(std::lround(row[left * 4 + c] * (1 - t) + row[right * 4 + c] * t));
        }
    }
}

// False, with nothing decoded, for a JPEG that WIC should try.
bool decodeJpegStb(const uint8_t* bytes, size_t length, RgbaPicture& out, DecodeStatus& status, std::string& message) {
    if (length > static_cast<size_t>(INT32_MAX)) return false;
    const int size = static_cast<int>(length);
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(bytes, size, &width, &height, &channels)) return false;
    // Refused before anything is allocated: a damaged header can claim 65535 x 65535.
    if (!size_accepted(width, height, message)) {
        status = DecodeStatus::Failed;
        return true;
    }
    stbi_uc* pixels = stbi_load_from_memory(bytes, size, &width, &height, &channels, 4);
    if (!pixels) return false;
    RgbaPicture& target = width % 4 != 0 ? untrimmed_scratch() : out;
    target.resize(width, height);
    std::memcpy(target.pixels.get(), pixels, target.bytes());  // stb's alpha is 255 for JPEG
    stbi_image_free(pixels);
    if (&target != &out) trimInto(target, out);
    status = DecodeStatus::Decoded;
    return true;
}

}  // namespace

DecodeStatus decode_picture(const uint8_t* bytes, size_t length, RgbaPicture& out, std::string& message) {
    message.clear();
    if (!bytes || length == 0 || length > 0xFFFFFFFFu) {
        message = length ? "a picture beyond 4 GB" : "no bytes";
        return DecodeStatus::Failed;
    }
    DecodeStatus status;
    if (looks_like_jpeg(bytes, length) && decodeJpegStb(bytes, length, out, status, message)) return status;
    return decode_picture_with_wic(bytes, length, out, message);
}

DecodeStatus decode_picture_with_wic(const uint8_t* bytes, size_t length, RgbaPicture& out, std::string& message) {
    message.clear();
    if (!bytes || length == 0 || length > 0xFFFFFFFFu) {
        message = length ? "a picture beyond 4 GB" : "no bytes";
        return DecodeStatus::Failed;
    }
    Imaging& imaging = threadImaging();
    if (!imaging.factory) {
        message = "the Windows imaging component is not available";
        return DecodeStatus::Failed;
    }
    Held<IWICStream> stream;
    Held<IWICBitmapDecoder> decoder;
    Held<IWICBitmapFrameDecode> frame;
    Held<IWICFormatConverter> converter;
    HRESULT result = imaging.factory->CreateStream(&stream.p);
    if (SUCCEEDED(result))
        result = stream.p->InitializeFromMemory(const_cast<BYTE*>(bytes), static_cast<DWORD>(length));
    if (FAILED(result)) {
        message = failure("IWICStream", result);
        return DecodeStatus::Failed;
    }
    result = imaging.factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand, &decoder.p);
    if (FAILED(result)) {
        message = "not a picture the decoders know";
        return DecodeStatus::Failed;
    }
    UINT width = 0, height = 0;
    result = decoder.p->GetFrame(0, &frame.p);
    if (SUCCEEDED(result)) result = frame.p->GetSize(&width, &height);
    if (FAILED(result)) {
        message = failure("reading the picture's header", result);
        return DecodeStatus::Failed;
    }
    if (!size_accepted(width, height, message)) return DecodeStatus::Failed;
    // BGRA is the format every WIC converter offers (Wine's too); the swap to RGBA below
    // costs far less than the decode.
    result = imaging.factory->CreateFormatConverter(&converter.p);
    if (SUCCEEDED(result))
        result = converter.p->Initialize(frame.p, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                         WICBitmapPaletteTypeCustom);
    const bool trim = width % 4 != 0;
    RgbaPicture& target = trim ? untrimmed_scratch() : out;
    target.resize(static_cast<int32_t>(width), static_cast<int32_t>(height));
    if (SUCCEEDED(result))
        result = converter.p->CopyPixels(nullptr, width * 4, static_cast<UINT>(target.bytes()), target.pixels.get());
    if (FAILED(result)) {
        message = failure("decoding the picture", result);
        return DecodeStatus::Failed;
    }
    uint8_t* p = target.pixels.get();
    for (size_t i = 0, n = target.bytes(); i < n; i += 4) {
        std::swap(p[i], p[i + 2]);
        p[i + 3] = 255;  // colour only, as on Linux: a PNG's transparency is not the texture's
    }
    if (trim) trimInto(target, out);
    return DecodeStatus::Decoded;
}

bool decode_still_picture(const uint8_t* bytes, size_t length, RgbaPicture& out) {
    std::string message;
    return decode_picture(bytes, length, out, message) != DecodeStatus::Failed;
}

}  // namespace platform
