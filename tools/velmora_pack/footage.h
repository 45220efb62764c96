// What velmora-pack needs of each system to take footage as show makers have it: pictures
// of the common formats read, frames scaled and encoded as JPEG, videos read frame by frame.
// Linux: OpenCV, libturbojpeg and FFmpeg's libraries (footage_posix.cpp, video_posix.cpp).
// Windows: the imaging component WIC and Media Foundation (footage_win32.cpp, video_win32.cpp).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A frame between decoding and encoding: 3 bytes a pixel in R, G, B order, rows top first,
// no padding between rows.
struct RgbFrame {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// Decodes the bytes of an image file (JPEG, PNG, TIFF, WebP, BMP) into out. A damaged or cut
// picture is refused: false, with why in the decoder's words. Safe on any bytes; one
// thread at a time (on Linux, standard error is caught around OpenCV for its words).
bool decodeFootagePicture(const std::vector<unsigned char>& bytes, RgbFrame& out, std::string& why);

// A JPEG's size from its header alone; false when the bytes do not start with one.
bool readJpegSize(const std::vector<unsigned char>& bytes, int& width, int& height);

// in scaled to width x height into out (not in itself): each pixel the average of the area
// it covers when shrinking, interpolated when enlarging.
bool scaleFrame(const RgbFrame& in, int width, int height, RgbFrame& out, std::string& why);

// frame as a baseline JPEG (4:2:0) at quality 1..100.
bool encodeJpeg(const RgbFrame& frame, int quality, std::vector<unsigned char>& out, std::string& why);

enum class VideoOpen {
    Opened,
    NotAVideo,  // no video stream in it (a text file, a single picture, sound alone)
    NoDecoder,  // a video, but nothing on this system decodes it
};

enum class VideoRead {
    Frame,   // out holds the next frame
    End,     // every frame has been read
    Failed,  // a damaged frame or a read error; why says which
};

// A video's frames in order, each one entry: no frame dropped or repeated for timing.
class VideoFrames {
public:
    virtual ~VideoFrames() = default;
    virtual VideoRead next(RgbFrame& out, std::string& why) = 0;
    // From the container's frame count or its duration and rate; 0 when it does not say.
    virtual int64_t expectedFrames() const = 0;
    // What decodes it, for the report ("h264 through FFmpeg").
    virtual std::string decoder() const = 0;
};

// Opens path as a video. Anything but Opened returns null with why: one line that names
// the file.
std::unique_ptr<VideoFrames> openVideo(const std::string& path, VideoOpen& status, std::string& why);
