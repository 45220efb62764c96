// Packing velmora-pack's jobs. A folder of JPEG frames packs as it always has, each file's
// bytes as they are (re-encoding would lose a little every time); only pictures of other
// formats, video frames and frames --size must scale are decoded and encoded. One frame is
// held at a time, whatever the input's length.
#include "pack_footage.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "pack_progress.h"
#include "platform/file_read.h"
#include "platform/printable.h"
#include "render/frame_archive_writer.h"

namespace fs = std::filesystem;

namespace {

// A picture file is read whole before it is decoded.
constexpr uint64_t kMaxPictureFileBytes = 512ull << 20;
constexpr int kMaxFrameSide = 8192;

struct SizeSeen {
    int width = 0, height = 0;  // of the first frame looked at
    bool varied = false;        // a later one had another size
    void add(int w, int h) {
        if (!width) {
            width = w;
            height = h;
        } else if (w != width || h != height) {
            varied = true;
        }
    }
};

std::string sizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

// The show trims a frame's width to a multiple of 4 by resampling it: a suggested size
// keeps the picture's shape at the show's height and spares it that.
std::string showSizeFor(int width, int height) {
    const int w = std::max(4, static_cast<int>(std::lround(width * double(kShowFrameHeight) / height / 4.0)) * 4);
    return sizeText(w, kShowFrameHeight);
}

void sayFrameSize(const SizeSeen& seen, const FootageOptions& options) {
    const std::string show = "the show's are " + sizeText(kShowFrameWidth, kShowFrameHeight) + " (540 high if not 16:9)";
    if (options.width) {
        if (options.height != kShowFrameHeight)
            std::cout << "  note: frames scaled to " << sizeText(options.width, options.height) << "; " << show << "\n";
    } else if (seen.varied) {
        std::cout << "  note: frames of more than one size (the first " << sizeText(seen.width, seen.height) << "); "
                  << show << ": --size " << showSizeFor(seen.width, seen.height) << " brings them to one\n";
    } else if (seen.width && seen.height != kShowFrameHeight) {
        std::cout << "  note: frames are " << sizeText(seen.width, seen.height) << "; " << show << ": --size "
                  << showSizeFor(seen.width, seen.height) << " scales them\n";
    }
}

// frame scaled as options say and encoded as JPEG into jpeg.
bool encodeFrame(const RgbFrame& frame, const FootageOptions& options, RgbFrame& scratch, std::vector<unsigned char>& jpeg,
                 std::string& why) {
    const RgbFrame* source = &frame;
    if (options.width && (frame.width != options.width || frame.height != options.height)) {
        if (!scaleFrame(frame, options.width, options.height, scratch, why)) return false;
        source = &scratch;
    }
    return encodeJpeg(*source, options.quality, jpeg, why);
}

// The size of a folder's first JPEG, from its header, for the note on the frames' size.
void lookAtFirstJpeg(const std::string& path, SizeSeen& seen) {
    std::vector<unsigned char> bytes;
    std::string why;
    int width = 0, height = 0;
    if (platform::read_regular_file(path, bytes, kMaxPictureFileBytes, why) == platform::FileRead::Read &&
        readJpegSize(bytes, width, height))
        seen.add(width, height);
}

bool packVideo(PackJob& job, const FootageOptions& options, FrameArchiveWriter& writer, std::vector<std::string>& names,
               std::string& error) {
    PackProgress progress(job.given, job.video->expectedFrames());
    const std::string stem = fs::u8path(job.videoPath).stem().u8string();
    SizeSeen seen;
    RgbFrame frame, scaled;
    std::vector<unsigned char> jpeg;
    int64_t count = 0;
    for (;; ++count) {
        const VideoRead read = job.video->next(frame, error);
        if (read == VideoRead::End) break;
        if (read == VideoRead::Failed) return false;
        seen.add(frame.width, frame.height);
        if (!encodeFrame(frame, options, scaled, jpeg, error)) {
            error = job.given + ": frame " + std::to_string(count) + ": " + error;
            return false;
        }
        char number[24];
        std::snprintf(number, sizeof number, "%05lld", static_cast<long long>(count));
        const std::string name = frameEntryName(job.videoPrefix, stem + number + ".jpg");
        if (!writer.addBytes(name, jpeg)) return false;
        names.push_back(name);
        progress.step();
    }
    progress.clear();
    if (count == 0) {
        error = job.given + ": the video holds no frame";
        return false;
    }
    std::cout << job.given << ": " << count << " frames of " << job.video->decoder() << ", encoded as JPEG at quality "
              << options.quality << std::endl;
    sayFrameSize(seen, options);
    return true;
}

}  // namespace

bool parseFrameSize(const std::string& text, int& width, int& height) {
    const size_t x = text.find('x');
    if (x == std::string::npos || x == 0 || x + 1 == text.size() || x > 4 || text.size() - x - 1 > 4) return false;
    int parsed[2] = {0, 0};
    for (int side = 0; side < 2; ++side) {
        const std::string digits = side == 0 ? text.substr(0, x) : text.substr(x + 1);
        for (char c : digits) {
            if (c < '0' || c > '9') return false;
            parsed[side] = parsed[side] * 10 + (c - '0');
        }
        if (parsed[side] < 1 || parsed[side] > kMaxFrameSide) return false;
    }
    width = parsed[0];
    height = parsed[1];
    return true;
}

bool frameJob(const std::string& path, const std::string& prefix, PackJob& job, std::string& error) {
    job.given = platform::printable(path);
    std::error_code failure;
    const fs::path at = fs::u8path(path);
    if (fs::is_directory(at, failure)) {
        job.folder = true;
        if (!scanFrameFolder(path, prefix, job.inputs, job.skipped, error)) return false;
        if (job.inputs.empty()) {
            error = job.given + ": the folder holds no pictures (.jpg, .png, .tif, .webp or .bmp files)";
            return false;
        }
        return true;
    }
    if (!fs::exists(at, failure)) {
        error = job.given + ": no such folder or video";
        return false;
    }
    // A pipe or a device would hold the video reader for good.
    if (!fs::is_regular_file(at, failure)) {
        error = job.given + " is neither a folder of pictures nor a video file";
        return false;
    }
    VideoOpen status = VideoOpen::NotAVideo;
    job.video = openVideo(path, status, error);
    job.videoPath = path;
    job.videoPrefix = prefix;
    return job.video != nullptr;
}

bool packJob(PackJob& job, const FootageOptions& options, FrameArchiveWriter& writer, std::vector<std::string>& names,
             std::string& error) {
    error.clear();
    if (job.video) return packVideo(job, options, writer, names, error);
    PackProgress progress(job.given, static_cast<int64_t>(job.inputs.size()));
    SizeSeen seen;
    RgbFrame frame, scaled;
    std::vector<unsigned char> bytes, jpeg;
    size_t encoded = 0;
    for (const PackInput& input : job.inputs) {
        const bool jpegFile = isJpegFile(input.path);
        if (!input.frame || (jpegFile && !options.width)) {
            if (input.frame && !seen.width) lookAtFirstJpeg(input.path, seen);
            if (!writer.addFile(input.name, input.path)) return false;
        } else {
            std::string why;
            if (platform::read_regular_file(input.path, bytes, kMaxPictureFileBytes, why) != platform::FileRead::Read) {
                error = "cannot read " + platform::printable(input.path) + ": " + why;
                return false;
            }
            int width = 0, height = 0;
            if (jpegFile && readJpegSize(bytes, width, height) && width == options.width && height == options.height) {
                seen.add(width, height);  // already the size asked for: kept as it is
            } else {
                if (!decodeFootagePicture(bytes, frame, why) || !encodeFrame(frame, options, scaled, jpeg, why)) {
                    error = platform::printable(input.path) + ": " + why;
                    return false;
                }
                seen.add(frame.width, frame.height);
                bytes.swap(jpeg);
                ++encoded;
            }
            if (!writer.addBytes(input.name, bytes)) return false;
        }
        names.push_back(input.name);
        progress.step();
    }
    progress.clear();
    if (!job.folder) return true;
    std::cout << job.given << ": " << job.inputs.size() << " frames";
    if (encoded) std::cout << ", " << encoded << " encoded as JPEG at quality " << options.quality;
    if (job.skipped) std::cout << ", " << job.skipped << " other directory entries left out";
    std::cout << std::endl;
    sayFrameSize(seen, options);
    return true;
}
