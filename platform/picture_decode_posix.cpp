// Picture decoding on Linux. JPEG goes through TurboJPEG straight into RGBA (its SIMD colour
// conversion replaces OpenCV's BGR swap and a separate RGBA conversion); it gives the same
// pixels as libjpeg through OpenCV, since both use libjpeg-turbo's default (accurate) DCT
// and smooth upsampling. Other formats, and JPEG colour spaces TurboJPEG cannot turn into
// RGB (CMYK), go through OpenCV as before.
#include "platform/picture_decode.h"

#include <turbojpeg.h>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstring>

namespace platform {
namespace {

using namespace picture_decode;

// One decompressor per thread, created on first use: a TurboJPEG handle must not be shared
// by threads that decode at the same time.
struct JpegHandle {
    tjhandle handle = tjInitDecompress();
    ~JpegHandle() {
        if (handle) tjDestroy(handle);
    }
    // After a failed header, the decompressor can be left half-way through one, and the
    // next file would be parsed from there: start each file after a failure afresh.
    void renew() {
        if (handle) tjDestroy(handle);
        handle = tjInitDecompress();
    }
};

JpegHandle& threadJpegHandle() {
    thread_local JpegHandle decoder;
    return decoder;
}

// Whole 4-pixel groups: the surplus columns are resampled away, not cropped, as the
// textures have always been made. Bilinear works on each channel alone, so resampling RGBA
// gives the same colours as resampling the BGR picture before the conversion did.
void trimInto(const RgbaPicture& full, RgbaPicture& out) {
    out.resize(full.width / 4 * 4, full.height);
    const cv::Mat from(full.height, full.width, CV_8UC4, full.pixels.get());
    cv::Mat to(out.height, out.width, CV_8UC4, out.pixels.get());
    cv::resize(from, to, to.size(), 0, 0, cv::INTER_LINEAR);
}

// Returns Failed for a JPEG that TurboJPEG cannot bring to RGB, so OpenCV gets it.
DecodeStatus decodeJpeg(const uint8_t* bytes, size_t length, RgbaPicture& out, std::string& message,
                        bool& unsupported) {
    unsupported = false;
    JpegHandle& decoder = threadJpegHandle();
    tjhandle tj = decoder.handle;
    if (!tj) {
        message = "the JPEG decoder could not be created";
        return DecodeStatus::Failed;
    }
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(tj, bytes, static_cast<unsigned long>(length), &width, &height, &subsampling,
                            &colourspace) != 0) {
        message = tjGetErrorStr2(tj);
        decoder.renew();
        return DecodeStatus::Failed;
    }
    if (colourspace == TJCS_CMYK || colourspace == TJCS_YCCK) {
        unsupported = true;
        return DecodeStatus::Failed;
    }
    if (!size_accepted(width, height, message)) return DecodeStatus::Failed;

    const bool trim = width % 4 != 0;
    RgbaPicture& target = trim ? untrimmed_scratch() : out;
    target.resize(width, height);
    // Rows come out top first. A fatal error leaves the rows after it unwritten, so an
    // unwritten (zero) alpha in the last row tells a damaged but whole picture from a cut
    // one: TurboJPEG's own warning flag stays set when a fatal error follows a warning.
    uint8_t* lastRow = target.pixels.get() + static_cast<size_t>(height - 1) * width * 4;
    std::memset(lastRow, 0, static_cast<size_t>(width) * 4);
    // LIMITSCANS refuses progressive files with hundreds of scans, which take minutes.
    const int result = tjDecompress2(tj, bytes, static_cast<unsigned long>(length), target.pixels.get(), width, 0,
                                     height, TJPF_RGBA, TJFLAG_LIMITSCANS);
    DecodeStatus status = DecodeStatus::Decoded;
    if (result != 0) {
        message = tjGetErrorStr2(tj);
        decoder.renew();
        const bool whole = lastRow[3] == 255 && lastRow[static_cast<size_t>(width) * 4 - 1] == 255;
        status = whole ? DecodeStatus::DecodedWithWarning : DecodeStatus::Failed;
    }
    if (status != DecodeStatus::Failed && trim) trimInto(target, out);
    return status;
}

// Brings whatever OpenCV decoded to 8-bit, 3-channel BGR; false when it cannot.
bool toBgr8(cv::Mat& picture) {
    if (picture.empty()) return false;
    switch (picture.depth()) {
    case CV_8U: break;
    case CV_16U: picture.convertTo(picture, CV_8U, 1.0 / 257.0); break;
    case CV_32F:
    case CV_64F: picture.convertTo(picture, CV_8U, 255.0); break;
    default: return false;
    }
    switch (picture.channels()) {
    case 1: cv::cvtColor(picture, picture, cv::COLOR_GRAY2BGR); break;
    case 2: {  // grey and alpha: keep the grey
        cv::Mat grey;
        cv::extractChannel(picture, grey, 0);
        cv::cvtColor(grey, picture, cv::COLOR_GRAY2BGR);
        break;
    }
    case 3: break;
    case 4: cv::cvtColor(picture, picture, cv::COLOR_BGRA2BGR); break;
    default: return false;
    }
    return true;
}

// An 8-bit BGR picture from OpenCV, trimmed and converted as the JPEG road does it.
void bgrToRgba(const cv::Mat& bgr, RgbaPicture& out) {
    cv::Mat trimmed = bgr;
    const int width = bgr.cols / 4 * 4;
    if (width != bgr.cols) cv::resize(bgr, trimmed, cv::Size(width, bgr.rows), 0, 0, cv::INTER_LINEAR);
    out.resize(width, bgr.rows);
    cv::Mat rgba(out.height, out.width, CV_8UC4, out.pixels.get());
    cv::cvtColor(trimmed, rgba, cv::COLOR_BGR2RGBA);
}

DecodeStatus decodeWithOpenCv(const uint8_t* bytes, size_t length, RgbaPicture& out, std::string& message) {
    try {
        const cv::Mat encoded(1, static_cast<int>(length), CV_8UC1, const_cast<uint8_t*>(bytes));
        cv::Mat picture = cv::imdecode(encoded, cv::IMREAD_UNCHANGED);
        if (!toBgr8(picture)) {
            message = "not a picture the decoders know";
            return DecodeStatus::Failed;
        }
        if (!size_accepted(picture.cols, picture.rows, message)) return DecodeStatus::Failed;
        bgrToRgba(picture, out);
        return DecodeStatus::Decoded;
    } catch (const cv::Exception& e) {
        message = e.what();
        return DecodeStatus::Failed;
    }
}

}  // namespace

bool decode_still_picture(const uint8_t* bytes, size_t length, RgbaPicture& out) {
    try {
        // imdecode reads the same formats as imread, with the same decoders and flags.
        const cv::Mat encoded(1, static_cast<int>(length), CV_8UC1, const_cast<uint8_t*>(bytes));
        cv::Mat picture = cv::imdecode(encoded, cv::IMREAD_COLOR);
        if (picture.empty() || picture.cols < 4) return false;
        bgrToRgba(picture, out);
        return true;
    } catch (const cv::Exception&) {
        return false;
    }
}

DecodeStatus decode_picture(const uint8_t* bytes, size_t length, RgbaPicture& out, std::string& message) {
    message.clear();
    if (!bytes || length == 0) {
        message = "no bytes";
        return DecodeStatus::Failed;
    }
    // OpenCV takes the length as an int.
    if (length > static_cast<size_t>(INT32_MAX)) {
        message = "more than 2 GiB of bytes";
        return DecodeStatus::Failed;
    }
    if (looks_like_jpeg(bytes, length)) {
        bool unsupported = false;
        const DecodeStatus status = decodeJpeg(bytes, length, out, message, unsupported);
        if (!unsupported) return status;
    }
    return decodeWithOpenCv(bytes, length, out, message);
}

}  // namespace platform
