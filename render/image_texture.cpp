// Image textures. Pictures are decoded and trimmed as RGB, then handed to GL as RGBA8 with
// opaque alpha: the texels a shader or the fixed pipeline (in its modulate mode) sees are
// the same as from an RGB texture, and on llvmpipe the 4-byte upload is several times
// faster, which matters on the per-frame archive road.
#include "render/image_texture.h"

#include "render/frame_archive.h"

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <fstream>
#include <vector>

namespace {

// Brings whatever the decoder produced to 8-bit, 3-channel BGR; false when it cannot.
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

void upload(ImageTexture& texture, cv::Mat bgr, bool flipHorizontal, bool flipVertical) {
    // Whole 4-pixel groups keep every RGB row a whole number of 4-byte words. The surplus
    // columns are resampled away, not cropped. A picture narrower than 4 pixels has no
    // such width and is left out.
    const int width = bgr.cols / 4 * 4;
    if (width == 0 || bgr.rows == 0) return;
    // Resampling before the channel reorder gives the same pixels as after it: the
    // bilinear filter works on each channel alone.
    if (width != bgr.cols) cv::resize(bgr, bgr, cv::Size(width, bgr.rows), 0, 0, cv::INTER_LINEAR);
    cv::Mat rgba;
    cv::cvtColor(bgr, rgba, cv::COLOR_BGR2RGBA);
    if (flipHorizontal) cv::flip(rgba, rgba, 1);
    if (flipVertical) cv::flip(rgba, rgba, 0);

    texture.loaded = true;
    texture.width = rgba.cols;
    texture.height = rgba.rows;
    texture.aspect = static_cast<float>(texture.width) / static_cast<float>(texture.height);
    if (!texture.generated) {
        glGenTextures(1, &texture.id);
        texture.generated = true;
    }
    glBindTexture(GL_TEXTURE_2D, texture.id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    // The image's first row is texture row 0.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, texture.width, texture.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data);
}

}  // namespace

void loadTextureFromArchive(ImageTexture& texture, const FrameArchive& archive, const std::string& name) {
    std::vector<unsigned char> bytes;
    readArchiveEntry(archive, name, bytes);
    if (bytes.empty()) return;
    cv::Mat picture;
    try {
        picture = cv::imdecode(bytes, cv::IMREAD_UNCHANGED);
        if (!toBgr8(picture)) return;
        upload(texture, picture, false, false);
    } catch (const cv::Exception&) {
        // Damaged bytes that the decoder rejects loudly count as bytes that do not decode.
    }
}

void loadTextureFromFile(ImageTexture& texture, const std::string& path, bool flipHorizontal, bool flipVertical) {
    // OpenCV warns on standard error about a file it cannot open; a missing still image
    // is meant to pass without a word.
    if (!std::ifstream(path, std::ios::binary)) return;
    try {
        cv::Mat picture = cv::imread(path, cv::IMREAD_COLOR);
        if (picture.empty()) return;
        upload(texture, picture, flipHorizontal, flipVertical);
    } catch (const cv::Exception&) {
    }
}
