// Capture: the show's finished frames taken out of the program.
//
//   velmora --capture OUT.mp4 [--res WxH] [--fps N] [--start S] [--duration S] [--crf Q]
//   velmora --capture OUT.mp4 --replay TAKE     (a recorded performance, see take/take.h)
//
// A capture renders the show offline into a video with its music: every frame at an exact
// time of the part clock, whatever the machine's speed, through the frame loop's own steps
// in a hidden window, read back without stalling GL (frame_readback.h) and encoded on a
// thread of its own (capture_encoder.h: H.264 and AAC in an MP4, through FFmpeg's
// libraries, so Linux only), with a progress bar (capture_progress.h). A take's capture
// takes the take's frames as they fall due and its sound from take_music.h. Beside it,
// on both systems, --frame-hashes (frame_hashes.h) reads every frame drawn back from the
// window and writes its CRC-32, to tell whether two runs drew the same frames.
//
// This header: the span of a request, its checks before anything opens, and the run.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct AppState;
struct LaunchOptions;

struct CaptureSpan {
    double start = 0.0;  // part clock of the first frame, seconds
    long frames = 0;     // frames to render, 1 / fps seconds apart
    int fps = 60;
};

// The span of a request: from --start (default 0) for --duration seconds, or to showEnd
// (a replay's: the take's end). A span past showEnd is cut there, and note says so.
// Returns false with a message when not even one frame would be captured.
bool captureSpan(const LaunchOptions& options, float showEnd, CaptureSpan& span, std::string& note,
                 std::string& error);
// Where a capture of these options ends: the show's end, or the end of --replay's take.
float captureEnd(const LaunchOptions& options);

// Cuts decoded music (interleaved 16-bit stereo) to count sample frames from first:
// silence before the music starts and after it ends.
void cutMusic(std::vector<int16_t>& music, int64_t first, int64_t count);

// Checks a capture request before any window opens: the span, the container, a writable
// place. Makes the path absolute when --data will change the folder, and lets SIGINT and
// SIGTERM stop the capture with a finished file. Returns false with a message.
bool prepareCapture(LaunchOptions& options, std::string& error);

// Renders and encodes the span once startup is done. Returns the exit status: 0 when the
// file is complete; 130 or 143 when SIGINT or SIGTERM stopped it (the file then holds every
// frame rendered until then, with its music); 1 when it failed (no file is left).
int runCapture(AppState& app);
