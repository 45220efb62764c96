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

#include "app/app_state.h"
#include "app/frame_finish.h"
#include "app/frame_loop.h"
#include "app/free_camera.h"
#include "app/part.h"
#include "capture/capture_encoder.h"
#include "capture/capture_progress.h"
#include "capture/frame_readback.h"
#include "platform/audio.h"
#include "platform/console.h"
#include "platform/interrupt.h"
#include "platform/printable.h"
#include "platform/tick_clock.h"
#include "take/take_music.h"
#include "take/take_session.h"

namespace {

// Set by an interrupt (Ctrl-C, SIGTERM): finish the file and stop. Atomic, not just
// sig_atomic_t: two interrupts may run their handlers at once on two threads.
std::atomic<int> g_stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "used in a signal handler");
char g_partPath[4096 + 16];  // the unfinished file, for a second interrupt to remove

// The first interrupt asks for the file to be finished; a second one means "stop now":
// the unfinished file could not be played, so it goes rather than staying behind hidden.
void stopCapture(int signal) {
    if (g_stopSignal.exchange(signal) == 0) return;
    if (g_partPath[0]) platform::remove_file_at_once(g_partPath);
    std::_Exit(128 + signal);
}

// One frame of the show as the frame loop plays it, but dt is fixed and nothing is read
// from the mouse or the keyboard: the camera stays as FreeCam.bin left it.
void stepFrame(AppState& app, float dt) {
    app.dt = dt;
    app.inputs.time += dt;
    app.inputs.wheelStep = 0.0f;
    updateFreeCamera(app);
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

// A replay's frame `seconds` into the take: every frame of the take up to then handed to the
// show as the input step would (camera included), and the part clock set to the take's
// there. False once the show has ended by then.
bool replayFrameAt(AppState& app, TakeSession& replay, double seconds) {
    ReplayedFrame frame;
    while (replay.frameBy(seconds, frame)) {
        applyReplayedInputs(app, frame);
        updateFreeCamera(app);  // the camera moves once a frame of the take, as it did live
        app.inputs.wheelStep = 0.0f;
    }
    const float clock = replay.clockAt(seconds);
    if (app.parts.empty()) return false;
    // The clock the last frame's update left is the one the show checks its end against
    // while it draws the next frame.
    Part* part = app.parts[app.currentPart];
    if (clock > kShowEnd || part->clock > kShowEnd) return false;
    part->clock = clock;
    return true;
}

std::vector<int16_t> spanMusic(const CaptureSpan& span, const TakeSession* replay) {
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
    // A replay's sound follows the take's clock as the live player did.
    if (replay) return takeMusic(music, replay->take(), count);
    cutMusic(music, first, count);
    return music;
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

void cutMusic(std::vector<int16_t>& music, int64_t first, int64_t count) {
    const int64_t have = static_cast<int64_t>(music.size() / 2);
    if (first > 0)
        music.erase(music.begin(), music.begin() + std::min(first, have) * 2);
    else if (first < 0)
        music.insert(music.begin(), static_cast<size_t>(-first) * 2, 0);
    music.resize(static_cast<size_t>(count) * 2, 0);
    music.shrink_to_fit();
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
    if (!checkCaptureFile(options.capture, error)) return false;
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
    CaptureEncoder encoder;
    if (!encoder.open(options.capture, CaptureFormat{width, height, span.fps, options.crf}, spanMusic(span, replay), error)) {
        std::fprintf(stderr, "velmora: %s\n", error.c_str());
        return 1;
    }
    const std::string part = captureTempPath(options.capture);
    if (part.size() < sizeof g_partPath) std::memcpy(g_partPath, part.c_str(), part.size() + 1);
    const char* what = replay ? "take" : "show";
    std::fprintf(stderr, "capture: %s, %dx%d at %d fps, %g s to %g s of the %s (%ld frames), CRF %d\n",
                 platform::printable(options.capture).c_str(), width, height, span.fps, span.start,
                 span.start + static_cast<double>(span.frames) / span.fps, what, span.frames, options.crf);

    FrameReadback readback;
    beginReadback(readback, width, height);
    CaptureProgress progress;
    startProgress(progress, span.frames, platform::is_terminal(stderr));
    const float dt = 1.0f / static_cast<float>(span.fps);
    bool ok = true;
    for (long n = 0; ok && n < span.frames && !g_stopSignal; ++n) {
        if (!replay) {
            app.parts.at(app.currentPart)->clock = static_cast<float>(span.start + static_cast<double>(n) / span.fps);
        } else if (!replayFrameAt(app, *replay, static_cast<double>(n) / span.fps)) {
            std::fprintf(stderr, "capture: the show ends %.3f s into the take: the capture stops there\n",
                         static_cast<double>(n) / span.fps);
            break;
        }
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
    const double seconds = (platform::tick_count() - progress.startTicks) / 1e7;
    std::fprintf(stderr, "capture: %ld frames (%.3f s of the %s) in %.1f s, %.2f frames per second -> %s\n", frames,
                 static_cast<double>(frames) / span.fps, what, seconds, frames / std::max(seconds, 1e-9),
                 platform::printable(options.capture).c_str());
    if (!signal) return 0;
    std::fprintf(stderr, "capture: stopped by %s after %ld of %ld frames; the video plays up to there\n",
                 signal == platform::kInterruptSignal ? "SIGINT" : "SIGTERM", frames, span.frames);
    return 128 + signal;
}
