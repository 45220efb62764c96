// A scripted performer for the take tests: the show's own frame loop, as the program runs
// it, with a performance played into it the way the devices deliver one. MIDI comes from
// a thread of its own, like a driver's, through the callback entry the driver calls, at
// moments that do not line up with frames; the mouse and the keys go through SDL's event
// queue. Everything after the options is velmora's: --record makes the take, --replay plays
// one, --frame-hashes writes the frames' CRCs. Options of its own:
//   --shots DIR:N,N,...   with --frame-hashes, also writes frames N as DIR/frame-N.png
//   --repeat              plays the performance again every kScriptFrames frames
#include <GL/glew.h>
#include <SDL.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "app/frame_finish.h"
#include "app/frame_hashes.h"
#include "app/frame_loop.h"
#include "app/launcher.h"
#include "app/startup.h"
#include "app/take_session.h"
#include "clips/part_clips.h"

namespace {

AppState g_app;
constexpr long kScriptFrames = 130;
std::atomic<long> g_frame{0};
std::atomic<bool> g_stop{false};
std::thread g_driver;

uint32_t cc(uint8_t number, uint8_t value) { return 0xB0 | number << 8 | value << 16; }

// The controller's part: (frame, message). Knob 7 speeds the clock up and back, FORWARD
// stops and restarts it, REC stores a cue and BACK jumps to it, TRACK steps it, knob 1
// and fader 6 reach the shaders.
const std::vector<std::pair<long, uint32_t>> kMidi = {
    {8, cc(16, 100)},  {9, cc(16, 30)},   {12, cc(23, 127)}, {30, cc(23, 0)},   {34, cc(44, 127)},
    {35, cc(44, 0)},   {44, cc(44, 127)}, {45, cc(44, 0)},   {50, cc(45, 127)}, {51, cc(45, 0)},
    {58, cc(5, 90)},   {64, cc(43, 127)}, {65, cc(43, 0)},   {70, cc(59, 127)}, {76, cc(59, 0)},
    {80, cc(23, 64)},  {96, cc(23, 0)},   {100, cc(17, 127)},
};

// The mouse's and keyboard's part, pushed into SDL's queue before the frame's poll.
void performInput(long frame) {
    frame %= kScriptFrames;
    SDL_Event e{};
    // A real mouse keeps SDL's state; this one is an event every frame, as held.
    int x = 160, y = 90;
    uint32_t state = 0;
    if (frame >= 20 && frame < 40) x = 160 + (frame - 20) * 4, y = 90 + (frame - 20) * 2, state = SDL_BUTTON_LMASK;
    if (frame >= 40 && frame < 40 + 12) x = 240 - (frame - 40) * 3, y = 130, state = SDL_BUTTON_RMASK;
    if (frame >= 60 && frame < 72) x = 200, y = 130 - (frame - 60) * 3, state = SDL_BUTTON_LMASK | SDL_BUTTON_RMASK;
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.state = state;
    SDL_PushEvent(&e);
    if (frame == 24 || frame == 25 || frame == 26 || frame == 90) {
        SDL_Event w{};
        w.type = SDL_MOUSEWHEEL;
        w.wheel.y = frame == 90 ? -1 : 1;
        SDL_PushEvent(&w);
    }
    if (frame == 110 || frame == 113) {  // the A key: back to the start of the edit, held for three frames
        SDL_Event k{};
        k.type = frame == 110 ? SDL_KEYDOWN : SDL_KEYUP;
        k.key.state = frame == 110 ? SDL_PRESSED : SDL_RELEASED;
        k.key.keysym.scancode = SDL_SCANCODE_A;
        k.key.keysym.sym = SDLK_a;
        SDL_PushEvent(&k);
    }
}

void savePicture(const std::vector<uint8_t>& bgra, int width, int height, const std::string& path) {
    cv::Mat image(height, width, CV_8UC4, const_cast<uint8_t*>(bgra.data())), flipped;
    cv::flip(image, flipped, 0);  // GL's rows start at the bottom
    cv::imwrite(path, flipped);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<const char*> args;
    std::string shotDir;
    std::set<long> shots;
    bool repeat = false;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--repeat")) {
            repeat = true;
            continue;
        }
        if (!std::strcmp(argv[i], "--shots") && i + 1 < argc) {
            const std::string v = argv[++i];
            shotDir = v.substr(0, v.find(':'));
            for (size_t at = v.find(':'); at != std::string::npos; at = v.find(',', at + 1))
                shots.insert(std::atol(v.c_str() + at + 1));
            continue;
        }
        args.push_back(argv[i]);
    }
    AppState& app = g_app;
    std::string message;
    if (parseLaunchOptions(static_cast<int>(args.size()), args.data(), app.options, message) != OptionsResult::Run ||
        !prepareTake(app, message)) {
        std::fprintf(stderr, "take_performer: %s\n", message.c_str());
        return 2;
    }
    static FrameHashLog hashes;
    if (!app.options.frameHashes.empty() && !openFrameHashes(hashes, app.options.frameHashes, message)) return 2;
    if (!app.options.dataDir.empty() && chdir(app.options.dataDir.c_str()) != 0) return 2;

    // As the program starts the show without its launcher.
    app.launcherDone = true;
    app.width = app.options.width;
    app.height = app.options.height;
    app.fullscreen = false;
    if (!app.window.Init(10, 140, app.width, app.height, false)) return 1;
    drawLauncher(app);
    SDL_GL_SwapWindow(app.window.window);
    app.loader = new (std::calloc(1, sizeof(Part_Loader))) Part_Loader();
    app.loader->owner = &app;
    Part_Clips* show = new (std::calloc(1, sizeof(Part_Clips))) Part_Clips();
    app.parts.push_back(show);
    startup(app);
    beginTake(app);
    std::atexit([] { finishTake(g_app); });
    SDL_ShowCursor(SDL_DISABLE);

    // The driver's thread: each message once its frame has begun, a little after, so that
    // some land in the frame after. Stopped on the way out, before the controller goes.
    const bool performing = app.take && app.take->recording;
    if (performing) {
        g_driver = std::thread([repeat] {
            for (long start = 0; !g_stop; start += kScriptFrames) {
                for (const auto& [frame, packed] : kMidi) {
                    while (!g_stop && g_frame.load() < start + frame)
                        std::this_thread::sleep_for(std::chrono::microseconds(200));
                    std::this_thread::sleep_for(std::chrono::microseconds(1500));
                    if (g_stop) return;
                    MidiIn::midi_in_callback(nullptr, platform::MIM_DATA,
                                             reinterpret_cast<uintptr_t>(&g_app.nano_kontrol2), packed, 0);
                }
                if (!repeat) return;
            }
        });
        std::atexit([] {
            g_stop = true;
            g_driver.join();
        });
    }

    for (long frame = 0;; ++frame) {
        g_frame.store(frame);
        if (performing && (repeat || frame < kScriptFrames)) performInput(frame);
        pollInput(app);
        const float shown = app.parts[app.currentPart]->clock;
        driveParts(app);
        finishFrame(app);
        logFrameHash(hashes, app, shown);
        if (shots.count(frame) && !hashes.pixels.empty()) {  // the picture --frame-hashes read back
            savePicture(hashes.pixels, app.window.width, app.window.height,
                        shotDir + "/frame-" + std::to_string(frame) + ".png");
        }
        SDL_GL_SwapWindow(app.window.window);
        if (app.options.frames >= 0 && app.frameCount >= app.options.frames) {
            if (app.take) app.take->endReason = TakeEnd::FrameLimit;
            std::exit(0);
        }
    }
}
