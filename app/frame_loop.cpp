#include "app/frame_loop.h"

#include <cmath>
#include <cstdlib>
#include <iostream>

#include "app/frame_finish.h"
#include "app/free_camera.h"
#include "app/music_sync.h"
#include "app/part.h"
#include "app/window_picture.h"
#include "platform/gl.h"
#include "platform/tick_clock.h"

float frameDuration(int64_t now, int64_t last) {
    float dt = static_cast<float>(static_cast<double>(now - last) / 10000000.0);
    if (dt > 0.35f) dt = 0.05f;  // a stall (or the very first poll) never jumps the clocks
    return dt;
}

InputAction handleInputEvent(AppState& app, const platform::InputEvent& event) {
    using platform::EventKind;
    switch (event.kind) {
    case EventKind::Close:
    case EventKind::Quit:  // Ctrl-C in the terminal
        return InputAction::Exit;
    case EventKind::KeyDown:
        std::cout << "KEY: " << event.scancode << std::endl;
        if (event.scancode >= 0 && event.scancode < platform::kMaxScancode) app.keys[event.scancode] = true;
        if (event.sym == platform::kKeyEscape) return InputAction::Exit;
        break;
    case EventKind::KeyUp:
        if (event.scancode >= 0 && event.scancode < platform::kMaxScancode) app.keys[event.scancode] = false;
        break;
    // The mouse as the queue says, after what mouse_state said at the start of the poll:
    // the same state for a real mouse, and events others put in the queue count too.
    case EventKind::MouseMotion:
        app.mouseX = event.x;
        app.mouseY = event.y;
        app.buttonLeft = (event.buttons & platform::kButtonLeftMask) != 0;
        app.buttonMiddle = (event.buttons & platform::kButtonMiddleMask) != 0;
        app.buttonRight = (event.buttons & platform::kButtonRightMask) != 0;
        break;
    case EventKind::MouseDown:
    case EventKind::MouseUp: {
        const bool down = event.kind == EventKind::MouseDown;
        app.mouseX = event.x;
        app.mouseY = event.y;
        if (event.button == platform::kButtonLeft) app.buttonLeft = down;
        if (event.button == platform::kButtonLeft && down) app.leftPresses += 1;
        if (event.button == platform::kButtonMiddle) app.buttonMiddle = down;
        if (event.button == platform::kButtonRight) app.buttonRight = down;
        break;
    }
    case EventKind::Wheel:
        // One fixed step per event, whatever its magnitude.
        if (event.wheelY > 0) {
            app.inputs.wheelStep = 1.0f;
            app.inputs.wheel += 0.2f;
        } else if (event.wheelY < 0) {
            app.inputs.wheelStep = -1.0f;
            app.inputs.wheel -= 0.2f;
        }
        break;
    case EventKind::Other:
        break;
    }
    return InputAction::Continue;
}

bool eventEndsRun(const platform::InputEvent& event) {
    if (event.kind == platform::EventKind::Quit || event.kind == platform::EventKind::Close) return true;
    return event.kind == platform::EventKind::KeyDown && event.sym == platform::kKeyEscape;
}

bool togglesFullscreen(const AppState& app, const platform::InputEvent& event) {
    return app.launcherDone && app.window.window && event.kind == platform::EventKind::KeyDown &&
           event.sym == platform::kKeyReturn && event.alt && !event.repeat;
}

RunEnd runEndFor(const platform::InputEvent& event) {
    if (event.kind == platform::EventKind::Quit) return RunEnd::Interrupted;
    if (event.kind == platform::EventKind::Close) return RunEnd::WindowClosed;
    return RunEnd::Escape;
}

InputAction applyControlInputs(AppState& app, const ControlInput* inputs, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        const ControlInput& in = inputs[i];
        platform::InputEvent event;
        switch (in.kind) {
        case ControlInputKind::Pointer:
            app.mouseX = in.x;
            app.mouseY = in.y;
            app.buttonLeft = in.buttons & 1;
            app.buttonMiddle = in.buttons & 2;
            app.buttonRight = in.buttons & 4;
            continue;
        case ControlInputKind::Key:
            event.kind = in.down ? platform::EventKind::KeyDown : platform::EventKind::KeyUp;
            event.repeat = in.repeat;
            event.scancode = in.scancode;
            event.sym = in.sym;
            break;
        case ControlInputKind::Wheel:
            event.kind = platform::EventKind::Wheel;
            event.wheelY = in.wheelY;
            break;
        case ControlInputKind::Midi:
            // The driver's own entry, on this thread: the show takes it as it took it live.
            MidiIn::midi_in_callback(nullptr, in.midiKind, reinterpret_cast<uintptr_t>(&app.nano_kontrol2),
                                     in.midiParam1, in.midiParam2);
            continue;
        }
        if (handleInputEvent(app, event) == InputAction::Exit) return InputAction::Exit;
    }
    return InputAction::Continue;
}

void applyReplayedInputs(AppState& app, const ReplayedFrame& frame) {
    if (applyControlInputs(app, frame.inputs, frame.inputCount) == InputAction::Continue) return;
    app.inputSource->ending(RunEnd::Escape);  // an Escape a take never holds
    std::exit(0);
}

void pollInput(AppState& app) {
    InputSource* source = app.inputSource.get();  // --record or --replay
    const bool replaying = source && source->replaying();
    if (replaying && !source->awaitFrame()) std::exit(0);  // the take is over; its finish says how it ended
    int x = 0, y = 0;
    const uint32_t buttons = platform::mouse_state(x, y);
    if (!replaying) {  // a replay's mouse is the take's
        app.mouseX = x;
        app.mouseY = y;
        app.buttonLeft = (buttons & 1) != 0;
        app.buttonMiddle = (buttons & 2) != 0;
        app.buttonRight = (buttons & 4) != 0;
    }

    const int64_t now = platform::tick_count();
    app.dt = frameDuration(now, app.lastTicks);
    app.lastTicks = now;
    app.inputs.wheelStep = 0.0f;
    app.leftPresses = 0;

    platform::pump_events();
    platform::InputEvent event;
    while (platform::poll_event(event)) {
        if (togglesFullscreen(app, event)) platform::toggle_fullscreen(app.window.window);
        if (replaying && !eventEndsRun(event)) continue;  // live inputs are not the performance
        if (learnTakesEvent(app, event)) continue;         // the learn walk's keys are not the show's
        if (source && !replaying) source->noteEvent(event);
        if (handleInputEvent(app, event) == InputAction::Exit) {
            if (source) source->ending(runEndFor(event));
            std::exit(0);
        }
    }
    // The frame's MIDI, its duration and its clock: delivered and recorded, or the take's.
    ReplayedFrame frame;
    if (source && source->frameInputs(app, frame)) {
        Part* part = app.parts.empty() ? nullptr : app.parts[app.currentPart];
        app.dt = frame.dt;
        applyReplayedInputs(app, frame);
        if (part) part->clock = frame.clock;
    } else if (replaying) {
        std::exit(0);  // the take cannot be played on; its finish and its status say why
    }
    if (app.controlsAtPoll) mapControllerInputs(app.nano_kontrol2, app.inputs);
    // What came in up to here is what this frame draws with; a replay's messages are not live.
    const std::vector<int64_t> arrived = app.nano_kontrol2.take_arrivals();
    if (!replaying) noteFrameInputs(app.latency, arrived);

    app.inputs.mouseU = static_cast<float>(app.mouseX) / static_cast<float>(app.window.width);
    app.inputs.mouseV = static_cast<float>(app.mouseY) / static_cast<float>(app.window.height);
    app.inputs.time += app.dt;
    updateFreeCamera(app);
}

void resetGlState(const AppState& app) {
    bindPicture(app.window);
    glUseProgram(0);
    for (GLenum mode : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(mode);
        glLoadIdentity();
    }
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
}

void driveParts(AppState& app) {
    bindPicture(app.window);
    glUseProgram(0);
    app.clock += app.dt;

    for (size_t i = 0; i < app.parts.size(); ++i) {
        Part* part = app.parts[i];
        part->owner = &app;
        part->inputs = &app.inputs;
        const float before = part->clock;
        if (static_cast<int32_t>(i) == app.currentPart) {
            part->update();
            part->render();
        }
        syncMusic(app, *part, part->clock - before);
        resetGlState(app);
    }

    // Part 0 owns the application clock's window [0, 28000) s; outside every window the
    // current part stays.
    if (!app.parts.empty() && app.clock >= 0.0f && app.clock < 28000.0f) app.currentPart = 0;
    if (app.currentPart != app.previousPart) {
        Part* next = app.parts[app.currentPart];
        next->clock = static_cast<float>(next->clock + std::fmod(static_cast<double>(app.clock), 1.0));
    }
    app.previousPart = app.currentPart;
}
