// Video frames on Windows, through Media Foundation's source reader with its video
// processing on, which hands decoded frames over as 32-bit RGB. Its DLLs are loaded here
// rather than imported, so that velmora-pack.exe starts where they are missing (the N
// editions of Windows) and says that only video packing needs them.
#include <windows.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <propidl.h>

#include <cstdio>
#include <cstring>

#include "footage.h"
#include "platform/com_held_win32.h"
#include "platform/printable.h"
#include "platform/utf16_win32.h"

namespace {

constexpr DWORD kVideo = static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM);
constexpr const char* kNeeds = "video packing needs a system with Media Foundation's decoders";

std::string code(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
    return text;
}

template <class T>
using Held = platform::ComHeld<T>;

// mfplat.dll and mfreadwrite.dll, started for as long as a video is open.
struct MediaFoundation {
    HMODULE plat = nullptr, readWrite = nullptr;
    decltype(&MFStartup) startup = nullptr;
    decltype(&MFShutdown) shutdown = nullptr;
    decltype(&MFCreateAttributes) createAttributes = nullptr;
    decltype(&MFCreateMediaType) createMediaType = nullptr;
    decltype(&MFCreateSourceReaderFromURL) createReader = nullptr;
    bool comStarted = false, started = false;

    bool load(std::string& why) {
        comStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        // From the system folder only: never a DLL of that name planted beside the footage.
        plat = LoadLibraryExW(L"mfplat.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        readWrite = LoadLibraryExW(L"mfreadwrite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (!plat || !readWrite) {
            why = std::string(kNeeds) + " (mfplat.dll or mfreadwrite.dll is missing here)";
            return false;
        }
        startup = reinterpret_cast<decltype(startup)>(reinterpret_cast<void*>(GetProcAddress(plat, "MFStartup")));
        shutdown = reinterpret_cast<decltype(shutdown)>(reinterpret_cast<void*>(GetProcAddress(plat, "MFShutdown")));
        createAttributes = reinterpret_cast<decltype(createAttributes)>(
            reinterpret_cast<void*>(GetProcAddress(plat, "MFCreateAttributes")));
        createMediaType = reinterpret_cast<decltype(createMediaType)>(
            reinterpret_cast<void*>(GetProcAddress(plat, "MFCreateMediaType")));
        createReader = reinterpret_cast<decltype(createReader)>(
            reinterpret_cast<void*>(GetProcAddress(readWrite, "MFCreateSourceReaderFromURL")));
        if (!startup || !shutdown || !createAttributes || !createMediaType || !createReader) {
            why = std::string(kNeeds) + " (its DLLs here lack the source reader)";
            return false;
        }
        const HRESULT result = startup(MF_VERSION, MFSTARTUP_LITE);
        started = SUCCEEDED(result);
        if (!started) why = std::string(kNeeds) + " (it would not start: " + code(result) + ")";
        return started;
    }
    ~MediaFoundation() {
        if (started) shutdown();
        if (readWrite) FreeLibrary(readWrite);
        if (plat) FreeLibrary(plat);
        if (comStarted) CoUninitialize();
    }
};

// "H264" from MFVideoFormat_H264: most video subtypes are a FOURCC in the GUID's first field.
std::string fourcc(const GUID& subtype) {
    std::string text;
    for (int shift = 0; shift < 32; shift += 8) {
        const char c = static_cast<char>((subtype.Data1 >> shift) & 0xFF);
        if (c < ' ' || c > '~') return "compressed";
        text += c;
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

class MediaFoundationVideo final : public VideoFrames {
public:
    explicit MediaFoundationVideo(std::string path) : path_(std::move(path)), name_(platform::printable(path_)) {}
    ~MediaFoundationVideo() override {
        if (reader_) reader_->Release();  // before Media Foundation shuts down
    }

    VideoOpen open(std::string& why);
    VideoRead next(RgbFrame& out, std::string& why) override;
    int64_t expectedFrames() const override { return expected_; }
    std::string decoder() const override { return format_ + " through Media Foundation"; }

private:
    bool readFormat(std::string& why);
    VideoRead failed(const std::string& what, HRESULT result, std::string& why) {
        why = name_ + ": " + what + " (" + code(result) + ") after frame " + std::to_string(delivered_);
        return VideoRead::Failed;
    }

    MediaFoundation mf_;  // first in, last out
    std::string path_, name_;
    IMFSourceReader* reader_ = nullptr;
    std::string format_;
    int64_t expected_ = 0, delivered_ = 0;
    // The current output: the whole decoded surface and the part of it that is the picture
    // (a 1080-line H.264 frame is decoded 1088 lines high).
    UINT32 surfaceWidth_ = 0, surfaceHeight_ = 0;
    LONG stride_ = 0;
    MFVideoArea area_ = {};
};

VideoOpen MediaFoundationVideo::open(std::string& why) {
    if (!mf_.load(why)) {
        why = name_ + ": " + why;
        return VideoOpen::NoDecoder;
    }
    Held<IMFAttributes> attributes;
    HRESULT result = mf_.createAttributes(&attributes.p, 1);
    if (SUCCEEDED(result)) result = attributes->SetUINT32(MF_SOURCE_READER_ENABLE_VIDEO_PROCESSING, TRUE);
    if (SUCCEEDED(result)) result = mf_.createReader(platform::widen(path_).c_str(), attributes.p, &reader_);
    if (FAILED(result)) {
        why = name_ + " is neither a folder of pictures nor a video Media Foundation here can read (" + code(result) + ")";
        return VideoOpen::NotAVideo;
    }
    reader_->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
    Held<IMFMediaType> native;
    if (FAILED(reader_->SetStreamSelection(kVideo, TRUE)) || FAILED(reader_->GetNativeMediaType(kVideo, 0, &native.p))) {
        why = name_ + " is neither a folder of pictures nor a video: it has no video stream";
        return VideoOpen::NotAVideo;
    }
    GUID subtype = {};
    native->GetGUID(MF_MT_SUBTYPE, &subtype);
    format_ = fourcc(subtype);
    Held<IMFMediaType> rgb;
    result = mf_.createMediaType(&rgb.p);
    if (SUCCEEDED(result)) result = rgb->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
    if (SUCCEEDED(result)) result = rgb->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_RGB32);
    if (SUCCEEDED(result)) result = reader_->SetCurrentMediaType(kVideo, nullptr, rgb.p);
    if (FAILED(result)) {
        // Wine 8 decodes to YUV in its media source but has no converter to RGB behind it.
        why = name_ + ": " + kNeeds + ": none here turns its " + format_ + " video into RGB frames (" + code(result) + ")";
        return VideoOpen::NoDecoder;
    }
    if (!readFormat(why)) return VideoOpen::NoDecoder;
    UINT32 rateNumerator = 0, rateDenominator = 0;
    PROPVARIANT duration;
    PropVariantInit(&duration);
    if (SUCCEEDED(MFGetAttributeRatio(native.p, MF_MT_FRAME_RATE, &rateNumerator, &rateDenominator)) && rateDenominator &&
        SUCCEEDED(reader_->GetPresentationAttribute(static_cast<DWORD>(MF_SOURCE_READER_MEDIASOURCE), MF_PD_DURATION,
                                                    &duration)) &&
        duration.vt == VT_UI8) {
        // The duration is in 100 ns units.
        expected_ = static_cast<int64_t>(duration.uhVal.QuadPart / 1e7 * rateNumerator / rateDenominator + 0.5);
    }
    PropVariantClear(&duration);
    return VideoOpen::Opened;
}

bool MediaFoundationVideo::readFormat(std::string& why) {
    Held<IMFMediaType> type;
    if (FAILED(reader_->GetCurrentMediaType(kVideo, &type.p)) ||
        FAILED(MFGetAttributeSize(type.p, MF_MT_FRAME_SIZE, &surfaceWidth_, &surfaceHeight_)) || !surfaceWidth_ ||
        !surfaceHeight_) {
        why = name_ + ": Media Foundation gives its frames without a size";
        return false;
    }
    UINT32 stride = 0;
    stride_ = SUCCEEDED(type->GetUINT32(MF_MT_DEFAULT_STRIDE, &stride)) ? static_cast<LONG>(stride)
                                                                        : static_cast<LONG>(surfaceWidth_ * 4);
    area_ = {};
    UINT32 areaBytes = 0;
    if (FAILED(type->GetBlob(MF_MT_MINIMUM_DISPLAY_APERTURE, reinterpret_cast<UINT8*>(&area_), sizeof area_, &areaBytes)) ||
        areaBytes != sizeof area_ || area_.OffsetX.value < 0 || area_.OffsetY.value < 0 || area_.Area.cx <= 0 ||
        area_.Area.cy <= 0 || area_.OffsetX.value + area_.Area.cx > static_cast<LONG>(surfaceWidth_) ||
        area_.OffsetY.value + area_.Area.cy > static_cast<LONG>(surfaceHeight_)) {
        area_ = {};
        area_.Area.cx = static_cast<LONG>(surfaceWidth_);
        area_.Area.cy = static_cast<LONG>(surfaceHeight_);
    }
    return true;
}

VideoRead MediaFoundationVideo::next(RgbFrame& out, std::string& why) {
    for (;;) {
        DWORD flags = 0;
        LONGLONG time = 0;
        Held<IMFSample> sample;
        const HRESULT result = reader_->ReadSample(kVideo, 0, nullptr, &flags, &time, &sample.p);
        if (FAILED(result) || (flags & MF_SOURCE_READERF_ERROR)) return failed("a frame does not decode", result, why);
        if (flags & MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED) {
            if (!readFormat(why)) return VideoRead::Failed;
        }
        if (flags & MF_SOURCE_READERF_ENDOFSTREAM) return VideoRead::End;
        if (!sample.p) continue;  // a gap in the stream, no frame

        Held<IMFMediaBuffer> buffer;
        Held<IMF2DBuffer> surface;
        BYTE* first = nullptr;
        LONG pitch = 0;
        DWORD length = 0;
        HRESULT locked = sample->ConvertToContiguousBuffer(&buffer.p);
        if (FAILED(locked)) return failed("a frame cannot be read", locked, why);
        const bool twoD = SUCCEEDED(buffer->QueryInterface(IID_PPV_ARGS(&surface.p)));
        if (twoD) {
            locked = surface->Lock2D(&first, &pitch);
        } else {
            locked = buffer->Lock(&first, nullptr, &length);
            pitch = stride_;
            // A negative stride: rows bottom first, the top one last in the buffer.
            const uint64_t rowBytes = static_cast<uint64_t>(pitch < 0 ? -pitch : pitch);
            if (SUCCEEDED(locked) && rowBytes * surfaceHeight_ > length) {
                buffer->Unlock();
                return failed("a frame is shorter than its size says", E_UNEXPECTED, why);
            }
            if (pitch < 0) first += rowBytes * (surfaceHeight_ - 1);
        }
        if (FAILED(locked)) return failed("a frame cannot be read", locked, why);
        out.width = area_.Area.cx;
        out.height = area_.Area.cy;
        out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
        uint8_t* to = out.rgb.data();
        for (int y = 0; y < out.height; ++y) {
            // 32-bit RGB is B, G, R, X in memory.
            const BYTE* from = first + static_cast<ptrdiff_t>(y + area_.OffsetY.value) * pitch + area_.OffsetX.value * 4;
            for (int x = 0; x < out.width; ++x, from += 4, to += 3) {
                to[0] = from[2];
                to[1] = from[1];
                to[2] = from[0];
            }
        }
        if (twoD)
            surface->Unlock2D();
        else
            buffer->Unlock();
        ++delivered_;
        return VideoRead::Frame;
    }
}

}  // namespace

std::unique_ptr<VideoFrames> openVideo(const std::string& path, VideoOpen& status, std::string& why) {
    auto video = std::make_unique<MediaFoundationVideo>(path);
    status = video->open(why);
    if (status != VideoOpen::Opened) return nullptr;
    return video;
}
