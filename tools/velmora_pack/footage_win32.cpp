// Footage pictures on Windows, all through the system's imaging component (WIC): any format
// it has a decoder for read, frames scaled with its Fant filter (an area average) when
// shrinking, JPEG written by its encoder.
#include <windows.h>
#include <objidl.h>
#include <wincodec.h>

#include <cstdio>
#include <utility>

#include "footage.h"
#include "platform/com_held_win32.h"
#include "platform/picture_decode.h"

namespace {

struct Imaging {
    bool comStarted = false;
    IWICImagingFactory* factory = nullptr;
    Imaging() {
        comStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
    }
    ~Imaging() {
        if (factory) factory->Release();
        if (comStarted) CoUninitialize();
    }
};

IWICImagingFactory* factory(std::string& why) {
    thread_local Imaging imaging;
    if (!imaging.factory) why = "the imaging component (WIC) is not available";
    return imaging.factory;
}

template <class T>
using Held = platform::ComHeld<T>;

bool failed(HRESULT result, const char* step, std::string& why) {
    if (SUCCEEDED(result)) return false;
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    why = std::string(step) + " (" + code + ")";
    return true;
}

bool sizeAllowed(int64_t width, int64_t height, std::string& why) {
    if (width > 0 && height > 0 && width * height <= platform::kMaxPicturePixels) return true;
    why = "a picture of " + std::to_string(width) + "x" + std::to_string(height) + " pixels is beyond what the show takes";
    return false;
}

// The pixels of a WIC source as 24-bit BGR, swapped to RGB.
bool copyRgb(IWICBitmapSource* source, RgbFrame& out, std::string& why) {
    UINT width = 0, height = 0;
    if (failed(source->GetSize(&width, &height), "the picture has no size", why)) return false;
    if (!sizeAllowed(width, height, why)) return false;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.rgb.resize(static_cast<size_t>(width) * height * 3);
    const UINT stride = width * 3;
    if (failed(source->CopyPixels(nullptr, stride, static_cast<UINT>(out.rgb.size()), out.rgb.data()),
               "the picture does not decode", why))
        return false;
    for (size_t k = 0; k < out.rgb.size(); k += 3) std::swap(out.rgb[k], out.rgb[k + 2]);
    return true;
}

// The first frame of an image file in memory. stream and decoder must outlive frame.
bool openPicture(const std::vector<unsigned char>& bytes, Held<IWICStream>& stream, Held<IWICBitmapDecoder>& decoder,
                 Held<IWICBitmapFrameDecode>& frame, std::string& why) {
    IWICImagingFactory* wic = factory(why);
    if (!wic) return false;
    if (bytes.empty()) {
        why = "the file is empty";
        return false;
    }
    return !failed(wic->CreateStream(&stream.p), "no memory stream", why) &&
           !failed(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())),
                   "no memory stream", why) &&
           !failed(wic->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand, &decoder.p),
                   "not a picture this system's imaging component (WIC) has a decoder for", why) &&
           !failed(decoder->GetFrame(0, &frame.p), "the picture has no frame", why);
}

}  // namespace

bool decodeFootagePicture(const std::vector<unsigned char>& bytes, RgbFrame& out, std::string& why) {
    Held<IWICStream> stream;
    Held<IWICBitmapDecoder> decoder;
    Held<IWICBitmapFrameDecode> frame;
    Held<IWICFormatConverter> converter;
    IWICImagingFactory* wic = factory(why);
    return openPicture(bytes, stream, decoder, frame, why) &&
           !failed(wic->CreateFormatConverter(&converter.p), "no format converter", why) &&
           !failed(converter->Initialize(frame.p, GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                         WICBitmapPaletteTypeCustom),
                   "the picture cannot be brought to RGB", why) &&
           copyRgb(converter.p, out, why);
}

bool readJpegSize(const std::vector<unsigned char>& bytes, int& width, int& height) {
    if (bytes.size() < 3 || bytes[0] != 0xFF || bytes[1] != 0xD8 || bytes[2] != 0xFF) return false;
    Held<IWICStream> stream;
    Held<IWICBitmapDecoder> decoder;
    Held<IWICBitmapFrameDecode> frame;
    std::string why;
    UINT w = 0, h = 0;
    if (!openPicture(bytes, stream, decoder, frame, why) || FAILED(frame->GetSize(&w, &h))) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool scaleFrame(const RgbFrame& in, int width, int height, RgbFrame& out, std::string& why) {
    IWICImagingFactory* wic = factory(why);
    if (!wic || !sizeAllowed(width, height, why)) return false;
    // Scaling treats the channels alike: RGB passes as BGR, and the swap in copyRgb is undone.
    Held<IWICBitmap> bitmap;
    Held<IWICBitmapScaler> scaler;
    const bool shrinking = width <= in.width && height <= in.height;
    if (failed(wic->CreateBitmapFromMemory(in.width, in.height, GUID_WICPixelFormat24bppBGR, in.width * 3,
                                           static_cast<UINT>(in.rgb.size()), const_cast<BYTE*>(in.rgb.data()), &bitmap.p),
               "no bitmap for scaling", why) ||
        failed(wic->CreateBitmapScaler(&scaler.p), "no scaler", why) ||
        failed(scaler->Initialize(bitmap.p, width, height,
                                  shrinking ? WICBitmapInterpolationModeFant : WICBitmapInterpolationModeLinear),
               "the frame cannot be scaled", why) ||
        !copyRgb(scaler.p, out, why))
        return false;
    for (size_t k = 0; k < out.rgb.size(); k += 3) std::swap(out.rgb[k], out.rgb[k + 2]);
    return true;
}

bool encodeJpeg(const RgbFrame& frame, int quality, std::vector<unsigned char>& out, std::string& why) {
    IWICImagingFactory* wic = factory(why);
    if (!wic) return false;
    Held<IStream> stream;
    Held<IWICBitmapEncoder> encoder;
    Held<IWICBitmapFrameEncode> picture;
    Held<IPropertyBag2> options;
    if (failed(CreateStreamOnHGlobal(nullptr, TRUE, &stream.p), "no memory for the JPEG", why) ||
        failed(wic->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder.p), "no JPEG encoder", why) ||
        failed(encoder->Initialize(stream.p, WICBitmapEncoderNoCache), "the JPEG encoder would not start", why) ||
        failed(encoder->CreateNewFrame(&picture.p, &options.p), "the JPEG encoder would not start", why))
        return false;
    PROPBAG2 name = {};
    name.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
    VARIANT value = {};
    value.vt = VT_R4;
    value.fltVal = quality / 100.0f;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (failed(options->Write(1, &name, &value), "the JPEG encoder refused the quality", why) ||
        failed(picture->Initialize(options.p), "the JPEG encoder would not start", why) ||
        failed(picture->SetSize(frame.width, frame.height), "the JPEG encoder refused the size", why) ||
        failed(picture->SetPixelFormat(&format), "the JPEG encoder refused RGB", why))
        return false;
    if (format != GUID_WICPixelFormat24bppBGR) {
        why = "the JPEG encoder does not take 24-bit pictures";
        return false;
    }
    std::vector<BYTE> bgr(frame.rgb.begin(), frame.rgb.end());
    for (size_t k = 0; k < bgr.size(); k += 3) std::swap(bgr[k], bgr[k + 2]);
    HGLOBAL memory = nullptr;
    STATSTG stat = {};
    if (failed(picture->WritePixels(frame.height, frame.width * 3, static_cast<UINT>(bgr.size()), bgr.data()),
               "JPEG encoding failed", why) ||
        failed(picture->Commit(), "JPEG encoding failed", why) || failed(encoder->Commit(), "JPEG encoding failed", why) ||
        failed(GetHGlobalFromStream(stream.p, &memory), "JPEG encoding failed", why) ||
        failed(stream->Stat(&stat, STATFLAG_NONAME), "JPEG encoding failed", why))
        return false;
    const void* bytes = GlobalLock(memory);
    if (!bytes) {
        why = "JPEG encoding failed (the encoded bytes cannot be read)";
        return false;
    }
    const auto* first = static_cast<const unsigned char*>(bytes);
    out.assign(first, first + stat.cbSize.QuadPart);
    GlobalUnlock(memory);
    return true;
}
