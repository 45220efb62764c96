// Recording and replaying on the tiny show under Xvfb: a scripted performance (MIDI from a
// driver-like thread through the callback entry, the mouse and keys through SDL's queue)
// recorded and replayed twice draws the same frames three times; a cut, damaged or foreign
// take is played up to the damage or refused; every way out of a recording leaves a take.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>

#include "app/take_file.h"
#include "decoded_video.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

// A show folder of links to the tiny show's files: the camera file each run writes is its own.
std::string linkShow(const std::string& show, const std::string& except = "") {
    fs::create_directories(show);
    for (const auto& entry : fs::directory_iterator(TINY_SHOW))
        if (entry.path().filename() != except && entry.path().filename() != "FreeCam.bin")
            fs::create_symlink(entry.path(), show + "/" + entry.path().filename().string());
    return show;
}

// Runs a program in a show folder with a time limit; its output goes to log.
int run(const std::string& program, const std::string& args, const std::string& log, const std::string& show) {
    const std::string command = "cd '" + show + "' && SDL_AUDIODRIVER=dummy timeout 240 '" + program + "' " + args +
                                " >'" + log + "' 2>&1";
    const int status = std::system(command.c_str());
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
        status = run(PERFORMER, "--no-launcher --windowed --res 320x180 --frames 130 --record " + *folder / "live.take" +
                                    " --frame-hashes " + *folder / "live.txt",
                     *folder / "live.log", *show);
    }
    static void TearDownTestSuite() {
        delete show;
        delete folder;
    }
    static int velmora(const std::string& args, const std::string& log) { return run(VELMORA, args, log, *show); }
    static TempFolder* folder;
    static std::string* show;
    static int status;
};
TempFolder* Takes::folder = nullptr;
std::string* Takes::show = nullptr;
int Takes::status = -1;

}  // namespace

TEST_F(Takes, AScriptedPerformanceReplaysTwiceWithTheLiveFrames) {
    ASSERT_EQ(status, 0) << readFile(*folder / "live.log");
    const Take take = readTake(*folder / "live.take");
    ASSERT_EQ(take.frames.size(), 130u);
    EXPECT_EQ(take.end, TakeEnd::FrameLimit);
    int midi = 0, keys = 0, wheel = 0, pointer = 0;
    for (const TakeInput& in : take.inputs)
        (in.kind == TakeInputKind::Midi ? midi : in.kind == TakeInputKind::Key ? keys : in.kind == TakeInputKind::Wheel ? wheel : pointer)++;
    EXPECT_EQ(midi, 18) << "every message the driver's thread sent";
    EXPECT_EQ(keys, 2);
    EXPECT_EQ(wheel, 4);
    EXPECT_GT(pointer, 30);
    // The performance moved the clock: stopped, sent back to the cue, to -100 by A.
    std::set<float> clocks;
    bool stood = false, back = false;
    for (size_t k = 1; k < take.frames.size(); ++k) {
        stood |= take.frames[k].clock == take.frames[k - 1].clock;
        back |= take.frames[k].clock < take.frames[k - 1].clock;
    }
    EXPECT_TRUE(stood && back);
    EXPECT_EQ(take.frames.back().clock < 0.0f, true);

    const std::vector<std::string> live = frameCrcs(*folder / "live.txt");
    ASSERT_EQ(live.size(), 130u);
    EXPECT_GT(std::set<std::string>(live.begin(), live.end()).size(), 60u) << "the frames change";
    const std::string camera = readFile(*show + "/FreeCam.bin");
    for (const char* replay : {"r1", "r2"}) {
        const std::string hashes = *folder / (std::string(replay) + ".txt"), log = *folder / (std::string(replay) + ".log");
        ASSERT_EQ(velmora("--replay " + *folder / "live.take" + " --frame-hashes " + hashes, log), 0) << readFile(log);
        EXPECT_EQ(frameCrcs(hashes), live) << replay;
        EXPECT_NE(readFile(log).find("Replay: the take is over"), std::string::npos) << readFile(log);
    }
    EXPECT_EQ(readFile(*show + "/FreeCam.bin"), camera) << "a replay keeps the performer's camera file";
}

// Rendered offline at 25 fps: the same video twice, as long as the take, with its sound.
TEST_F(Takes, ItsCaptureIsTheSameEveryTime) {
    ASSERT_EQ(status, 0);
    const double seconds = takeLength(readTake(*folder / "live.take"));
    std::vector<size_t> first;
    for (const char* name : {"c1", "c2"}) {
        const std::string video = *folder / (std::string(name) + ".mp4"), log = *folder / (std::string(name) + ".log");
        ASSERT_EQ(velmora("--capture " + video + " --replay " + *folder / "live.take" + " --fps 25", log), 0)
            << readFile(log);
        const Decoded d = decode(video);
        EXPECT_EQ(d.width, 320);
        EXPECT_EQ(static_cast<long>(d.frames.size()), std::lround(seconds * 25));
        EXPECT_NEAR(d.musicSamples, d.frames.size() * 48000.0 / 25, 48000 / 25);
        if (first.empty()) first = d.frames;
        else EXPECT_EQ(d.frames, first);
    }
    EXPECT_GT(std::set<size_t>(first.begin(), first.end()).size(), first.size() / 2) << "the performance moves";
}

TEST_F(Takes, ACutTakePlaysUpToTheCutAndAForeignOneIsRefusedUnlessForced) {
    ASSERT_EQ(status, 0);
    const std::string bytes = readFile(*folder / "live.take");
    const size_t second = bytes.find("TBLK", bytes.find("TBLK") + 4);  // a block is written twice a second
    ASSERT_NE(second, std::string::npos);
    writeFile(*folder / "cut.take", bytes.substr(0, second + 30));
    ASSERT_EQ(velmora("--replay " + *folder / "cut.take" + " --frame-hashes " + *folder / "cut.txt", *folder / "cut.log"), 0)
        << readFile(*folder / "cut.log");
    const std::string said = readFile(*folder / "cut.log");
    EXPECT_NE(said.find("stops there"), std::string::npos) << said;
    const std::vector<std::string> cut = frameCrcs(*folder / "cut.txt"), live = frameCrcs(*folder / "live.txt");
    ASSERT_GT(cut.size(), 10u);
    ASSERT_LT(cut.size(), live.size());
    EXPECT_TRUE(std::equal(cut.begin(), cut.end(), live.begin())) << "played as performed up to the cut";

    // Another version's take.
    Take take = readTake(*folder / "live.take");
    take.header.version = "0123456789-old";
    std::string payload;
    for (const TakeFrame& f : take.frames) encodeTakeFrame(payload, f, take.inputs.data() + f.firstInput);
    encodeTakeEnd(payload, take.end, take.endDt);
    writeFile(*folder / "old.take", encodeTakeHeader(take.header) + encodeTakeBlock(0, take.frames.size(), payload));
    EXPECT_EQ(velmora("--replay " + *folder / "old.take", *folder / "old.log"), 2);
    EXPECT_NE(readFile(*folder / "old.log").find("recorded by velmora 0123456789-old"), std::string::npos)
        << readFile(*folder / "old.log");
    EXPECT_EQ(velmora("--force --frames 5 --replay " + *folder / "old.take", *folder / "old.log"), 0);

    // The same show with one shader changed.
    const std::string other = linkShow(*folder / "other", "shaders");
    fs::copy(std::string(TINY_SHOW) + "/shaders/", other + "/shaders", fs::copy_options::recursive);
    writeFile(other + "/shaders/common.cpp", readFile(other + "/shaders/common.cpp") + "\n// retuned\n");
    EXPECT_EQ(velmora("--data " + other + " --replay " + *folder / "live.take", *folder / "data.log"), 2);
    EXPECT_NE(readFile(*folder / "data.log").find("other show data: shaders/common.cpp differs"), std::string::npos)
        << readFile(*folder / "data.log");
}

// Every way out of a recording: the take reads back, ended as it was. SIGKILL leaves it
// cut, still readable up to its last block.
TEST_F(Takes, EveryWayOutLeavesAReadableTake) {
    const struct {
        std::string name, args;
        int signal;  // sent once the take has a block on disk; 0: none
        TakeEnd end;
    } ways[] = {
        {"frames", "--frames 40", 0, TakeEnd::FrameLimit},
        {"show-end", "--start 295.7", 0, TakeEnd::ShowOver},
        {"sigint", "", SIGINT, TakeEnd::Interrupted},
        {"sigterm", "", SIGTERM, TakeEnd::Interrupted},
        {"escape", "", -1, TakeEnd::Escape},
        {"sigkill", "", SIGKILL, TakeEnd::Cut},
    };
    for (const auto& way : ways) {
        const std::string take = *folder / (way.name + ".take"), log = *folder / (way.name + ".log");
        const pid_t pid = fork();
        if (pid == 0) {
            chdir(show->c_str());
            freopen(log.c_str(), "w", stdout);
            dup2(fileno(stdout), 2);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            const std::string command = std::string("exec '" VELMORA "' --no-launcher --windowed --res 320x180 --record '") +
                                        take + "' " + way.args;
            execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
            _exit(127);
        }
        if (way.signal) {
            // Once a block of frames is on disk (twice a second, after the header).
            for (int i = 0; i < 600 && readFile(take).find("TBLK") == std::string::npos; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (way.signal > 0) {
                kill(pid, way.signal);
            } else {
                const std::string key = "xdotool key --window \"$(xdotool search --pid " + std::to_string(pid) +
                                        " --name Velmora | head -1)\" Escape";
                EXPECT_EQ(std::system(key.c_str()), 0);
            }
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (way.signal != SIGKILL) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << way.name << readFile(log);
        }
        const Take t = readTake(take);
        EXPECT_GT(t.frames.size(), 0u) << way.name;
        EXPECT_EQ(t.end, way.end) << way.name << ": " << takeEndText(t.end) << "\n" << readFile(log);
    }
}
