// The application record: one per process, reached by every frame step and, through
// their owner pointer, by every part.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/free_camera.h"
#include "app/gl_window.h"
#include "app/input_latency.h"
#include "app/launch_options.h"
#include "app/live_controls.h"
#include "app/music_sync.h"
#include "midi/nano_kontrol2.h"
#include "render/render_target.h"

class Part;
class Part_Loader;
class InputSource;

// Per-frame inputs that the parts read through their inputs pointer.
struct SceneInputs {
    MyNanoKONTROL2* controller = nullptr;  // the MIDI controller object, set at startup
    float faders[3] = {};        // controllers 5, 6, 7 mapped to -1..1
    int32_t faderSteps[3] = {};  // the same values truncated to integers (0..127)
    float knobsHigh[3] = {};     // controllers 21, 22, 23 mapped to -1..1
    float knobs[6] = {};         // controllers 16..21 mapped to -1..1
    float time = 0.0f;           // sum of all frame durations since the first poll
    float mouseU = 0.0f;         // mouse x / window width
    float mouseV = 0.0f;         // mouse y / window height
    float wheel = 0.0f;          // +0.2 per notch up, -0.2 per notch down
    float wheelStep = 0.0f;      // +1 / -1 for the last notch of this poll, 0 when none
};

struct MenuEntry {
    int32_t row = 0;                   // drawn at y = row * 30 pixels
    std::vector<std::string> options;  // texts cycled by clicking
    float color[3] = {};               // red, green, blue
    int32_t selected = 0;              // index into options
    bool hovered = false;
};

struct LauncherMenu {
    std::vector<MenuEntry> entries;
    float time = 0.0f;        // animation clock
    bool run = false;         // ends the launcher
    bool clickLatch = false;  // turns a held left button into one click
};

struct AppState {
    int32_t width = 1920;   // requested window size, from the launcher
    int32_t height = 1080;
    bool fullscreen = false;
    TGLWindow window;
    std::vector<Part*> parts;
    Part_Loader* loader = nullptr;
    SceneInputs inputs;
    float dt = 0.0f;        // duration of the last frame, seconds
    int32_t mouseX = 0, mouseY = 0;
    bool buttonLeft = false, buttonRight = false, buttonMiddle = false;
    // Left-button presses the last poll took from the queue: a tap released before the
    // poll ends leaves the button up, and is seen only here.
    int32_t leftPresses = 0;
    bool keys[512] = {};    // held keys by SDL scancode
    bool running = true;
    FreeCamera camera;      // loaded from and saved to "FreeCam.bin"
    bool cameraUnsaved = false;  // a save failed (and was said)
    int64_t lastTicks = 0;  // tick count (100 ns) at the previous poll
    MyNanoKONTROL2 nano_kontrol2;
    ControllerMap controllerMap;  // the map nano_kontrol2 reads messages through
    bool controllerMapChosen = false;  // by --controller or the replayed take, over controller.map
    // The controller's values reach the frame that took them in (mapped at its input
    // step), not only the next one: a knob is seen a frame sooner. Off to replay a take
    // performed without it.
    bool controlsAtPoll = true;
    OscInput osc;                 // --osc-port
    LearnSession learn;           // --learn
    InputLatency latency;         // controller and OSC messages to the picture (--timing)
    LauncherMenu menu;
    float clock = 0.0f;     // application clock, seconds
    RenderTarget targets[9];  // off-screen targets, created at startup
    int32_t frameCount = 0;
    float dragX = 0.0f, dragY = 0.0f;
    float prevMouseX = 0.0f, prevMouseY = 0.0f;
    int32_t previousPart = 0;
    int32_t currentPart = 0;
    uint32_t musicSample = 0;
    uint32_t musicChannel = 0;
    bool launcherDone = false;

    LaunchOptions options;  // command-line settings beyond the launcher's two choices
    std::vector<std::string> inputFiles;  // runInputFiles(options), before entering the show's folder
    int32_t glErrors = 0;   // OpenGL errors seen with --gl-check
    MusicSync musicSync;    // how well the music kept with the part clock (--timing)
    std::unique_ptr<InputSource> inputSource;  // a take recorded or replayed (take/), else null

    AppState();
    ~AppState();
};
