#include "app/take_session.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <thread>

#include "app/app_state.h"
#include "app/frame_finish.h"
#include "app/frame_loop.h"
#include "app/free_camera.h"
#include "app/part.h"
#include "app/take_file.h"
#include "app/take_stamp.h"
#include "app/version.h"
#include "clips/part_clips.h"  // kShowEnd
#include "platform/tick_clock.h"

static_assert(kTakeControls == NanoKONTROL2::kControls, "a take holds the whole control map");

namespace {

// Lateness the replay makes up by drawing frames back to back; a longer stall moves the
// rest of the take later instead, so that it never plays faster than it was performed.
constexpr double kCatchUpSeconds = 0.1;

uint8_t buttonMask(const AppState& app) {
    return static_cast<uint8_t>((app.buttonLeft ? 1 : 0) | (app.buttonMiddle ? 2 : 0) | (app.buttonRight ? 4 : 0));
}

std::string minutes(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%d:%04.1f", static_cast<int>(seconds / 60), seconds - 60 * static_cast<int>(seconds / 60));
    return text;
}

bool prepareReplay(AppState& app, TakeSession& s, std::string& error) {
    LaunchOptions& o = app.options;
    if (!readTakeFile(o.replay, s.take, error)) return false;
    const Take& t = s.take;
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
    o.replayLength = static_cast<float>(takeLength(t));
    s.times = takeFrameTimes(t);
    return true;
}

void applyInputs(AppState& app, const Take& take, const TakeFrame& frame) {
    for (uint32_t i = 0; i < frame.inputCount; ++i) {
        const TakeInput& in = take.inputs[frame.firstInput + i];
        platform::InputEvent event;
        switch (in.kind) {
        case TakeInputKind::Pointer:
            app.mouseX = in.x;
            app.mouseY = in.y;
            app.buttonLeft = in.buttons & 1;
            app.buttonMiddle = in.buttons & 2;
            app.buttonRight = in.buttons & 4;
            continue;
        case TakeInputKind::Key:
            event.kind = in.down ? platform::EventKind::KeyDown : platform::EventKind::KeyUp;
            event.repeat = in.repeat;
            event.scancode = in.scancode;
            event.sym = in.sym;
            break;
        case TakeInputKind::Wheel:
            event.kind = platform::EventKind::Wheel;
            event.wheelY = in.wheelY;
            break;
        case TakeInputKind::Midi:
            // The driver's own entry, on this thread: the show takes it as it took it live.
            MidiIn::midi_in_callback(nullptr, in.midiKind, reinterpret_cast<uintptr_t>(&app.nano_kontrol2),
                                     in.midiParam1, in.midiParam2);
            continue;
        }
        if (handleInputEvent(app, event) == InputAction::Exit) {  // an Escape a take never holds
            app.take->endReason = TakeEnd::Escape;
            std::exit(0);
        }
    }
}

}  // namespace

bool prepareTake(AppState& app, std::string& error) {
    const LaunchOptions& o = app.options;
    if (o.record.empty() && o.replay.empty()) return true;
    auto s = std::make_unique<TakeSession>();
    if (!o.record.empty()) {
        if (!s->writer.create(o.record, o.overwrite, error)) return false;
        s->recording = true;
        // Now rather than at the first frame, which would wait for it.
        s->stamp = stampShowData(o.dataDir.empty() ? "." : o.dataDir);
        // From now on, so that not even a knob turned while the show loads escapes the take.
        app.nano_kontrol2.defer_messages(true);
    } else {
        if (!prepareReplay(app, *s, error)) return false;
        s->replaying = true;
    }
    app.take = std::move(s);
    return true;
}

void beginTake(AppState& app) {
    TakeSession* s = app.take.get();
    if (!s) return;
    if (s->recording) {
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
        mapControllerInputs(app.nano_kontrol2, app.inputs);  // the first frame sees that start, as a replay's does
        h.data = s->stamp;
        std::string error;
        if (s->writer.begin(h, error)) {
            std::printf("Recording the performance into \"%s\"\n", s->writer.path().c_str());
        } else {
            std::printf("Recording: %s; the performance is not recorded\n", error.c_str());
            s->recording = false;
            app.nano_kontrol2.defer_messages(false);
            app.nano_kontrol2.deliver_deferred();
        }
    }
    if (s->replaying) {
        const TakeHeader& h = s->take.header;
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
        mapControllerInputs(app.nano_kontrol2, app.inputs);
        s->startTicks = app.lastTicks;  // startup's: the first frame's duration counts from here
        std::printf("Replay: \"%s\": %zu frames, %s, %s\n", app.options.replay.c_str(), s->take.frames.size(),
                    minutes(takeLength(s->take)).c_str(), takeEndText(s->take.end));
    }
    s->begun = true;
    std::fflush(stdout);
}

void waitForTakeFrame(AppState& app) {
    TakeSession& s = *app.take;
    if (!s.begun) return;
    if (s.next >= s.take.frames.size()) {
        std::exit(0);  // the take is over; finishTake says how it ended
    }
    // Frame k was polled live its own duration after the frame before it.
    const double due = s.times[s.next] + s.take.frames[s.next].dt + s.shift;
    const int64_t dueTicks = s.startTicks + static_cast<int64_t>(due * platform::kTicksPerSecond);
    const int64_t now = platform::tick_count();
    if (now < dueTicks) {
        std::this_thread::sleep_for(std::chrono::nanoseconds((dueTicks - now) * 100));
        return;
    }
    const double late = static_cast<double>(now - dueTicks) / platform::kTicksPerSecond;
    if (late <= kCatchUpSeconds) return;
    s.shift += late;
    s.behind += late;
    if (!s.saidBehind && s.behind > 0.5) {  // a stall or two is no news
        std::printf("Replay: this machine draws the take more slowly than it was performed; it plays every frame, "
                    "late\n");
        s.saidBehind = true;
    }
}

void noteTakeEvent(TakeSession& s, const platform::InputEvent& event) {
    if (!s.recording) return;
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
    s.inputs.push_back(in);
}

bool eventEndsReplay(const platform::InputEvent& event) {
    if (event.kind == platform::EventKind::Quit || event.kind == platform::EventKind::Close) return true;
    return event.kind == platform::EventKind::KeyDown && event.sym == platform::kKeyEscape;
}

TakeEnd takeEndFor(const platform::InputEvent& event) {
    if (event.kind == platform::EventKind::Quit) return TakeEnd::Interrupted;
    if (event.kind == platform::EventKind::Close) return TakeEnd::WindowClosed;
    return TakeEnd::Escape;
}

void takeInputStep(AppState& app) {
    TakeSession& s = *app.take;
    Part* part = app.parts.empty() ? nullptr : app.parts[app.currentPart];
    if (!s.begun) {  // the launcher: its clicks are not the performance, its MIDI is the take's start
        if (s.recording) app.nano_kontrol2.deliver_deferred();
        s.inputs.clear();
        return;
    }
    if (s.recording) {
        TakeInput pointer;
        pointer.kind = TakeInputKind::Pointer;
        pointer.x = app.mouseX;
        pointer.y = app.mouseY;
        pointer.buttons = buttonMask(app);
        if (!s.pointerRecorded || pointer.x != s.pointer.x || pointer.y != s.pointer.y ||
            pointer.buttons != s.pointer.buttons) {
            s.inputs.insert(s.inputs.begin(), pointer);
            s.pointer = pointer;
            s.pointerRecorded = true;
        }
        for (const MidiDriverMessage& m : app.nano_kontrol2.deliver_deferred()) {
            TakeInput in;
            in.kind = TakeInputKind::Midi;
            in.midiKind = m.kind;
            in.midiParam1 = m.param1;
            in.midiParam2 = m.param2;
            s.inputs.push_back(in);
        }
        TakeFrame frame;
        frame.dt = app.dt;
        frame.clock = part ? part->clock : 0.0f;
        s.lastClock = frame.clock;
        frame.inputCount = static_cast<uint32_t>(s.inputs.size());
        s.writer.addFrame(frame, s.inputs.data());
        s.inputs.clear();
    } else if (s.replaying && s.next < s.take.frames.size()) {
        const TakeFrame& frame = s.take.frames[s.next++];
        app.dt = frame.dt;
        applyInputs(app, s.take, frame);
        if (part) part->clock = frame.clock;
    }
}

void finishTake(AppState& app) {
    TakeSession* s = app.take.get();
    if (!s || s->ended) return;
    s->ended = true;
    TakeEnd end = s->endReason;
    if (s->recording) {
        // The show ends itself while it draws a frame whose clock is past its end.
        if (end == TakeEnd::Other && s->lastClock > kShowEnd) end = TakeEnd::ShowOver;
        const uint32_t frames = s->writer.frames();
        s->writer.finish(end, app.dt);
        std::printf("Recording: %u frames in \"%s\", %s\n", frames, s->writer.path().c_str(), takeEndText(end));
    } else if (s->replaying) {
        const Take& t = s->take;
        if (s->next < t.frames.size())
            std::printf("Replay: stopped at frame %zu of %zu (%s)\n", s->next, t.frames.size(), takeEndText(end));
        else if (!t.damage.empty())
            std::printf("Replay: played up to the damage, frame %zu (%s)\n", t.frames.size(), minutes(takeLength(t)).c_str());
        else
            std::printf("Replay: the take is over (%s, %s)\n", minutes(takeLength(t)).c_str(), takeEndText(t.end));
    }
    std::fflush(stdout);
}

bool takeCaptureFrame(AppState& app, double seconds) {
    TakeSession& s = *app.take;
    const Take& take = s.take;
    while (s.next < take.frames.size() && s.times[s.next] <= seconds) {
        applyInputs(app, take, take.frames[s.next++]);
        updateFreeCamera(app);  // the camera moves once a frame of the take, as it did live
        app.inputs.wheelStep = 0.0f;
    }
    const float clock = takeClockAt(take, s.times, seconds);
    if (app.parts.empty()) return false;
    // The clock the last frame's update left is the one the show checks its end against
    // while it draws the next frame.
    Part* part = app.parts[app.currentPart];
    if (clock > kShowEnd || part->clock > kShowEnd) return false;
    part->clock = clock;
    return true;
}

void steerTakeSchedule(TakeSession& s, float seconds) { s.shift -= seconds; }
