#include <SDL.h>
#include <gtest/gtest.h>

#include "app/frame_loop.h"
#include "app/launcher.h"
#include "app/part.h"
#include "platform/window.h"

namespace {

// An SDL event as the show receives it: through SDL's queue and the window layer.
platform::InputEvent viaQueue(SDL_Event e) {
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0) SDL_InitSubSystem(SDL_INIT_EVENTS);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    SDL_PushEvent(&e);
    platform::InputEvent event;
    EXPECT_TRUE(platform::poll_event(event));
    return event;
}

SDL_Event wheel(int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = y;
    return e;
}

SDL_Event key(Uint32 type, SDL_Scancode code, SDL_Keycode sym) {
    SDL_Event e{};
    e.type = type;
    e.key.keysym.scancode = code;
    e.key.keysym.sym = sym;
    return e;
}

}  // namespace

TEST(FrameClock, LongFramesCountAsFiftyMilliseconds) {
    EXPECT_FLOAT_EQ(frameDuration(3'600'000, 0), 0.05f);
    EXPECT_FLOAT_EQ(frameDuration(3'500'000, 0), 0.35f);
    EXPECT_FLOAT_EQ(frameDuration(1'000'000'000 + 166'667, 1'000'000'000), 0.0166667f);
    // The first poll, with no previous tick, counts as 0.05 s.
    EXPECT_FLOAT_EQ(frameDuration(123'456'789'000, 0), 0.05f);
}

TEST(Input, WheelMovesByFixedStepsWhateverTheMagnitude) {
    AppState app;
    for (int y : {1, 3, 1}) handleInputEvent(app, viaQueue(wheel(y)));
    handleInputEvent(app, viaQueue(wheel(-7)));
    EXPECT_NEAR(app.inputs.wheel, 0.4f, 1e-6);
    EXPECT_EQ(app.inputs.wheelStep, -1.0f);
}

TEST(Input, KeysAreHeldUntilReleasedAndPrinted) {
    AppState app;
    testing::internal::CaptureStdout();
    EXPECT_EQ(handleInputEvent(app, viaQueue(key(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a))), InputAction::Continue);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "KEY: 4\n");
    EXPECT_TRUE(app.keys[4]);
    handleInputEvent(app, viaQueue(key(SDL_KEYUP, SDL_SCANCODE_A, SDLK_a)));
    EXPECT_FALSE(app.keys[4]);
}

TEST(Input, EscapePrintsItsKeyLineThenExits) {
    AppState app;
    testing::internal::CaptureStdout();
    EXPECT_EQ(handleInputEvent(app, viaQueue(key(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE))), InputAction::Exit);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "KEY: 41\n");
}

// What another program or a test puts in the queue moves the mouse as a real one does.
TEST(Input, MouseEventsInTheQueueSetThePositionAndButtons) {
    AppState app;
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = 12, e.motion.y = 34, e.motion.state = SDL_BUTTON_LMASK | SDL_BUTTON_RMASK;
    handleInputEvent(app, viaQueue(e));
    EXPECT_TRUE(app.mouseX == 12 && app.mouseY == 34 && app.buttonLeft && app.buttonRight && !app.buttonMiddle);
    e = SDL_Event{};
    e.type = SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_RIGHT, e.button.x = 13, e.button.y = 35;
    handleInputEvent(app, viaQueue(e));
    EXPECT_TRUE(app.mouseX == 13 && app.buttonLeft && !app.buttonRight);
}

// A tap through the queue, press and release before the poll: the button is up when the
// poll ends, and the press is counted for the launcher, whose entry changes.
TEST(Input, APressAndReleaseWithinOnePollChangesALauncherEntry) {
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0) SDL_InitSubSystem(SDL_INIT_EVENTS);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    AppState app;
    app.window.width = 380, app.window.height = 240;
    for (Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
        SDL_Event e{};
        e.type = type;
        e.button.button = SDL_BUTTON_LEFT, e.button.x = 190, e.button.y = 3 * 30 - 10;  // the resolution row
        e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        SDL_PushEvent(&e);
    }
    pollInput(app);
    EXPECT_FALSE(app.buttonLeft);
    EXPECT_EQ(app.leftPresses, 1);
    updateLauncherMenu(app.menu, static_cast<float>(app.mouseY), app.buttonLeft, app.leftPresses);
    EXPECT_EQ(app.menu.entries[kResolutionEntry].selected, 1);
    pollInput(app);  // the next poll has none
    EXPECT_EQ(app.leftPresses, 0);
}

TEST(Input, WindowCloseExits) {
    AppState app;
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    EXPECT_EQ(handleInputEvent(app, viaQueue(e)), InputAction::Exit);
    e.window.event = SDL_WINDOWEVENT_MOVED;
    EXPECT_EQ(handleInputEvent(app, viaQueue(e)), InputAction::Continue);
}

// Alt+Enter goes between full screen and a window, as Windows programs do, in the show's
// window only: the launcher's small window keeps its place. The keys reach the show as before.
TEST(Input, AltEnterTogglesFullScreenInTheShowsWindowOnly) {
    AppState app;
    platform::GlWindow* anyWindow = reinterpret_cast<platform::GlWindow*>(&app);  // never toggled here
    app.window.window = anyWindow;
    SDL_Event e = key(SDL_KEYDOWN, SDL_SCANCODE_RETURN, SDLK_RETURN);
    e.key.keysym.mod = KMOD_LALT;
    const platform::InputEvent altEnter = viaQueue(e);
    EXPECT_TRUE(altEnter.alt);
    EXPECT_FALSE(togglesFullscreen(app, altEnter)) << "the launcher";
    app.launcherDone = true;
    EXPECT_TRUE(togglesFullscreen(app, altEnter));
    e.key.keysym.mod = KMOD_NONE;
    EXPECT_FALSE(togglesFullscreen(app, viaQueue(e)));
    e.key.keysym.mod = KMOD_RALT;
    e.key.repeat = 1;
    EXPECT_FALSE(togglesFullscreen(app, viaQueue(e))) << "held down: once";
    app.window.window = nullptr;
    EXPECT_FALSE(togglesFullscreen(app, altEnter));
    testing::internal::CaptureStdout();
    handleInputEvent(app, altEnter);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "KEY: 40\n");
}

// A replayed frame reaches the show through the devices' own paths, in its order, and an
// Escape in it ends the run before the inputs after it.
TEST(Input, ReplayedInputsTakeTheDevicesPathsInOrderAndStopAtAnEscape) {
    AppState app;
    std::vector<ControlInput> in(5);
    in[0].kind = ControlInputKind::Pointer, in[0].x = 7, in[0].y = 9, in[0].buttons = 4;
    in[1].kind = ControlInputKind::Midi, in[1].midiKind = platform::MIM_DATA, in[1].midiParam1 = 0xB0 | 16 << 8 | 100 << 16;
    in[2].kind = ControlInputKind::Wheel, in[2].wheelY = -3;
    in[3].kind = ControlInputKind::Key, in[3].down = true, in[3].scancode = SDL_SCANCODE_ESCAPE, in[3].sym = SDLK_ESCAPE;
    in[4].kind = ControlInputKind::Key, in[4].down = true, in[4].scancode = SDL_SCANCODE_A, in[4].sym = SDLK_a;
    testing::internal::CaptureStdout();
    EXPECT_EQ(applyControlInputs(app, in.data(), 5), InputAction::Exit);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "KEY: 41\n");
    EXPECT_TRUE(app.mouseX == 7 && app.mouseY == 9 && app.buttonRight && !app.buttonLeft);
    EXPECT_FLOAT_EQ(app.nano_kontrol2.value(16), 100.0001f);
    EXPECT_EQ(app.inputs.wheelStep, -1.0f);
    EXPECT_FALSE(app.keys[SDL_SCANCODE_A]) << "nothing after the Escape";
    EXPECT_EQ(applyControlInputs(app, in.data(), 3), InputAction::Continue);
}

namespace {

struct CountingPart : Part {
    int updates = 0, renders = 0, loads = 0;
    std::vector<char>* order = nullptr;
    void render() override {
        ++renders;
        if (order) order->push_back('r');
    }
    void update() override {
        ++updates;
        if (order) order->push_back('u');
    }
    void load() override { ++loads; }
};

}  // namespace

// driveParts needs no window for the part logic, but it issues GL calls; tests that need a
// context live with the GL tests. Here the part rules are checked through the clock choice.
TEST(Parts, LoaderSlotsDoNothing) {
    Part_Loader loader;
    for (int i = 0; i < 3; ++i) {
        loader.load();
        loader.update();
        loader.render();
    }
    EXPECT_EQ(loader.clock, 0.0f);
    EXPECT_EQ(loader.tempo, 120.0f);
}
