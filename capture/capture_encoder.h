// The video file of a capture, written through FFmpeg's libraries: H.264 (libx264, yuv420p)
// from the frames read back from GL, AAC from the music's decoded samples, in a container
// whose index sits at the front. Encoding runs on a thread of its own, fed through a small
// fixed ring of frame buffers, so memory stays the same however long the capture runs.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct CaptureFormat {
    int width = 0;   // even: H.264 in 4:2:0 has no odd sizes
    int height = 0;
    int fps = 60;    // the video's frame rate; the music is cut to frames / fps seconds
    int crf = 18;    // x264 constant rate factor, 0 (best) .. 51
};

// The file the encoder writes first, in the same folder, renamed onto path at the end.
std::string captureTempPath(const std::string& path);

// Refuses a request before anything is loaded or rendered: a name FFmpeg cannot tell a
// container from, a container that cannot hold H.264 and AAC, a folder, or a place where
// no file can be created. Leaves nothing behind. Returns false with a message.
bool checkCaptureFile(const std::string& path, std::string& error);

class CaptureEncoder {
public:
    CaptureEncoder();
    ~CaptureEncoder();  // an unfinished file is removed

    // Opens the temporary file and both encoders. music: interleaved 16-bit stereo at
    // 48 kHz, sample 0 at the first frame; empty gives a file without a sound track.
    bool open(const std::string& path, const CaptureFormat& format, std::vector<int16_t> music, std::string& error);

    // The buffer for the next frame, width * height * 4 bytes of BGRA with the bottom row
    // first (as GL reads them); waits while the encoder thread is behind. Null once the
    // encoder has failed (finish then says why).
    uint8_t* nextFrame();
    // Hands the buffer of nextFrame to the encoder thread.
    void submitFrame();

    // Encodes every submitted frame and the music up to the last one, writes the index at
    // the front and renames the file into place. Returns false with a message (and removes
    // the temporary file) when anything failed or no frame was submitted.
    bool finish(std::string& error);

    long framesSubmitted() const;

private:
    struct State;
    std::unique_ptr<State> s;
};
