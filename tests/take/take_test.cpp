// Recording and replaying on the tiny show under Xvfb: a scripted performance (MIDI from a
// driver-like thread through the callback entry, the mouse and keys through SDL's queue)
// recorded and replayed twice draws the same frames three times, and captures the same
// video twice; a cut or foreign take plays up to the cut or is refused; every way out of a
// recording leaves a take, or says in one line and in its status that it left none, and
// the file under the name is the old one until the new take is whole.
#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
#include "special_files.h"
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

std::vector<TakeInput> inputsOf(const Take& take, size_t frame) {
    std::vector<TakeInput> inputs;
    std::string why;
    EXPECT_TRUE(readTakeInputs(take, frame, inputs, why)) << why;
    return inputs;
}

// The take's frames from `first` on as one block, a frame's clock changed by `clock`.
template <class Clock>
std::string reblocked(const Take& take, size_t first, size_t count, Clock clock) {
    std::string payload;
    for (size_t k = first; k < first + count; ++k) {
        TakeFrame f = take.frames[k];
        f.clock = clock(k, f.clock);
        encodeTakeFrame(payload, f, inputsOf(take, k).data());
    }
    if (first + count == take.frames.size()) encodeTakeEnd(payload, take.end, take.endDt);
    return encodeTakeBlock(uint32_t(first), uint32_t(count), payload);
}

// The files in folder whose names start with prefix.
std::vector<std::string> filesStarting(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind(prefix, 0) == 0) found.push_back(entry.path().string());
    std::sort(found.begin(), found.end());
    return found;
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
    for (size_t k = 0; k < take.frames.size(); ++k)
        for (const TakeInput& in : inputsOf(take, k)) inputs[in.kind]++;
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
// A take plays through the map it was performed with, whatever controller.map the show's
// folder holds later; --controller plays its MIDI through another map instead: the same
// controls under other bindings play alike, a map without them does not.
TEST_F(Takes, ATakePlaysThroughItsOwnMapUnlessAnotherIsGiven) {
    ASSERT_EQ(status, 0) << said("live.log");
    const std::vector<std::string> live = frameCrcs(*folder / "live.txt");
    ControllerMap remapped = builtInControllerMap();  // the same controls as control changes on channel 1
    for (ControlBinding& b : remapped.bindings) b.source = BindingSource::ControlChange, b.channel = 1;
    writeFile(*folder / "remapped.map", formatControllerMap(remapped));
    writeFile(*folder / "knobs-only.map", "k0 = cc 16\nk1 = cc 17\n");
    writeFile(*show + "/controller.map", "speed = cc 99\n");
    const struct {
        std::string args;
        bool alike;
    } replays[] = {{"", true}, {"--controller " + *folder / "remapped.map", true},
                   {"--controller " + *folder / "knobs-only.map", false}};
    for (const auto& r : replays) {
        ASSERT_EQ(velmora("--replay " + *folder / "live.take" + " --target-fps 240 --frame-hashes " + *folder / "m.txt " +
                              r.args,
                          "m.log"),
                  0)
            << said("m.log");
        EXPECT_EQ(frameCrcs(*folder / "m.txt") == live, r.alike) << r.args;
    }
    EXPECT_NE(said("m.log").find("Controller map: \"" + *folder / "knobs-only.map"), std::string::npos) << said("m.log");
    fs::remove(*show + "/controller.map");
}

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
    const auto same = [](size_t, float clock) { return clock; };
    const std::string blocks = reblocked(take, 0, take.frames.size(), same);
    take.header.version = "0123456789-old";
    writeFile(*folder / "old.take", encodeTakeHeader(take.header) + blocks);
    EXPECT_EQ(velmora("--replay " + *folder / "old.take", "old.log"), 2);
    EXPECT_NE(said("old.log").find("recorded by velmora 0123456789-old"), std::string::npos) << said("old.log");
    EXPECT_EQ(velmora("--force --frames 5 --replay " + *folder / "old.take", "old.log"), 0);
    const std::string other = linkShow(*folder / "other", "shaders");
    fs::copy(std::string(TINY_SHOW) + "/shaders/", other + "/shaders", fs::copy_options::recursive);
    writeFile(other + "/shaders/common.cpp", readFile(other + "/shaders/common.cpp") + "\n// retuned\n");
    EXPECT_EQ(velmora("--data " + other + " --replay " + *folder / "live.take", "data.log"), 2);
    EXPECT_NE(said("data.log").find("other show data: shaders/common.cpp differs"), std::string::npos);
}

// Every way out of a recording: the take reads back, ended as it was, with status 0;
// SIGKILL leaves no take under the name but the temporary file, cut, still readable up to
// its last block, which the next recording to the name keeps aside.
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
        // by a watcher once a block of frames is in the take's temporary file.
        const std::string command = "p=$$; (for i in $(seq 600); do grep -qs TBLK " + take +
                                    ".*.tmp && break; sleep 0.1; done; " + way.stop + ") & exec " + VELMORA +
                                    " --no-launcher --windowed --res 320x180 --record " + take + " " + way.args;
        const int status = run(command, *folder / (way.name + ".log"), *show);
        EXPECT_EQ(status, way.end == TakeEnd::Cut ? 128 + 9 : 0) << way.name << said(way.name + ".log");
        const std::vector<std::string> temporary = filesStarting(folder->path(), way.name + ".take.");
        EXPECT_EQ(fs::exists(take), way.end != TakeEnd::Cut) << way.name;
        EXPECT_EQ(temporary.size(), way.end == TakeEnd::Cut ? 1u : 0u) << way.name;
        const Take t = readTake(way.end == TakeEnd::Cut && !temporary.empty() ? temporary[0] : take);
        EXPECT_GT(t.frames.size(), 0u) << way.name;
        EXPECT_EQ(t.end, way.end) << way.name << ": " << takeEndText(t.end) << "\n" << said(way.name + ".log");
        if (way.end != TakeEnd::Cut || temporary.empty()) continue;
        // The next recording to the name: the cut take is kept beside it, and said.
        const std::string id = temporary[0].substr(take.size() + 1, temporary[0].size() - take.size() - 5);
        const std::string kept = *folder / ("sigkill.cut-" + id + ".take");
        EXPECT_EQ(velmora("--no-launcher --windowed --res 320x180 --frames 5 --record " + take, "next.log"), 0);
        EXPECT_NE(said("next.log").find("Recording: \"" + temporary[0] + "\", the take of a run that was cut off, is kept as \"" +
                                        kept + "\" (" + std::to_string(t.frames.size()) + " frames"),
                  std::string::npos)
            << said("next.log");
        EXPECT_EQ(readTake(kept).frames.size(), t.frames.size());
        EXPECT_EQ(readTake(take).frames.size(), 5u);
    }
}

// A run refused after the take was created (no show folder, a size the show cannot render,
// an unwritable --frame-hashes) leaves the old take as it was; a pipe, a device and a
// folder are refused in one line and left alone.
TEST_F(Takes, ARefusedRunLeavesTheOldTakeAndPipesDevicesAndFoldersAlone) {
    const std::string take = *folder / "kept.take";
    writeFile(take, "the old take");
    for (const std::string& refused : {"--data " + *folder / "no-show", std::string("--res 3x3"),
                                      "--frame-hashes " + *folder / "no-folder/h.txt"}) {
        EXPECT_EQ(velmora("--no-launcher --windowed --record " + take + " --overwrite " + refused, "refused.log"), 2)
            << refused << said("refused.log");
        EXPECT_NE(said("refused.log").find("the show never started; nothing was written to \"" + take + "\""),
                  std::string::npos)
            << said("refused.log");
        EXPECT_EQ(readFile(take), "the old take") << refused;
        EXPECT_EQ(filesStarting(folder->path(), "kept.take").size(), 1u) << "no temporary file is left";
    }
    SpecialFiles special(*folder);
    for (const std::string& name : {special.pipe, std::string("/dev/urandom"), folder->path()}) {
        EXPECT_EQ(velmora("--no-launcher --windowed --record " + name + " --overwrite", "special.log"), 2);
        const std::string line = said("special.log");
        EXPECT_TRUE(line.find("\"" + name + "\" is not a regular file") != std::string::npos ||
                    line.find("\"" + name + "\" is a folder") != std::string::npos)
            << line;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
    }
    EXPECT_TRUE(fs::is_fifo(special.pipe) && fs::is_character_file("/dev/urandom"));
}

// The disk fills while the show plays, or is full from the start: the show plays on, one
// line says the take is not kept, no line claims its frames, the old take stays and the
// status is 1.
TEST_F(Takes, AFullDiskIsSaidInOneLineWithStatusOneAndTheOldTakeStays) {
    for (const int kilobytes : {8, 4}) {  // a page for the old take, and one or none for the new
        TempFolder place;
        SmallDisk disk(place, kilobytes);
        if (disk.path.empty()) GTEST_SKIP() << "no small disk here (needs root)";
        const std::string take = disk.path + "/a.take";
        writeFile(take, "the old take");
        const int status = velmora("--no-launcher --windowed --res 320x180 --frames 400 --overwrite --record " + take, "full.log");
        const std::string log = said("full.log");
        EXPECT_EQ(status, 1) << log;
        EXPECT_NE(log.find("Recording: cannot write \"" + take + "\": the disk is full; the take is not kept, and \"" + take +
                           "\" is left as it was\n"),
                  std::string::npos)
            << log;
        EXPECT_EQ(log.find("frames in"), std::string::npos) << log;
        EXPECT_EQ(log.find("never started"), std::string::npos) << log;
        EXPECT_EQ(readFile(take), "the old take");
        EXPECT_EQ(filesStarting(disk.path, "a.take").size(), 1u) << "the room is given back";
    }
}

// Two recordings to one name at once: the first to close takes the name, the other is
// kept beside it, both names said, and each file holds the frames its run said.
TEST_F(Takes, TwoRecordingsToOneNameKeepBothAndSayBothNames) {
    const std::string take = *folder / "twice.take";
    const std::string args = " --no-launcher --windowed --res 320x180 --record " + take + " --frames ";
    const int status = run(std::string(VELMORA) + args + "400 >" + *folder / "long.log" + " 2>&1 & sleep 0.3; " + VELMORA +
                               args + "20; s=$?; wait $!; exit $((s * 16 + $?))",
                           *folder / "short.log", *show);
    EXPECT_EQ(status, 1) << "the short run keeps the name (0), the long one its take beside it (1)\n"
                         << said("short.log") << said("long.log");
    EXPECT_NE(said("short.log").find("Recording: 20 frames in \"" + take + "\""), std::string::npos) << said("short.log");
    const std::vector<std::string> kept = filesStarting(folder->path(), "twice.");
    ASSERT_EQ(kept.size(), 2u);
    const std::string other = kept[0] == take ? kept[1] : kept[0];
    EXPECT_NE(said("long.log").find("Recording: 400 frames, ended by the --frames limit; \"" + take +
                                    "\" was written by another program during this run and is left as it is; this one is kept as \"" +
                                    other + "\""),
              std::string::npos)
        << said("long.log");
    EXPECT_EQ(readTake(take).frames.size(), 20u);
    EXPECT_EQ(readTake(other).frames.size(), 400u);
}

// Killed or stopped while the show loads: nothing under the take's name; an empty
// temporary file of a killed run goes at the next recording, without a word.
TEST_F(Takes, StoppedWhileTheShowLoadsLeavesNothingUnderTheName) {
    for (const std::string signal : {"KILL", "TERM"}) {
        const std::string take = *folder / ("loading-" + signal + ".take");
        const std::string command = "p=$$; (for i in $(seq 600); do ls " + take + ".*.tmp >/dev/null 2>&1 && break; sleep 0.01; " +
                                    "done; kill -" + signal + " $p) & exec " + VELMORA +
                                    " --no-launcher --windowed --res 320x180 --record " + take;
        EXPECT_NE(run(command, *folder / "loading.log", *show), 0) << said("loading.log");
        EXPECT_FALSE(fs::exists(take)) << signal;
    }
    const std::string take = *folder / "loading-KILL.take";
    EXPECT_EQ(velmora("--no-launcher --windowed --res 320x180 --frames 3 --record " + take, "loaded.log"), 0);
    EXPECT_EQ(said("loaded.log").find("cut off"), std::string::npos) << said("loaded.log");
    EXPECT_EQ(filesStarting(folder->path(), "loading-KILL.take"), std::vector<std::string>{take});
}

TEST_F(Takes, AStartPastTheShowsEndIsRefused) {
    for (const std::string start : {"550", "297", "296"}) {
        EXPECT_EQ(velmora("--no-launcher --windowed --start " + start, "start.log"), 2);
        EXPECT_EQ(said("start.log").rfind("velmora: --start " + start + " is" + (start == "296" ? "" : " past") +
                                              " the show's end at 296 s\n",
                                          0),
                  0u)
            << said("start.log");
    }
}

// A replay says the bytes after a take's closing record and plays the take; stops, saying
// where, at a clock no run shows (where the forecast of pictures once spun for ever); and
// ends on Escape, SIGINT and SIGTERM like the live show.
TEST_F(Takes, AReplaySaysTrailingBytesStopsAtImpossibleClocksAndEndsWhenAsked) {
    ASSERT_EQ(status, 0);
    const std::string bytes = readFile(*folder / "live.take");
    writeFile(*folder / "tail.take", bytes + "junk");
    EXPECT_EQ(velmora("--frames 5 --replay " + *folder / "tail.take", "tail.log"), 0) << said("tail.log");
    EXPECT_NE(said("tail.log").find("Replay: \"" + *folder / "tail.take" +
                                    "\": 4 bytes after the take's closing record are not played"),
              std::string::npos)
        << said("tail.log");

    const Take take = readTake(*folder / "live.take");
    const auto same = [](size_t, float clock) { return clock; };
    const auto far = [](size_t k, float clock) { return k == 25 ? 131072.0f : clock; };
    writeFile(*folder / "far.take", encodeTakeHeader(take.header) + reblocked(take, 0, 20, same) +
                                        reblocked(take, 20, take.frames.size() - 20, far));
    EXPECT_EQ(velmora("--replay " + *folder / "far.take" + " --frame-hashes " + *folder / "far.txt", "far.log"), 0)
        << said("far.log");
    EXPECT_NE(said("far.log").find("a part clock of 131072 s, which no run of the show (296 s long) shows"),
              std::string::npos)
        << said("far.log");
    EXPECT_EQ(frameCrcs(*folder / "far.txt").size(), 20u);

    const std::string escape = "xdotool key --window $(xdotool search --pid $p --name Velmora | head -1) Escape";
    for (const std::string& stop : {std::string("kill -INT $p"), std::string("kill -TERM $p"), escape}) {
        const std::string log = *folder / "stopped.log";
        const std::string command = "p=$$; (for i in $(seq 600); do grep -qs \"Replay: .*frames\" " + log +
                                    " && break; sleep 0.05; done; " + stop + ") & exec " + VELMORA + " --replay " +
                                    *folder / "live.take";
        EXPECT_EQ(run(command, log, *show), 0) << stop << said("stopped.log");
        EXPECT_NE(said("stopped.log").find("Replay: stopped at frame"), std::string::npos) << stop << said("stopped.log");
    }
}
