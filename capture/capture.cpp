// The capture loop: the frame loop's own steps with a fixed frame duration and the part
// clock set to start + n / fps before every frame (computed in double, so no float drift
// builds up over 18,000 frames), no input, no music to follow; the finished picture goes
// through a pixel-buffer ring to the sink: the video encoder's thread, or the folder.
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
#include "capture/capture_folder.h"
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

#if VELMORA_VIDEO_CAPTURE
#include "capture/capture_encoder.h"
#endif

namespace {

// Set by an interrupt (Ctrl-C, SIGTERM): finish the file and stop. Atomic, not just
// sig_atomic_t: two interrupts may run their handlers at once on two threads.
std::atomic<int> g_stopSignal{0};
// Frames are being made: from then on an interrupt finishes the video with them.
std::atomic<bool> g_rendering{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "used in a signal handler");
// The unfinished file, for an interrupt that stops at once to remove: each name goes into
// the other buffer than the last, then is published, so a handler never reads one half
// written. Named by one thread at a time (the folder's writer, then the main thread).
char g_partPaths[2][4096 + 32];
int g_partPathNext = 0;
std::atomic<const char*> g_partPath{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free, "used in a signal handler");

void notePartFile(const char* path) {
    if (!path || std::strlen(path) >= sizeof g_partPaths[0]) {
        g_partPath = nullptr;
        return;
    }
    char* buffer = g_partPaths[g_partPathNext];
    g_partPathNext ^= 1;
    std::memcpy(buffer, path, std::strlen(path) + 1);
    g_partPath = buffer;
}

// The first interrupt while frames are made asks for the capture to be finished with them.
// Before the first frame (the show still loading) there is nothing to keep, and a second
// interrupt means "stop now", even in a wait on a stalled disk: the unfinished file goes
// rather than staying behind.
void stopCapture(int signal) {
    if (g_stopSignal.exchange(signal) == 0 && g_rendering) return;
    if (const char* part = g_partPath.load()) platform::remove_file_at_once(part);
    std::_Exit(128 + signal);
}

#if VELMORA_VIDEO_CAPTURE
// Earlier versions left their unfinished video as ".NAME.<process>.part" beside it; those
// of processes no longer running go with the next capture to the name.
void removeOldPartFiles(const std::string& path) {
    const std::filesystem::path target = std::filesystem::u8path(path);
    for (const platform::DeadTemporary& file :
         platform::dead_temporaries(target.parent_path().u8string(), "." + target.filename().u8string() + ".", ".part"))
        platform::remove_file(file.path);
}
#endif

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

// Moves the oldest frame read back into the sink.
bool handOn(FrameReadback& readback, CaptureSink& sink, std::string& error) {
    uint8_t* pixels = sink.nextFrame();
    if (!pixels) return false;  // the sink failed; finish() says why
    if (!collectFrame(readback, pixels)) {
        error = "cannot read the frame back from OpenGL";
        return false;
    }
    sink.submitFrame();
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

// The sound track of the span, made a piece at a time as the sink writes it: the show's
// music from the span's start, or as a replay's live player followed the take's clock.
// Without the music, `without` says what the capture then holds.
CaptureSound spanSound(const CaptureSpan& span, const TakeSession* replay, const char* without) {
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
        std::fprintf(stderr, "capture: no music (\"%s\": %s); %s\n", path, error.c_str(), without);
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
#if !VELMORA_VIDEO_CAPTURE
    if (!options.captureFolder) {
        error = "--capture " + shownLine(options.capture) +
                ": this build writes no video (it has no FFmpeg); capture into a folder of PNG frames and a WAV "
                "file instead: --capture FOLDER/";
        return false;
    }
#endif
    CaptureSpan span;
    std::string note;
    if (!captureSpan(options, captureEnd(options), span, note, error)) return false;
    if (options.captureFolder && span.frames * static_cast<int64_t>(platform::kMusicRate) / span.fps > kWavMaxFrames) {
        error = "a WAV file holds at most 6 h 12 min of sound: capture a shorter span into a folder (--duration)";
        return false;
    }
    if (!note.empty()) std::fprintf(stderr, "capture: %s\n", note.c_str());
    // The show runs in --data's folder; the capture goes where the command line meant it.
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path here = fs::current_path(ec);
    if (!options.dataDir.empty() && fs::u8path(options.capture).is_relative() && !ec)
        options.capture = (here / fs::u8path(options.capture)).u8string();
    if (options.captureFolder) {
        if (!checkCaptureFolder(options.capture, error)) return false;
    } else {
#if VELMORA_VIDEO_CAPTURE
        platform::WriteOptions writing;
        writing.inputs = runInputFiles(options);
        if (!checkCaptureFile(options.capture, writing, error)) return false;
#endif
    }
    // Installed before SDL starts, which then leaves both signals to us.
    platform::on_interrupt(stopCapture);
    return true;
}

namespace {

// The sink a run writes: opened, its first line said. Null with the line printed.
std::unique_ptr<CaptureSink> openSink(AppState& app, const CaptureSpan& span, TakeSession* replay,
                                      platform::FileWriter& video) {
    const LaunchOptions& options = app.options;
    const int width = app.window.width, height = app.window.height;
    const char* what = replay ? "take" : "show";
    const double end = span.start + static_cast<double>(span.frames) / span.fps;
    std::string error;
    if (options.captureFolder) {
        auto folder = std::make_unique<CaptureFolder>();
        CaptureFolderFormat format;
        format.width = width;
        format.height = height;
        format.fps = span.fps;
        format.writing.inputs = app.inputFiles;
        format.unfinished = notePartFile;
        if (!folder->open(options.capture, format, spanSound(span, replay, "sound.wav holds silence"), error)) {
            std::fprintf(stderr, "velmora: %s\n", error.c_str());
            return nullptr;
        }
        std::fprintf(stderr, "capture: %s, %dx%d at %d fps, %g s to %g s of the %s (%ld frames): PNG frames and sound.wav\n",
                     platform::printable(options.capture).c_str(), width, height, span.fps, span.start, end, what,
                     span.frames);
        return folder;
    }
#if VELMORA_VIDEO_CAPTURE
    removeOldPartFiles(options.capture);
    platform::WriteOptions writing;
    writing.inputs = app.inputFiles;
    if (video.open(options.capture, writing, error) != platform::FileWrite::Written) {
        std::fprintf(stderr, "velmora: %s\n", shownLine(error).c_str());
        return nullptr;
    }
    notePartFile(video.temporary().c_str());
    auto encoder = std::make_unique<CaptureEncoder>();
    if (!encoder->open(video, CaptureFormat{width, height, span.fps, options.crf},
                       spanSound(span, replay, "the video has no sound"), error)) {
        std::fprintf(stderr, "velmora: %s\n", error.c_str());
        return nullptr;
    }
    std::fprintf(stderr, "capture: %s, %dx%d at %d fps, %g s to %g s of the %s (%ld frames), CRF %d\n",
                 platform::printable(options.capture).c_str(), width, height, span.fps, span.start, end, what,
                 span.frames, options.crf);
    return encoder;
#else
    (void)video;
    return nullptr;  // prepareCapture refused it
#endif
}

}  // namespace

int runCapture(AppState& app) {
    const LaunchOptions& options = app.options;
    CaptureSpan span;
    std::string note, error;
    captureSpan(options, captureEnd(options), span, note, error);  // prepareCapture accepted it
    TakeSession* replay = replayedTake(app);

    // The picture as shown, at any render scale, at the size asked for whatever size the
    // hidden window came out (app/window_picture.h).
    const int width = app.window.width, height = app.window.height;
    platform::FileWriter video;  // the video's file; the folder writes its own
    std::unique_ptr<CaptureSink> sink = openSink(app, span, replay, video);
    if (!sink) return 1;
    const char* what = replay ? "take" : "show";

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
        if (readbackFull(readback)) ok = handOn(readback, *sink, error);
        readFrame(readback, app.window.pictureFramebuffer);
        showProgress(progress, n + 1, stderr);
    }
    while (ok && readback.collected < readback.started) ok = handOn(readback, *sink, error);
    endProgress(progress, stderr);
    endReadback(readback);

    const int signal = g_stopSignal;
    const std::string shown = platform::printable(options.capture);
    // A frame that could not be read back leaves a hole: no video then, and no sound beside
    // the frames before it. The sink's own failures come out of finish().
    const bool finished = error.empty() && sink->finish(error);
    const long frames = sink->framesSubmitted();
    if (!finished) {
        if (options.captureFolder)
            std::fprintf(stderr, "velmora: capture failed: %s; \"%s\" holds the %ld frames written before, and no sound.wav\n",
                         error.c_str(), shown.c_str(), frames);
        else
            std::fprintf(stderr, "velmora: capture failed: %s; nothing was written to \"%s\"\n", error.c_str(), shown.c_str());
        notePartFile(nullptr);
        return signal ? 128 + signal : 1;
    }
    if (!options.captureFolder) {
        const platform::FileWrite committed = video.commit(error);
        notePartFile(nullptr);
        if (committed != platform::FileWrite::Written) {
            std::fprintf(stderr, "velmora: %s\n", shownLine(error).c_str());
            return 1;
        }
    }
    const double elapsed = (platform::tick_count() - progress.startTicks) / 1e7;
    std::fprintf(stderr, "capture: %ld frames (%.3f s of the %s) in %.1f s, %.2f frames per second -> %s\n", frames,
                 static_cast<double>(frames) / span.fps, what, elapsed, frames / std::max(elapsed, 1e-9), shown.c_str());
    if (stoppedBy)
        std::fprintf(stderr, "capture: stopped early by %s after %ld of %ld frames; %s\n", stoppedBy, frames, span.frames,
                     options.captureFolder ? "the folder holds them with their sound" : "the video plays up to there");
    return 0;
}
