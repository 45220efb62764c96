// The video file of a capture, written through FFmpeg's libraries: H.264 (libx264, yuv420p)
// from the frames read back from GL, AAC from the music's decoded samples, in a container
// whose index sits at the front. Encoding runs on a thread of its own, fed through a small
// fixed ring of frame buffers, so memory stays the same however long the capture runs.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "capture/capture_sink.h"
#include "platform/file_write.h"

struct CaptureFormat {
    int width = 0;   // even: H.264 in 4:2:0 has no odd sizes
    int height = 0;
    int fps = 60;    // the video's frame rate; the music is cut to frames / fps seconds
    int crf = 18;    // x264 constant rate factor, 0 (best) .. 51
};

// Refuses a request before anything is loaded or rendered: a name FFmpeg cannot tell a
// container from, a container that cannot hold H.264 and AAC, or a name the file writer
// refuses (platform/file_write.h: one of options.inputs, a folder, a pipe, a device, a
// place where no file can be created). Leaves nothing behind. Returns false with a message.
bool checkCaptureFile(const std::string& path, const platform::WriteOptions& options, std::string& error);

class CaptureEncoder : public CaptureSink {
public:
    CaptureEncoder();
    ~CaptureEncoder() override;

    // Starts the video in out's temporary file (out just opened: its container comes from
    // out.path(), which messages name) and both encoders. The caller commits out once
    // finish() succeeds, or abandons it. An empty sound gives a video without a sound track;
    // the sound is made on the encoder's thread.
    bool open(platform::FileWriter& out, const CaptureFormat& format, CaptureSound sound, std::string& error);

    // As CaptureSink's; nextFrame waits while the encoder thread is behind, submitFrame
    // hands the buffer to it.
    uint8_t* nextFrame() override;
    void submitFrame() override;

    // Encodes every submitted frame and the sound up to the last one, writes the index at
    // the front and closes the file. Returns false with a message when anything failed (a
    // full disk: "the disk is full") or no frame was submitted.
    bool finish(std::string& error) override;

    long framesSubmitted() const override;

private:
    struct State;
    std::unique_ptr<State> s;
};
