// The capture loop: the frame loop's own steps with a fixed frame duration and the part
// clock set to start + n / fps before every frame (computed in double, so no float drift
// builds up over 18,000 frames), no input, no music to follow; the finished picture goes
// through a pixel-buffer ring to the encoder thread.
#include "capture/capture.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "app/app_state.h"
#include "app/frame_finish.h"
#include "app/frame_loop.h"
#include "app/free_camera.h"
#include "app/part.h"
#include "capture/capture_encoder.h"
#include "capture/capture_progress.h"
#include "capture/frame_readback.h"
#include "capture/output_line.h"
#include "platform/audio.h"
#include "platform/console.h"
#include "platform/file_io.h"
#include "platform/file_write.h"
#include "platform/interrupt.h"
#include "platform/printable.h"
#include "platform/tick_clock.h"
#include "take/take_music.h"
#include "take/take_session.h"

namespace {

// Set by an interrupt (Ctrl-C, SIGTERM): finish the file and stop. Atomic, not just
// sig_atomic_t: two interrupts may run their handlers at once on two threads.
std::atomic<int> g_stopSignal{0};
// Frames are being made: from then on an interrupt finishes the video with them.
std::atomic<bool> g_rendering{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "used in a signal handler");
char g_partPath[4096 + 32];  // the unfinished file, for an interrupt that stops at once to remove

// The first interrupt while frames are made asks for the video to be finished with them.
// Before the first frame (the show still loading) there is nothing to keep, and a second
// interrupt means "stop now", even in a wait on a stalled disk: the unfinished file goes
// rather than staying behind.
void stopCapture(int signal) {
    if (g_stopSignal.exchange(signal) == 0 && g_rendering) return;
    if (g_partPath[0]) platform::remove_file_at_once(g_partPath);
    std::_Exit(128 + signal);
}

// Earlier versions left their unfinished video as ".NAME.<process>.part" beside it; those
// of processes no longer running go with the next capture to the name.
void removeOldPartFiles(const std::string& path) {
    const std::filesystem::path target = std::filesystem::u8path(path);
    for (const platform::DeadTemporary& file :
         platform::dead_temporaries(target.parent_path().u8string(), "." + target.filename().u8string() + ".", ".part"))
        platform::remove_file(file.path);
}

// What stops a capture from outside, once asked: an interrupt, or Escape or a close in
// its window (hidden, but a window manager may still show it). Null while nothing has.
const char* stopRequested() {
    if (const int signal = g_stopSignal) return signal == platform::kInterruptSignal ? "SIGINT" : "SIGTERM";
    platform::pump_events();
    platform::InputEvent event;
    while (platform::poll_event(event)) {
        if (!eventEndsRun(event)) continue;
        if (event.kind == platform::EventKind::Close) return "closing the window";
        return event.kind == platform::EventKind::Quit ? "SIGINT" : "Escape";
    }
    return nullptr;
}

// One frame of the show as the frame loop plays it, but dt is fixed and nothing is read
// from the mouse or the keyboard: the camera stays as FreeCam.bin left it.
void stepFrame(AppState& app, float dt) {
    app.dt = dt;
    app.inputs.time += dt;
    app.inputs.wheelStep = 0.0f;
    updateFreeCamera(app);
    // As the live input step does: the controls a take's frames delivered are drawn now.
    if (app.controlsAtPoll) mapControllerInputs(app.nano_kontrol2, app.inputs);
    driveParts(app);
    finishFrame(app);
}

// Moves the oldest frame read back into the encoder's ring.
bool handOn(FrameReadback& readback, CaptureEncoder& encoder, std::string& error) {
    uint8_t* pixels = encoder.nextFrame();
    if (!pixels) return false;  // the encoder failed; finish() says why
    if (!collectFrame(readback, pixels)) {
        error = "cannot read the frame back from OpenGL";
        return false;
    }
    encoder.submitFrame();
    return true;
}

// Where a replay's frame leaves the capture: drawn, or the end of the performance.
enum class ReplayStep { Draw, ShowOver, Escape, Stopped };

// A replay's frame `seconds` into the take: every frame of the take up to then handed to the
// show as the input step would (camera included), and the part clock set to the take's
// there.
ReplayStep replayFrameAt(AppState& app, TakeSession& replay, double seconds) {
    ReplayedFrame frame;
    while (replay.frameBy(seconds, frame)) {
        // The performance ended at a replayed Escape; so does its video, kept whole.
        if (applyControlInputs(app, frame.inputs, frame.inputCount) == InputAction::Exit) return ReplayStep::Escape;
        updateFreeCamera(app);  // the camera moves once a frame of the take, as it did live
        app.inputs.wheelStep = 0.0f;
        if (g_stopSignal) return ReplayStep::Stopped;  // a take's frames may all fall due at once
    }
    const float clock = replay.clockAt(seconds);
    if (app.parts.empty()) return ReplayStep::ShowOver;
    // The clock the last frame's update left is the one the show checks its end against
    // while it draws the next frame.
    Part* part = app.parts[app.currentPart];
    if (clock > kShowEnd || part->clock > kShowEnd) return ReplayStep::ShowOver;
    part->clock = clock;
    return ReplayStep::Draw;
}

// The sound track of the span, made a piece at a time on the encoder's thread: the show's
// music from the span's start, or as a replay's live player followed the take's clock.
CaptureSound spanSound(const CaptureSpan& span, const TakeSession* replay) {
    // The show's music, as startup plays it.
    const char* path = "music//Zo-velmora.mp3";
    std::vector<int16_t> music;
    std::string error;
    const int64_t rate = platform::kMusicRate;
    const int64_t first = std::llround(span.start * rate), count = span.frames * rate / span.fps;
    // Only as far as the span reaches: an hour-long track is not decoded for a short capture.
    // A take's clock may have been anywhere in the show, so a replay needs what startup loads.
    const int64_t reach = replay ? static_cast<int64_t>((kShowEnd + 1.0f) * rate) : std::max<int64_t>(first + count, 1);
    if (!platform::decode_mp3(path, music, error, reach)) {
        std::fprintf(stderr, "capture: no music (\"%s\": %s); the video has no sound\n", path, error.c_str());
        return {};
    }
    if (replay) {
        struct Track {
            std::vector<int16_t> music;
            TakeMusicStream stream;  // reads music and the take, which outlive the capture
        };
        auto track = std::make_shared<Track>();
        track->music = std::move(music);
        startTakeMusic(track->stream, track->music, replay->take());
        return [track](int16_t* out, int64_t frames) { nextTakeMusic(track->stream, out, frames); };
    }
    auto track = std::make_shared<std::vector<int16_t>>(std::move(music));
    return [track, at = first](int16_t* out, int64_t frames) mutable {
        musicPiece(*track, at, frames, out);
        at += frames;
    };
}

}  // namespace

float captureEnd(const LaunchOptions& options) { return options.replay.empty() ? kShowEnd : options.replayLength; }

bool captureSpan(const LaunchOptions& options, float showEnd, CaptureSpan& span, std::string& note,
                 std::string& error) {
    const char* what = options.replay.empty() ? "show" : "take";
    span.fps = options.fps;
    span.start = options.startGiven ? options.startClock : 0.0;
    const long toEnd = std::lround((showEnd - span.start) * options.fps);
    span.frames = options.durationGiven ? std::lround(static_cast<double>(options.duration) * options.fps) : toEnd;
    char text[200];
    if (toEnd <= 0) {
        std::snprintf(text, sizeof text, "the capture would start at %g s, where the %s has ended (%g s): nothing to capture",
                      span.start, what, showEnd);
        error = text;
        return false;
    }
    if (span.frames <= 0) {
        std::snprintf(text, sizeof text, "--duration %g s is less than one frame at %d fps: nothing to capture",
                      options.duration, options.fps);
        error = text;
        return false;
    }
    if (span.frames > toEnd) {
        span.frames = toEnd;
        std::snprintf(text, sizeof text, "the %s ends at %g s: the capture stops there, after %g s", what, showEnd,
                      static_cast<double>(toEnd) / options.fps);
        note = text;
    }
    return true;
}

void musicPiece(const std::vector<int16_t>& music, int64_t first, int64_t count, int16_t* out) {
    const int64_t have = static_cast<int64_t>(music.size() / 2);
    for (int64_t i = 0; i < count; ++i) {
        const int64_t at = first + i;
        const bool inside = at >= 0 && at < have;
        out[i * 2] = inside ? music[static_cast<size_t>(at) * 2] : 0;
        out[i * 2 + 1] = inside ? music[static_cast<size_t>(at) * 2 + 1] : 0;
    }
}

bool prepareCapture(LaunchOptions& options, std::string& error) {
    CaptureSpan span;
    std::string note;
    if (!captureSpan(options, captureEnd(options), span, note, error)) return false;
    if (!note.empty()) std::fprintf(stderr, "capture: %s\n", note.c_str());
    // The show runs in --data's folder; the file goes where the command line meant it.
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path here = fs::current_path(ec);
    if (!options.dataDir.empty() && fs::u8path(options.capture).is_relative() && !ec)
        options.capture = (here / fs::u8path(options.capture)).u8string();
    platform::WriteOptions writing;
    writing.inputs = runInputFiles(options);
    if (!checkCaptureFile(options.capture, writing, error)) return false;
    // Installed before SDL starts, which then leaves both signals to us.
    platform::on_interrupt(stopCapture);
    return true;
}

int runCapture(AppState& app) {
    const LaunchOptions& options = app.options;
    CaptureSpan span;
    std::string note, error;
    captureSpan(options, captureEnd(options), span, note, error);  // prepareCapture accepted it
    TakeSession* replay = replayedTake(app);

    const int width = app.window.width, height = app.window.height;  // the picture as shown, at any render scale
    int drawableW = 0, drawableH = 0;
    platform::drawable_size(app.window.window, drawableW, drawableH);
    if (drawableW != width || drawableH != height) {
        std::fprintf(stderr, "velmora: the hidden window came out %dx%d instead of %dx%d; no capture\n", drawableW,
                     drawableH, width, height);
        return 1;
    }
    removeOldPartFiles(options.capture);
    platform::FileWriter out;
    platform::WriteOptions writing;
    writing.inputs = app.inputFiles;
    if (out.open(options.capture, writing, error) != platform::FileWrite::Written) {
        std::fprintf(stderr, "velmora: %s\n", shownLine(error).c_str());
        return 1;
    }
    if (out.temporary().size() < sizeof g_partPath) std::memcpy(g_partPath, out.temporary().c_str(), out.temporary().size() + 1);
    CaptureEncoder encoder;
    if (!encoder.open(out, CaptureFormat{width, height, span.fps, options.crf}, spanSound(span, replay), error)) {
        std::fprintf(stderr, "velmora: %s\n", error.c_str());
        return 1;
    }
    const char* what = replay ? "take" : "show";
    std::fprintf(stderr, "capture: %s, %dx%d at %d fps, %g s to %g s of the %s (%ld frames), CRF %d\n",
                 platform::printable(options.capture).c_str(), width, height, span.fps, span.start,
                 span.start + static_cast<double>(span.frames) / span.fps, what, span.frames, options.crf);

    FrameReadback readback;
    beginReadback(readback, width, height);
    CaptureProgress progress;
    startProgress(progress, span.frames, platform::is_terminal(stderr));
    const float dt = 1.0f / static_cast<float>(span.fps);
    const char* stoppedBy = nullptr;
    bool ok = true;
    g_rendering = true;
    for (long n = 0; ok && n < span.frames; ++n) {
        if ((stoppedBy = stopRequested())) break;
        const double seconds = static_cast<double>(n) / span.fps;
        const ReplayStep step = replay ? replayFrameAt(app, *replay, seconds) : ReplayStep::Draw;
        if (step == ReplayStep::Stopped) continue;  // said at the top of the loop
        if (step != ReplayStep::Draw) {
            std::fprintf(stderr, "capture: %s %.3f s into the take: the capture stops there\n",
                         step == ReplayStep::Escape ? "the performance ended with Escape" : "the show ends", seconds);
            break;
        }
        if (!replay) app.parts.at(app.currentPart)->clock = static_cast<float>(span.start + seconds);
        stepFrame(app, dt);
        if (readbackFull(readback)) ok = handOn(readback, encoder, error);
        readFrame(readback);
        showProgress(progress, n + 1, stderr);
    }
    while (ok && readback.collected < readback.started) ok = handOn(readback, encoder, error);
    endProgress(progress, stderr);
    endReadback(readback);

    const int signal = g_stopSignal;
    const long frames = encoder.framesSubmitted();
    // A frame that could not be read back leaves a hole: no file then. The encoder's own
    // failures come out of finish().
    if (!error.empty() || !encoder.finish(error)) {
        std::fprintf(stderr, "velmora: capture failed: %s; nothing was written to \"%s\"\n", error.c_str(),
                     platform::printable(options.capture).c_str());
        return signal ? 128 + signal : 1;
    }
    const platform::FileWrite committed = out.commit(error);
    g_partPath[0] = '\0';
    if (committed != platform::FileWrite::Written) {
        std::fprintf(stderr, "velmora: %s\n", shownLine(error).c_str());
        return 1;
    }
    const double elapsed = (platform::tick_count() - progress.startTicks) / 1e7;
    std::fprintf(stderr, "capture: %ld frames (%.3f s of the %s) in %.1f s, %.2f frames per second -> %s\n", frames,
                 static_cast<double>(frames) / span.fps, what, elapsed, frames / std::max(elapsed, 1e-9),
                 platform::printable(options.capture).c_str());
    if (stoppedBy)
        std::fprintf(stderr, "capture: stopped early by %s after %ld of %ld frames; the video plays up to there\n",
                     stoppedBy, frames, span.frames);
    return 0;
}
