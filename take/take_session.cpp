#include "take/take_session.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <thread>

#include "app/app_state.h"
#include "app/part.h"
#include "platform/tick_clock.h"
#include "take/take_file.h"
#include "take/take_stamp.h"
#include "take/version.h"

static_assert(kTakeControls == NanoKONTROL2::kControls, "a take holds the whole control map");

namespace {

// Lateness the replay makes up by drawing frames back to back; a longer stall moves the
// rest of the take later instead, so that it never plays faster than it was performed.
constexpr double kCatchUpSeconds = 0.1;
// A frame's longest duration (0.35 s) and the lateness made up.
constexpr double kLongestWait = 0.45;

uint8_t buttonMask(const AppState& app) {
    return static_cast<uint8_t>((app.buttonLeft ? 1 : 0) | (app.buttonMiddle ? 2 : 0) | (app.buttonRight ? 4 : 0));
}

std::string minutes(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%d:%04.1f", static_cast<int>(seconds / 60), seconds - 60 * static_cast<int>(seconds / 60));
    return text;
}

TakeEnd takeEndFor(RunEnd why) {
    switch (why) {
    case RunEnd::Escape: return TakeEnd::Escape;
    case RunEnd::WindowClosed: return TakeEnd::WindowClosed;
    case RunEnd::Interrupted: return TakeEnd::Interrupted;
    case RunEnd::FrameLimit: return TakeEnd::FrameLimit;
    }
    return TakeEnd::Other;
}

}  // namespace

bool TakeSession::prepare(AppState& app, std::string& error) {
    LaunchOptions& o = app.options;
    if (!o.record.empty()) {
        // The show runs in --data's folder; the take goes where the command line meant it.
        std::error_code ec;
        const std::filesystem::path named = std::filesystem::u8path(o.record);
        if (!o.dataDir.empty() && named.is_relative()) {
            const std::filesystem::path full = std::filesystem::absolute(named, ec);
            if (!ec) o.record = full.u8string();
        }
        LaunchOptions others = o;  // the run's inputs but the take itself
        others.record.clear();
        if (!writer_.create(o.record, o.overwrite, runInputFiles(others), error)) return false;
        recording_ = true;
        // Now rather than at the first frame, which would wait for it.
        stamp_ = stampShowData(o.dataDir.empty() ? "." : o.dataDir);
        // From now on, so that not even a knob turned while the show loads escapes the take.
        app.nano_kontrol2.defer_messages(true);
        return true;
    }
    if (!prepareReplay(app, error)) return false;
    replaying_ = true;
    return true;
}

bool TakeSession::prepareReplay(AppState& app, std::string& error) {
    LaunchOptions& o = app.options;
    if (!readTakeFile(o.replay, take_, error)) return false;
    const Take& t = take_;
    const TakeHeader& h = t.header;
    if (t.frames.empty()) {
        error = "\"" + o.replay + "\" holds no frame to play" + (t.damage.empty() ? "" : ": " + t.damage);
        return false;
    }
    std::string differs;
    if (h.version != programVersion())
        differs = "it was recorded by velmora " + h.version + " and this is velmora " + programVersion();
    const std::string data = stampDifference(h.data, stampShowData(o.dataDir.empty() ? "." : o.dataDir));
    if (!data.empty()) differs += (differs.empty() ? "" : "; ") + ("it was recorded with other show data: " + data);
    if (!differs.empty()) {
        if (!o.force) {
            error = "\"" + o.replay + "\": " + differs + "; a replay would not be the performance (--force plays it anyway)";
            return false;
        }
        std::printf("Replay: %s; played anyway (--force)\n", differs.c_str());
    }
    if (!t.damage.empty()) std::printf("Replay: \"%s\": %s\n", o.replay.c_str(), t.damage.c_str());
    if (t.trailing)
        std::printf("Replay: \"%s\": %llu bytes after the take's closing record are not played\n", o.replay.c_str(),
                    static_cast<unsigned long long>(t.trailing));

    // The take's window, unless asked otherwise: the mouse positions are its pixels.
    if (!o.resGiven) {
        o.width = h.width;
        o.height = h.height;
    } else if (o.width != h.width || o.height != h.height) {
        std::printf("Replay: recorded in a %dx%d window, drawn at %dx%d\n", h.width, h.height, o.width, o.height);
    }
    if (!o.capture.empty() && (o.width % 2 || o.height % 2)) {
        error = "the take was recorded in a " + std::to_string(o.width) + "x" + std::to_string(o.height) +
                " window; a capture needs an even width and height (give one with --res)";
        return false;
    }
    if (!o.modeGiven && !o.batch()) o.fullscreen = h.fullscreen;
    o.launcher = false;
    o.midi = false;
    // The MIDI plays through the map it was performed with, whatever map is here now;
    // --controller plays it through another one instead.
    if (o.controller.empty()) {
        app.controllerMap = builtInControllerMap();
        app.controllerMap.name = "the take's own map";
        if (!h.controllerMap.empty()) parseControllerMap(h.controllerMap, app.controllerMap, error);
        app.controllerMapChosen = true;
    }
    // Takes of format 1 were performed with the controls reaching the frame after the one
    // that took them in: replayed the same way, they draw the same frames.
    app.controlsAtPoll = t.format >= 2;
    o.replayLength = static_cast<float>(takeLength(t));
    times_ = takeFrameTimes(t);
    return true;
}

bool prepareTake(AppState& app, std::string& error) {
    const LaunchOptions& o = app.options;
    if (o.record.empty() && o.replay.empty()) return true;
    auto session = std::make_unique<TakeSession>();
    if (!session->prepare(app, error)) return false;
    app.inputSource = std::move(session);
    return true;
}

TakeSession* replayedTake(AppState& app) {
    auto* session = dynamic_cast<TakeSession*>(app.inputSource.get());
    return session && session->replaying() ? session : nullptr;
}

void TakeSession::begin(AppState& app) {
    if (recording_) beginRecording(app);
    if (replaying_) beginReplay(app);
    begun_ = true;
    std::fflush(stdout);
}

void TakeSession::beginRecording(AppState& app) {
    TakeHeader h;
    h.version = programVersion();
    h.width = app.window.width;
    h.height = app.window.height;
    h.fullscreen = app.fullscreen;
    h.recordedAt = static_cast<int64_t>(std::time(nullptr));
    h.camera = app.camera;
    h.dragX = app.dragX;
    h.dragY = app.dragY;
    h.prevMouseX = app.prevMouseX;
    h.prevMouseY = app.prevMouseY;
    h.wheel = app.inputs.wheel;
    for (uint16_t key = 0; key < 512; ++key)
        if (app.keys[key]) h.heldKeys.push_back(key);
    app.nano_kontrol2.deliver_deferred();  // what came in while the show loaded is its start
    for (int i = 0; i < kTakeControls; ++i) {
        h.controlValues[i] = app.nano_kontrol2.value(i);
        h.toggleStates[i] = app.nano_kontrol2.toggle(i);
    }
    h.data = stamp_;
    h.controllerMap = formatControllerMap(*app.nano_kontrol2.map());
    std::string error;
    if (writer_.begin(h, error)) {
        std::printf("Recording the performance into \"%s\"\n", writer_.path().c_str());
    } else {
        std::printf("Recording: %s\n", error.c_str());
        recording_ = false;
        failed_ = true;
        app.nano_kontrol2.defer_messages(false);
        app.nano_kontrol2.deliver_deferred();
    }
}

void TakeSession::beginReplay(AppState& app) {
    const TakeHeader& h = take_.header;
    app.camera = h.camera;
    app.dragX = h.dragX;
    app.dragY = h.dragY;
    app.prevMouseX = h.prevMouseX;
    app.prevMouseY = h.prevMouseY;
    app.inputs.wheel = h.wheel;
    for (uint16_t key : h.heldKeys) app.keys[key] = true;
    for (int i = 0; i < kTakeControls; ++i) {
        app.nano_kontrol2.control_values[i].store(h.controlValues[i], std::memory_order_relaxed);
        app.nano_kontrol2.toggle_states[i].store(h.toggleStates[i], std::memory_order_relaxed);
    }
    startTicks_ = app.lastTicks;  // startup's: the first frame's duration counts from here
    std::printf("Replay: \"%s\": %zu frames, %s, %s\n", app.options.replay.c_str(), take_.frames.size(),
                minutes(takeLength(take_)).c_str(), takeEndText(take_.end));
}

bool TakeSession::awaitFrame() {
    if (!begun_) return true;
    if (next_ >= take_.frames.size()) return false;  // the take is over; finish() says how it ended
    // Frame k was polled live its own duration after the frame before it.
    const double due = times_[next_] + take_.frames[next_].dt + shift_;
    const int64_t dueTicks = startTicks_ + static_cast<int64_t>(due * platform::kTicksPerSecond);
    const int64_t now = platform::tick_count();
    if (now < dueTicks) {
        // Never longer than a frame lasts, whatever the schedule says: Escape and the
        // signals are seen at the next poll.
        const int64_t wait = std::min<int64_t>(dueTicks - now, static_cast<int64_t>(kLongestWait * platform::kTicksPerSecond));
        std::this_thread::sleep_for(std::chrono::nanoseconds(wait * 100));
        return true;
    }
    const double late = static_cast<double>(now - dueTicks) / platform::kTicksPerSecond;
    if (late <= kCatchUpSeconds) return true;
    shift_ += late;
    behind_ += late;
    if (!saidBehind_ && behind_ > 0.5) {  // a stall or two is no news
        std::printf("Replay: this machine draws the take more slowly than it was performed; it plays every frame, "
                    "late\n");
        saidBehind_ = true;
    }
    return true;
}

void TakeSession::noteEvent(const platform::InputEvent& event) {
    if (!recording_) return;
    TakeInput in;
    if (event.kind == platform::EventKind::KeyDown || event.kind == platform::EventKind::KeyUp) {
        in.kind = TakeInputKind::Key;
        in.down = event.kind == platform::EventKind::KeyDown;
        in.repeat = event.repeat;
        const int scancode = event.scancode;
        if (scancode < 0 || scancode >= platform::kMaxScancode) return;  // the show ignores it too
        in.scancode = static_cast<uint16_t>(scancode);
        in.sym = event.sym;
    } else if (event.kind == platform::EventKind::Wheel && event.wheelY != 0) {
        in.kind = TakeInputKind::Wheel;
        in.wheelY = event.wheelY;
    } else {
        return;  // the mouse's motion and buttons are recorded as the state they leave
    }
    inputs_.push_back(in);
}

bool TakeSession::frameInputs(AppState& app, ReplayedFrame& frame) {
    if (!begun_) {  // the launcher: its clicks are not the performance, its MIDI is the take's start
        if (recording_) app.nano_kontrol2.deliver_deferred();
        inputs_.clear();
        return false;
    }
    if (recording_) {
        recordFrame(app);
        return false;
    }
    if (!replaying_ || next_ >= take_.frames.size()) return false;
    return replayedFrame(next_++, frame);
}

void TakeSession::recordFrame(AppState& app) {
    TakeInput pointer;
    pointer.kind = TakeInputKind::Pointer;
    pointer.x = app.mouseX;
    pointer.y = app.mouseY;
    pointer.buttons = buttonMask(app);
    if (!pointerRecorded_ || pointer.x != pointer_.x || pointer.y != pointer_.y || pointer.buttons != pointer_.buttons) {
        inputs_.insert(inputs_.begin(), pointer);
        pointer_ = pointer;
        pointerRecorded_ = true;
    }
    for (const MidiDriverMessage& m : app.nano_kontrol2.deliver_deferred()) {
        TakeInput in;
        in.kind = TakeInputKind::Midi;
        in.midiKind = m.kind;
        in.midiParam1 = m.param1;
        in.midiParam2 = m.param2;
        inputs_.push_back(in);
    }
    const Part* part = app.parts.empty() ? nullptr : app.parts[app.currentPart];
    TakeFrame frame;
    frame.dt = app.dt;
    frame.clock = part ? part->clock : 0.0f;
    lastClock_ = frame.clock;
    frame.inputCount = static_cast<uint32_t>(inputs_.size());
    writer_.addFrame(frame, inputs_.data());
    inputs_.clear();
}

bool TakeSession::replayedFrame(size_t index, ReplayedFrame& frame) {
    std::string why;
    if (!readTakeInputs(take_, index, inputs_, why)) {
        // Played on without its inputs, the replay would no longer be the performance.
        std::printf("Replay: %s; the replay stops at frame %zu of %zu\n", why.c_str(), index, take_.frames.size());
        std::fflush(stdout);
        failed_ = true;
        next_ = take_.frames.size();
        return false;
    }
    const TakeFrame& f = take_.frames[index];
    frame.dt = f.dt;
    frame.clock = f.clock;
    frame.inputs = inputs_.data();
    frame.inputCount = static_cast<uint32_t>(inputs_.size());
    return true;
}

void TakeSession::ending(RunEnd why) { endReason_ = takeEndFor(why); }

bool TakeSession::steerMusic(float seconds) {
    if (!replaying_) return false;
    shift_ -= seconds;
    return true;
}

void TakeSession::finish(const AppState& app) {
    if (ended_) return;
    ended_ = true;
    TakeEnd end = endReason_;
    if (recording_) {
        // The show ends itself while it draws a frame whose clock is past its end.
        const Part* part = app.parts.empty() ? nullptr : app.parts[app.currentPart];
        if (end == TakeEnd::Other && (lastClock_ > kShowEnd || (part && part->clock > kShowEnd))) end = TakeEnd::ShowOver;
        const uint32_t frames = writer_.frames();
        std::string why;
        switch (writer_.finish(end, app.dt, why)) {
        case platform::FileWrite::Written:
            std::printf("Recording: %u frames in \"%s\", %s\n", frames, writer_.path().c_str(), takeEndText(end));
            break;
        case platform::FileWrite::Changed:
            std::printf("Recording: %u frames, %s; %s\n", frames, takeEndText(end), why.c_str());
            failed_ = true;
            break;
        default:
            if (!why.empty()) std::printf("Recording: %s\n", why.c_str());
            failed_ = true;
        }
    } else if (replaying_) {
        const Take& t = take_;
        if (next_ < t.frames.size())
            std::printf("Replay: stopped at frame %zu of %zu (%s)\n", next_, t.frames.size(), takeEndText(end));
        else if (!t.damage.empty())
            std::printf("Replay: played up to the damage, frame %zu (%s)\n", t.frames.size(), minutes(takeLength(t)).c_str());
        else
            std::printf("Replay: the take is over (%s, %s)\n", minutes(takeLength(t)).c_str(), takeEndText(t.end));
    }
    std::fflush(stdout);
}

bool TakeSession::frameBy(double seconds, ReplayedFrame& frame) {
    if (next_ >= take_.frames.size() || times_[next_] > seconds) return false;
    return replayedFrame(next_++, frame);
}

void exitWithTakeStatus(const AppState& app) {
    const auto* session = dynamic_cast<const TakeSession*>(app.inputSource.get());
    if (!session || !session->failed()) return;
    std::fflush(nullptr);
    std::_Exit(1);
}

float TakeSession::clockAt(double seconds) const { return takeClockAt(take_, times_, seconds); }
