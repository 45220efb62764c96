// Footage pictures on Linux: JPEG read and written with libturbojpeg, other formats read
// with OpenCV, scaling with OpenCV's area filter.
#include "footage.h"

#include <turbojpeg.h>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <unistd.h>

#include <cstdio>

#include "platform/picture_decode.h"

namespace {

// OpenCV's PNG and TIFF readers print their library's complaint on standard error
// themselves ("libpng error: ..."); it is caught here to become the one line the tool says.
class StderrCapture {
public:
    StderrCapture() : file_(std::tmpfile()) {
        std::fflush(stderr);
        saved_ = file_ ? dup(STDERR_FILENO) : -1;
        if (saved_ >= 0) dup2(fileno(file_), STDERR_FILENO);
    }
    ~StderrCapture() { text(); }
    // What was written since, its last line without "libpng error: " or the like; restores stderr.
    std::string text() {
        std::string said;
        if (saved_ >= 0) {
            std::fflush(stderr);
            dup2(saved_, STDERR_FILENO);
            close(saved_);
            saved_ = -1;
            std::rewind(file_);
            char line[256];
            while (std::fgets(line, sizeof line, file_))
                if (line[0] != '\n') said = line;
        }
        if (file_) std::fclose(file_);
        file_ = nullptr;
        while (!said.empty() && (said.back() == '\n' || said.back() == '\r')) said.pop_back();
        const size_t colon = said.find(" error: ");
        return colon == std::string::npos ? said : said.substr(colon + 8);
    }

private:
    std::FILE* file_;
    int saved_ = -1;
};

struct TurboJpeg {
    tjhandle handle;
    explicit TurboJpeg(bool compress) : handle(compress ? tjInitCompress() : tjInitDecompress()) {}
    ~TurboJpeg() {
        if (handle) tjDestroy(handle);
    }
};

bool sizeAllowed(int64_t width, int64_t height, std::string& why) {
    if (width > 0 && height > 0 && width * height <= platform::kMaxPicturePixels) return true;
    why = "a picture of " + std::to_string(width) + "x" + std::to_string(height) + " pixels is beyond what the show takes";
    return false;
}

bool looksLikeJpeg(const std::vector<unsigned char>& bytes) {
    return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

// Returns false with unsupported set for the colour spaces libturbojpeg cannot bring to
// RGB (CMYK), which OpenCV converts.
bool decodeJpeg(const std::vector<unsigned char>& bytes, RgbFrame& out, std::string& why, bool& unsupported) {
    unsupported = false;
    TurboJpeg jpeg(false);
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    const unsigned long length = static_cast<unsigned long>(bytes.size());
    if (!jpeg.handle ||
        tjDecompressHeader3(jpeg.handle, bytes.data(), length, &width, &height, &subsampling, &colourspace) != 0) {
        why = jpeg.handle ? tjGetErrorStr2(jpeg.handle) : "the JPEG decoder could not be created";
        return false;
    }
    if (colourspace == TJCS_CMYK || colourspace == TJCS_YCCK) {
        unsupported = true;
        return false;
    }
    if (!sizeAllowed(width, height, why)) return false;
    out.width = width;
    out.height = height;
    out.rgb.resize(static_cast<size_t>(width) * height * 3);
    // A warning (a cut or damaged file, grey rows filled in) is a failure here: the frame
    // would be packed wrong without a word.
    if (tjDecompress2(jpeg.handle, bytes.data(), length, out.rgb.data(), width, 0, height, TJPF_RGB,
                      TJFLAG_STOPONWARNING) != 0) {
        why = tjGetErrorStr2(jpeg.handle);
        return false;
    }
    return true;
}

}  // namespace

bool decodeFootagePicture(const std::vector<unsigned char>& bytes, RgbFrame& out, std::string& why) {
    if (bytes.empty()) {
        why = "the file is empty";
        return false;
    }
    if (looksLikeJpeg(bytes)) {
        bool unsupported = false;
        if (decodeJpeg(bytes, out, why, unsupported)) return true;
        if (!unsupported) return false;
    }
    cv::Mat picture;
    StderrCapture complaint;
    try {
        picture = cv::imdecode(cv::Mat(1, static_cast<int>(bytes.size()), CV_8UC1, const_cast<unsigned char*>(bytes.data())),
                               cv::IMREAD_COLOR);
    } catch (const cv::Exception& e) {
        why = e.what();
        return false;
    }
    const std::string said = complaint.text();
    if (picture.empty()) {
        why = "not a picture OpenCV reads, or a damaged one" + (said.empty() ? "" : ": " + said);
        return false;
    }
    if (!sizeAllowed(picture.cols, picture.rows, why)) return false;
    out.width = picture.cols;
    out.height = picture.rows;
    out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
    cv::Mat rgb(out.height, out.width, CV_8UC3, out.rgb.data());
    cv::cvtColor(picture, rgb, cv::COLOR_BGR2RGB);
    return true;
}

bool readJpegSize(const std::vector<unsigned char>& bytes, int& width, int& height) {
    TurboJpeg jpeg(false);
    int subsampling = 0, colourspace = 0;
    return jpeg.handle && looksLikeJpeg(bytes) &&
           tjDecompressHeader3(jpeg.handle, bytes.data(), static_cast<unsigned long>(bytes.size()), &width, &height,
                               &subsampling, &colourspace) == 0;
}

bool scaleFrame(const RgbFrame& in, int width, int height, RgbFrame& out, std::string& why) {
    if (!sizeAllowed(width, height, why)) return false;
    out.width = width;
    out.height = height;
    out.rgb.resize(static_cast<size_t>(width) * height * 3);
    const cv::Mat from(in.height, in.width, CV_8UC3, const_cast<uint8_t*>(in.rgb.data()));
    cv::Mat to(height, width, CV_8UC3, out.rgb.data());
    const bool shrinking = width <= in.width && height <= in.height;
    cv::resize(from, to, to.size(), 0, 0, shrinking ? cv::INTER_AREA : cv::INTER_LINEAR);
    return true;
}

bool encodeJpeg(const RgbFrame& frame, int quality, std::vector<unsigned char>& out, std::string& why) {
    TurboJpeg jpeg(true);
    unsigned char* data = nullptr;
    unsigned long length = 0;
    if (!jpeg.handle || tjCompress2(jpeg.handle, frame.rgb.data(), frame.width, 0, frame.height, TJPF_RGB, &data, &length,
                                    TJSAMP_420, quality, 0) != 0) {
        why = std::string("JPEG encoding failed: ") + (jpeg.handle ? tjGetErrorStr2(jpeg.handle) : "no encoder");
        tjFree(data);
        return false;
    }
    out.assign(data, data + length);
    tjFree(data);
    return true;
}
