// Recording and replaying on the tiny show under Xvfb: a scripted performance (MIDI from a
// driver-like thread through the callback entry, the mouse and keys through SDL's queue)
// recorded and replayed twice draws the same frames three times, and captures the same
// video twice; a cut or foreign take plays up to the cut or is refused; every way out of a
// recording leaves a take.
#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <map>
#include <new>
#include <set>
#include <sstream>
#include <thread>

#include "app/frame_finish.h"
#include "app/frame_loop.h"
#include "app/launcher.h"
#include "app/startup.h"
#include "capture/frame_hashes.h"
#include "clips/part_clips.h"
#include "take/take_file.h"
#include "take/take_session.h"
#include "decoded_video.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

uint32_t cc(uint8_t number, uint8_t value) { return 0xB0 | number << 8 | value << 16; }

// The controller's part, (frame, message): knob 1 and fader 6 for the shaders, knob 7
// speeds the clock up and back, FORWARD stops and restarts it, REC stores a cue and BACK
// jumps to it, TRACK steps it.
const std::vector<std::pair<long, uint32_t>> kMidi = {
    {8, cc(16, 100)},  {9, cc(16, 30)},   {12, cc(23, 127)}, {30, cc(23, 0)},   {34, cc(44, 127)},
    {35, cc(44, 0)},   {44, cc(44, 127)}, {45, cc(44, 0)},   {50, cc(45, 127)}, {51, cc(45, 0)},
    {58, cc(5, 90)},   {64, cc(43, 127)}, {65, cc(43, 0)},   {70, cc(59, 127)}, {76, cc(59, 0)},
    {80, cc(23, 64)},  {96, cc(23, 0)},   {100, cc(17, 127)},
};

void push(SDL_Event e) { SDL_PushEvent(&e); }

// The mouse's and the keys' part, into SDL's queue before the frame's poll: an orbit, a
// roll and a pan (a real mouse keeps SDL's state; this one sends its state every frame),
// three wheel notches up and one down, and the A key for three frames.
void performInput(long frame) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = 160, e.motion.y = 90;
    if (frame >= 20 && frame < 40) e.motion.x += (frame - 20) * 4, e.motion.y += (frame - 20) * 2, e.motion.state = 1;
    if (frame >= 40 && frame < 52) e.motion.x = 240 - (frame - 40) * 3, e.motion.y = 130, e.motion.state = 4;
    if (frame >= 60 && frame < 72) e.motion.x = 200, e.motion.y = 130 - (frame - 60) * 3, e.motion.state = 5;
    push(e);
    if (frame == 24 || frame == 25 || frame == 26 || frame == 90) {
        e = SDL_Event{};
        e.type = SDL_MOUSEWHEEL;
        e.wheel.y = frame == 90 ? -1 : 1;
        push(e);
    }
    if (frame == 110 || frame == 113) {
        e = SDL_Event{};
        e.type = frame == 110 ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.keysym.scancode = SDL_SCANCODE_A;
        e.key.keysym.sym = SDLK_a;
        push(e);
    }
}

// The scripted performer, in a process of its own: the show's frame loop as the program
// runs it without its launcher, recording, with the performance played into it. The
// controller's messages come from a thread of their own, like a driver's, a little after
// their frame has begun, so that some land in the frame after.
[[noreturn]] void perform(std::vector<const char*> args, const std::string& hashes) {
    static AppState app;
    static std::atomic<long> now{0};
    std::string message;
    args.insert(args.begin(), "velmora");
    if (parseLaunchOptions(int(args.size()), args.data(), app.options, message) != OptionsResult::Run ||
        !prepareTake(app, message))
        _exit(2);
    FrameHashLog log;
    openFrameHashes(log, hashes, message);
    app.launcherDone = true;
    if (!app.window.Init(10, 140, app.options.width, app.options.height, false, false, true)) _exit(1);  // as the show opens it
    drawLauncher(app);
    platform::swap_window(app.window.window);
    app.loader = new (std::calloc(1, sizeof(Part_Loader))) Part_Loader();
    app.loader->owner = &app;
    app.parts.push_back(new (std::calloc(1, sizeof(Part_Clips))) Part_Clips());
    startup(app);
    beginInputSource(app);
    std::atexit([] { app.inputSource->finish(app); });
    std::thread([] {
        for (const auto& [frame, packed] : kMidi) {
            while (now.load() < frame) std::this_thread::sleep_for(std::chrono::microseconds(200));
            std::this_thread::sleep_for(std::chrono::microseconds(1500));
            MidiIn::midi_in_callback(nullptr, platform::MIM_DATA, reinterpret_cast<uintptr_t>(&app.nano_kontrol2),
                                     packed, 0);
        }
    }).detach();  // done long before the last frame
    for (long frame = 0;; now = ++frame) {
        performInput(frame);
        pollInput(app);
        const float shown = app.parts[0]->clock;
        driveParts(app);
        finishFrame(app);
        logFrameHash(log, app, shown);
        platform::swap_window(app.window.window);
        if (app.frameCount >= app.options.frames) {
            app.inputSource->ending(RunEnd::FrameLimit);
            std::exit(0);
        }
    }
}

// A show folder of links to the tiny show's files: the camera file each run writes is its own.
std::string linkShow(const std::string& show, const std::string& except = "") {
    fs::create_directories(show);
    for (const auto& entry : fs::directory_iterator(TINY_SHOW))
        if (entry.path().filename() != except && entry.path().filename() != "FreeCam.bin")
            fs::create_symlink(entry.path(), show + "/" + entry.path().filename().string());
    return show;
}

// Runs a shell command in a show folder with a time limit; its output goes to log.
int run(const std::string& command, const std::string& log, const std::string& show) {
    const int status = std::system(("cd '" + show + "' && SDL_AUDIODRIVER=dummy timeout 240 sh -c '" + command +
                                    "' >'" + log + "' 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The CRC column of a --frame-hashes file.
std::vector<std::string> frameCrcs(const std::string& path) {
    std::vector<std::string> crcs;
    std::istringstream lines(readFile(path));
    std::string frame, clock, crc;
    while (lines >> frame >> clock >> crc) crcs.push_back(crc);
    return crcs;
}

Take readTake(const std::string& path) {
    Take take;
    std::string error;
    EXPECT_TRUE(readTakeFile(path, take, error)) << error;
    return take;
}

class Takes : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TempFolder;
        show = new std::string(linkShow(*folder / "show"));
        // Forked before this process touches SDL or GL.
        const std::string take = *folder / "live.take", log = *folder / "live.log";
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            if (chdir(show->c_str()) != 0 || !freopen(log.c_str(), "w", stdout)) _exit(2);
            dup2(fileno(stdout), 2);
            // Large enough, and with a target high enough, for the render scale to step
            // during the take.
            perform({"--no-launcher", "--windowed", "--res", "800x450", "--target-fps", "240", "--frames", "130",
                     "--record", take.c_str()},
                    *folder / "live.txt");
        }
        waitpid(pid, &status, 0);
    }
    static void TearDownTestSuite() {
        delete show;
        delete folder;
    }
    static int velmora(const std::string& args, const std::string& log) {
        return run(std::string(VELMORA) + " " + args, *folder / log, *show);
    }
    static std::string said(const std::string& log) { return readFile(*folder / log); }
    static TempFolder* folder;
    static std::string* show;
    static int status;
};
TempFolder* Takes::folder = nullptr;
std::string* Takes::show = nullptr;
int Takes::status = -1;

}  // namespace

TEST_F(Takes, AScriptedPerformanceReplaysTwiceWithTheLiveFrames) {
    ASSERT_EQ(status, 0) << said("live.log");
    const Take take = readTake(*folder / "live.take");
    ASSERT_EQ(take.frames.size(), 130u);
    EXPECT_EQ(take.end, TakeEnd::FrameLimit);
    std::map<TakeInputKind, int> inputs;
    for (const TakeInput& in : take.inputs) inputs[in.kind]++;
    EXPECT_EQ(inputs[TakeInputKind::Midi], 18) << "every message the driver's thread sent";
    EXPECT_EQ(inputs[TakeInputKind::Key], 2);
    EXPECT_EQ(inputs[TakeInputKind::Wheel], 4);
    EXPECT_GT(inputs[TakeInputKind::Pointer], 30);
    // The performance stopped the clock, sent it back to the cue and to -100 s with A.
    bool stood = false, back = false;
    for (size_t k = 1; k < take.frames.size(); ++k) {
        stood |= take.frames[k].clock == take.frames[k - 1].clock;
        back |= take.frames[k].clock < take.frames[k - 1].clock;
    }
    EXPECT_TRUE(stood && back && take.frames.back().clock < 0.0f);

    const std::vector<std::string> live = frameCrcs(*folder / "live.txt");
    ASSERT_EQ(live.size(), 130u);
    EXPECT_GT(std::set<std::string>(live.begin(), live.end()).size(), 60u) << "the frames change";
    const std::string camera = readFile(*show + "/FreeCam.bin");
    for (const std::string replay : {"r1", "r2"}) {
        ASSERT_EQ(velmora("--replay " + *folder / "live.take" + " --target-fps 240 --timing --frame-hashes " +
                              *folder / replay,
                          replay + ".log"),
                  0)
            << said(replay + ".log");
        EXPECT_EQ(frameCrcs(*folder / replay), live) << replay;
        EXPECT_NE(said(replay + ".log").find("Replay: the take is over"), std::string::npos);
        // The render scale worked out again from the take's durations: the same steps.
        EXPECT_NE(said(replay + ".log").find("render scale: auto"), std::string::npos) << said(replay + ".log");
        EXPECT_EQ(said(replay + ".log").find(" 0 steps"), std::string::npos) << said(replay + ".log");
    }
    EXPECT_EQ(readFile(*show + "/FreeCam.bin"), camera) << "a replay keeps the performer's camera file";
}

// Rendered offline at 25 fps: the same video twice, as long as the take, with its sound.
TEST_F(Takes, ItsCaptureIsTheSameEveryTime) {
    ASSERT_EQ(status, 0);
    const double seconds = takeLength(readTake(*folder / "live.take"));
    std::vector<size_t> first;
    for (const std::string video : {"c1.mp4", "c2.mp4"}) {
        ASSERT_EQ(velmora("--capture " + *folder / video + " --replay " + *folder / "live.take" + " --fps 25", "c.log"), 0)
            << said("c.log");
        const Decoded d = decode(*folder / video);
        EXPECT_EQ(static_cast<long>(d.frames.size()), std::lround(seconds * 25));
        EXPECT_NEAR(d.musicSamples, d.frames.size() * 48000.0 / 25, 48000 / 25);
        if (first.empty()) first = d.frames;
        EXPECT_EQ(d.frames, first);
    }
    EXPECT_GT(std::set<size_t>(first.begin(), first.end()).size(), first.size() / 2) << "the performance moves";
}

TEST_F(Takes, ACutTakePlaysUpToTheCutAndAForeignOneIsRefusedUnlessForced) {
    ASSERT_EQ(status, 0);
    const std::string bytes = readFile(*folder / "live.take");
    // Inside the first block past frame 20 (a block is written twice a second, however many
    // frames the machine drew in that time).
    size_t block = bytes.find("TBLK");
    for (uint32_t first = 0; block != std::string::npos && block + 12 <= bytes.size(); block = bytes.find("TBLK", block + 4)) {
        std::memcpy(&first, bytes.data() + block + 8, 4);
        if (first > 20) break;
    }
    ASSERT_NE(block, std::string::npos);
    writeFile(*folder / "cut.take", bytes.substr(0, block + 30));
    ASSERT_EQ(velmora("--replay " + *folder / "cut.take" + " --target-fps 240 --frame-hashes " + *folder / "cut.txt",
                      "cut.log"),
              0)
        << said("cut.log");
    EXPECT_NE(said("cut.log").find("stops there"), std::string::npos) << said("cut.log");
    const std::vector<std::string> cut = frameCrcs(*folder / "cut.txt"), live = frameCrcs(*folder / "live.txt");
    ASSERT_GT(cut.size(), 10u);
    ASSERT_LT(cut.size(), live.size());
    EXPECT_TRUE(std::equal(cut.begin(), cut.end(), live.begin())) << "played as performed up to the cut";

    // Another version's take, and the same take on the show with a shader changed.
    Take take = readTake(*folder / "live.take");
    take.header.version = "0123456789-old";
    std::string payload;
    for (const TakeFrame& f : take.frames) encodeTakeFrame(payload, f, take.inputs.data() + f.firstInput);
    encodeTakeEnd(payload, take.end, take.endDt);
    writeFile(*folder / "old.take", encodeTakeHeader(take.header) + encodeTakeBlock(0, take.frames.size(), payload));
    EXPECT_EQ(velmora("--replay " + *folder / "old.take", "old.log"), 2);
    EXPECT_NE(said("old.log").find("recorded by velmora 0123456789-old"), std::string::npos) << said("old.log");
    EXPECT_EQ(velmora("--force --frames 5 --replay " + *folder / "old.take", "old.log"), 0);
    const std::string other = linkShow(*folder / "other", "shaders");
    fs::copy(std::string(TINY_SHOW) + "/shaders/", other + "/shaders", fs::copy_options::recursive);
    writeFile(other + "/shaders/common.cpp", readFile(other + "/shaders/common.cpp") + "\n// retuned\n");
    EXPECT_EQ(velmora("--data " + other + " --replay " + *folder / "live.take", "data.log"), 2);
    EXPECT_NE(said("data.log").find("other show data: shaders/common.cpp differs"), std::string::npos);
}

// Every way out of a recording: the take reads back, ended as it was; SIGKILL leaves it
// cut, still readable up to its last block.
TEST_F(Takes, EveryWayOutLeavesAReadableTake) {
    const std::string escape = "xdotool key --window $(xdotool search --pid $p --name Velmora | head -1) Escape";
    const struct {
        std::string name, args, stop;  // stop: what ends the show ($p)
        TakeEnd end;
    } ways[] = {
        {"frames", "--frames 40", ":", TakeEnd::FrameLimit}, {"show-end", "--start 295.7", ":", TakeEnd::ShowOver},
        {"sigint", "", "kill -INT $p", TakeEnd::Interrupted}, {"sigterm", "", "kill -TERM $p", TakeEnd::Interrupted},
        {"escape", "", escape, TakeEnd::Escape},              {"sigkill", "", "kill -KILL $p", TakeEnd::Cut},
    };
    for (const auto& way : ways) {
        const std::string take = *folder / (way.name + ".take");
        // The show in the foreground (a background one starts with SIGINT ignored), ended
        // by a watcher once a block of frames is on disk.
        const std::string command = "p=$$; (for i in $(seq 600); do grep -q TBLK " + take +
                                    " 2>/dev/null && break; sleep 0.1; done; " + way.stop + ") & exec " + VELMORA +
                                    " --no-launcher --windowed --res 320x180 --record " + take + " " + way.args;
        const int status = run(command, *folder / (way.name + ".log"), *show);
        EXPECT_EQ(status, way.end == TakeEnd::Cut ? 128 + 9 : 0) << way.name << said(way.name + ".log");
        const Take t = readTake(take);
        EXPECT_GT(t.frames.size(), 0u) << way.name;
        EXPECT_EQ(t.end, way.end) << way.name << ": " << takeEndText(t.end) << "\n" << said(way.name + ".log");
    }
}
