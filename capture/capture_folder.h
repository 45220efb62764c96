// Capture into a folder, on both systems: every frame a PNG picture and the sound a WAV
// file, lossless, for an editor or an encoder of one's own choosing.
//
//   FOLDER/frame00001.png, frame00002.png, ...  the frames in order from 1 (five digits,
//                                               more past 99999), 8-bit RGB
//   FOLDER/sound.wav                            the sound of the frames' span: 16-bit
//                                               stereo PCM at 48 kHz, frames / fps long
//
// Each file is written as every output is (platform/file_write.h): under a temporary name
// of this process in the folder, renamed once whole. The folder is made when missing. One
// that holds anything but an earlier capture's files (the names above, and the temporary
// files of an unfinished one) is refused before the show loads, naming one of them; an
// earlier capture's files are replaced: its sound.wav goes before the first frame, and
// its frames past this capture's last go at the end, so that the folder holds one capture,
// and a sound.wav only beside the frames it belongs to. A capture that fails (a full disk)
// or is stopped at once (a second Ctrl-C) leaves the frames it wrote and no sound.wav.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "capture/capture_sink.h"
#include "platform/file_write.h"

// The name of frame n (from 1) in the folder: "frame00001.png".
std::string captureFrameName(long n);
// Whether a name in a folder is one a capture writes (a frame, the sound, or a temporary
// file of either): a file an earlier capture left.
bool isCaptureFile(const std::string& name);
// Checks a capture's folder before anything opens: false with one line when it is not a
// folder (a file, a pipe, a device) or holds anything an earlier capture did not write.
// Creates nothing.
bool checkCaptureFolder(const std::string& folder, std::string& error);
// The 44-byte header of a WAV file of `frames` sample frames, 16-bit stereo at 48 kHz.
// frames must keep the data under 4 GiB (kWavMaxFrames).
std::string wavHeader(int64_t frames);
constexpr int64_t kWavMaxFrames = (0xFFFFFFFFll - 36) / 4;

struct CaptureFolderFormat {
    int width = 0;  // the frames' size in pixels
    int height = 0;
    int fps = 60;   // the sound is frames * 48000 / fps sample frames long
    platform::WriteOptions writing;  // the run's inputs, which no file may replace
    // Told the temporary name being written (null once it is whole), for an interrupt that
    // stops at once to remove it, from the thread that writes it; may be null.
    void (*unfinished)(const char* temporary) = nullptr;
};

class CaptureFolder : public CaptureSink {
public:
    CaptureFolder();
    ~CaptureFolder() override;

    // Makes the folder when missing and removes an earlier capture's sound.wav there.
    // False with one line naming the folder.
    bool open(const std::string& folder, const CaptureFolderFormat& format, CaptureSound sound, std::string& error);
    // As CaptureSink's; the frames are encoded as PNG and written whole on a thread of the
    // folder's own, while the next one is drawn (nextFrame waits while it is behind).
    uint8_t* nextFrame() override;
    void submitFrame() override;
    // Writes sound.wav for the frames written, then removes an earlier capture's frames
    // past them and the temporary files of captures killed there (also after a failure).
    // False with one line when a file could not be written (the first that failed) or no
    // frame was.
    bool finish(std::string& error) override;
    long framesSubmitted() const override;

private:
    void writeFrames();  // the writer thread
    bool writeFrame(const std::vector<uint8_t>& pixels, long number);
    struct State;
    std::unique_ptr<State> s;
};
