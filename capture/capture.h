// Capture: the show's finished frames taken out of the program.
//
//   velmora --capture OUT.mp4 [--res WxH] [--fps N] [--start S] [--duration S] [--crf Q]
//   velmora --capture FOLDER/ [--res WxH] [--fps N] [--start S] [--duration S]
//   velmora --capture OUT.mp4|FOLDER/ --replay TAKE     (a recorded performance, take/take.h)
//
// A capture renders the show offline with its music: every frame at an exact time of the
// part clock, whatever the machine's speed, through the frame loop's own steps in a hidden
// window, read back without stalling GL (frame_readback.h; off-screen where a window's
// pixels are not all there, app/window_picture.h), with a progress bar
// (capture_progress.h). It goes to one of two sinks (capture_sink.h):
// - a video, OUT.mp4 (any name FFmpeg knows a container for): H.264 and AAC, encoded on a
//   thread of its own through FFmpeg's libraries (capture_encoder.h), so Linux only; the
//   Windows build refuses it in one line naming the folder form;
// - a folder, on both systems: a name that ends in a separator ("out/"; "out\" on
//   Windows) or a folder that is there. Every frame a PNG file, frame00001.png on, and the
//   sound of the same span as sound.wav, 16-bit stereo at 48 kHz, frames / fps long: all
//   lossless, and the same bytes at every capture of the span (capture_folder.h says what
//   happens to a folder that holds files already). Any size, odd ones too.
// A take's capture takes the take's frames as they fall due and its sound from
// take_music.h. Two captures of the same span give the same frames. Beside it, on both
// systems, --frame-hashes (frame_hashes.h) reads every frame drawn back and writes its
// CRC-32, to tell whether two runs drew the same frames.
//
// Every file is written as every output is (platform/file_write.h): into a temporary file
// of this process beside its name ("OUT.mp4.<process>.tmp"), renamed over the name once
// whole. A name that is one of the run's inputs (the take being replayed, the show's
// files), a folder where a video should go, a pipe or a device is refused before the show
// loads. A capture killed outright leaves its temporary file, which the next capture to
// that name removes.
//
// Every way out leaves a whole video under the name or none (a folder: whole frames, and
// their sound.wav when it finished), and the status says which:
//   0   the video (the frames and their sound) is there: the whole span; or up to where
//       SIGINT, SIGTERM or Escape stopped it (one line says so and how many frames it
//       holds); or up to where the show ended or the take's performer pressed Escape;
//   1   it failed (a full disk, a write error, no frame rendered): one line says why; the
//       video's name holds what it held before (also when another program put a file
//       under the name meanwhile: that file stays, this video is kept beside it, the line
//       says where); a folder holds the frames written before the failure, no sound.wav;
//   130, 143  SIGINT or SIGTERM came before the first frame, or a second one came ("stop
//       now"): no video, nothing left behind (a folder: the frames already written).
// Nothing the capture does is out of their reach: the loop looks for them before every
// frame (and between a take's frames), a second one ends even a wait on a stalled disk,
// and the sound track is made a piece at a time as it is written, never whole up front
// (a take may hold the clock for hours).
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

// count sample frames of decoded music (interleaved 16-bit stereo) from sample frame
// first into out: silence before the music starts and after it ends.
void musicPiece(const std::vector<int16_t>& music, int64_t first, int64_t count, int16_t* out);

// Checks a capture request before any window opens: the span, the container or the
// folder, the name (see above); creates nothing. Makes the path absolute when --data will
// change the folder, and lets SIGINT and SIGTERM stop the capture. Returns false with a
// message.
bool prepareCapture(LaunchOptions& options, std::string& error);

// Renders and encodes the span once startup is done. Returns the exit status (see above).
int runCapture(AppState& app);
