// The capture to video, end to end on the tiny show under Xvfb, each file read back
// through libavformat and libavcodec; and the contact sheet, which must not wait for a click.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "app/launch_options.h"
#include "capture/capture.h"
#include "capture/capture_encoder.h"
#include "decoded_video.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

// The temporary files of captures to name left in folder (".NAME.<process>.part").
std::vector<std::string> leftovers(const std::string& folder, const std::string& name) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string file = entry.path().filename().string();
        const std::string prefix = "." + name + ".";
        if (file.rfind(prefix, 0) == 0 && file.size() > prefix.size() + 5 && file.substr(file.size() - 5) == ".part")
            found.push_back(file);
    }
    return found;
}

// Starts velmora in the tiny show's folder without waiting; stderr goes to log.
pid_t startVelmora(const std::vector<std::string>& args, const std::string& log) {
    const pid_t pid = fork();
    if (pid == 0) {
        chdir(TINY_SHOW);
        freopen(log.c_str(), "w", stderr);
        std::vector<char*> argv{const_cast<char*>(VELMORA)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(VELMORA, argv.data());
        _exit(127);
    }
    return pid;
}

// Runs velmora (by default in the tiny show's folder) with a time limit; its output goes to log.
int velmora(const std::string& args, const std::string& log, const std::string& folder = TINY_SHOW) {
    const std::string command = "cd '" + folder + "' && timeout 240 '" VELMORA "' " + args + " >'" + log + "' 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class Capture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { folder = new TempFolder; }
    static void TearDownTestSuite() {
        delete first;
        delete folder;
    }
    // The 2 s capture that two tests read, made once (ctest runs each test on its own).
    static const Decoded& twoSeconds() {
        if (!first) {
            // A link planted under the temporary name must not redirect the writing.
            writeFile(*folder / "outside.txt", "keep");
            fs::create_symlink(*folder / "outside.txt", *folder / ".a.mp4.part");
            status = velmora("--capture " + *folder / "a.mp4" + " --res 320x180 --fps 25 --start 12 --duration 2",
                             *folder / "a.log");
            first = new Decoded(decode(*folder / "a.mp4"));
        }
        return *first;
    }
    static TempFolder* folder;
    static Decoded* first;
    static int status;
};
TempFolder* Capture::folder = nullptr;
Decoded* Capture::first = nullptr;
int Capture::status = -1;

TEST_F(Capture, TwoSecondsAt25FpsHoldFiftyFramesAndTwoSecondsOfMusic) {
    twoSeconds();
    ASSERT_EQ(status, 0) << readFile(*folder / "a.log");
    ASSERT_TRUE(first->opened);
    EXPECT_EQ(first->frames.size(), 50u);
    EXPECT_EQ(first->width, 320);
    EXPECT_EQ(first->height, 180);
    ASSERT_EQ(first->musicRate, 48000);
    EXPECT_NEAR(first->musicSamples, 96000, 48000 / 25) << "music of the span, within one frame";
    EXPECT_TRUE(leftovers(folder->path(), "a.mp4").empty()) << "the temporary file was renamed";
    EXPECT_EQ(readFile(*folder / "outside.txt"), "keep");
}

TEST_F(Capture, TheSameSpanTwiceDecodesToIdenticalFrames) {
    ASSERT_EQ(velmora("--capture " + *folder / "b.mp4" + " --res 320x180 --fps 25 --start 12 --duration 2",
                      *folder / "b.log"),
              0);
    const Decoded second = decode(*folder / "b.mp4");
    twoSeconds();
    ASSERT_EQ(second.frames.size(), 50u);
    EXPECT_EQ(second.frames, first->frames);
    EXPECT_NE(first->frames.front(), first->frames.back()) << "the show moves during the span";
}

TEST_F(Capture, RefusedRequestsSayWhyAndLeaveNoFile) {
    const struct {
        std::string file, options, why;
    } refused[] = {
        {*folder / "missing/x.mp4", "", "cannot write"},
        {*folder / "x.xyz", "", "container"},
        {*folder / "x.mp4", "--res 321x180", "even"},
        {*folder / "x.mp4", "--res 0x180", "even"},
        {*folder / "x.mp4", "--duration 0", "cannot be empty"},
        {*folder / "x.mp4", "--start 296", "nothing to capture"},
    };
    for (const auto& r : refused) {
        EXPECT_NE(velmora("--capture " + r.file + " " + r.options, *folder / "r.log"), 0) << r.file << r.options;
        EXPECT_NE(readFile(*folder / "r.log").find(r.why), std::string::npos) << readFile(*folder / "r.log");
        EXPECT_FALSE(fs::exists(r.file)) << r.file;
        EXPECT_TRUE(leftovers(folder->path(), "x.mp4").empty());
    }
}

TEST_F(Capture, AnInterruptedCapturePlaysUpToWhereItStopped) {
    // 0: a second signal right after the first, "stop now": nothing is left behind.
    for (const int signal : {SIGINT, SIGTERM, 0}) {
        const std::string file = *folder / "stopped.mp4", log = *folder / "stopped.log";
        fs::remove(file);
        fs::remove(log);
        const pid_t pid = startVelmora({"--capture", file, "--res", "320x180", "--fps", "25", "--duration", "20"}, log);
        // Once a tenth of the show is captured (a line per 5 %), stop it.
        for (int i = 0; i < 1200 && readFile(log).find("capture: 10 %") == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        kill(pid, signal ? signal : SIGINT);
        if (!signal) kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << "signal " << WTERMSIG(status) << "\n" << readFile(log);
        if (!signal) {  // either may come second: the process's threads take them as they come
            EXPECT_TRUE(WEXITSTATUS(status) == 128 + SIGTERM || WEXITSTATUS(status) == 128 + SIGINT) << readFile(log);
            EXPECT_FALSE(fs::exists(file));
            EXPECT_TRUE(leftovers(folder->path(), "stopped.mp4").empty()) << "the unfinished file is removed";
            continue;
        }
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal) << readFile(log);
        const Decoded d = decode(file);
        ASSERT_TRUE(d.opened) << readFile(log);
        EXPECT_GE(d.frames.size(), 50u) << "at least the tenth reported";
        EXPECT_LT(d.frames.size(), 500u);
        EXPECT_NE(readFile(log).find("after " + std::to_string(d.frames.size()) + " of 500 frames"),
                  std::string::npos)
            << "every frame rendered is in the file\n" << readFile(log);
        EXPECT_NEAR(d.musicSamples, d.frames.size() * 48000.0 / 25, 48000 / 25);
    }
}

// A short capture made to the same path while a long one runs: each keeps its own
// unfinished file, and the one that finishes last leaves its whole video there.
TEST_F(Capture, TwoCapturesToOnePathBothFinishWithPlayableFiles) {
    const std::string file = *folder / "twice.mp4", longLog = *folder / "long.log";
    const pid_t pid = startVelmora({"--capture", file, "--res", "160x90", "--fps", "25", "--duration", "40"}, longLog);
    for (int i = 0; i < 1200 && readFile(longLog).find("capture: 10 %") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(velmora("--capture " + file + " --res 160x90 --fps 25 --duration 1", *folder / "short.log"), 0)
        << readFile(*folder / "short.log");
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << readFile(longLog);
    EXPECT_EQ(decode(file).frames.size(), 1000u) << "the long capture, which finished last";
    EXPECT_TRUE(leftovers(folder->path(), "twice.mp4").empty());
}

TEST_F(Capture, DamagedMusicGivesAVideoWithoutSoundAndSaysSo) {
    // A copy of the show whose MP3 is not one.
    const std::string show = *folder / "show";
    fs::create_directories(show + "/music");
    for (const auto& entry : fs::directory_iterator(TINY_SHOW))
        if (entry.path().filename() != "music") fs::create_symlink(entry.path(), show + "/" + entry.path().filename().string());
    writeFile(show + "/music/Zo-velmora.mp3", std::string(5000, 'x'));
    ASSERT_EQ(velmora("--data show --capture silent.mp4 --res 64x36 --fps 10 --duration 0.5", *folder / "s.log",
                      folder->path()),
              0)
        << readFile(*folder / "s.log");
    const Decoded d = decode(*folder / "silent.mp4");  // where the command ran, not in --data's folder
    EXPECT_EQ(d.frames.size(), 5u);
    EXPECT_EQ(d.musicSamples, -1);
    EXPECT_NE(readFile(*folder / "s.log").find("the video has no sound"), std::string::npos);
}

TEST(CaptureSpan, StopsAtTheShowsEndAndSaysSo) {
    LaunchOptions o;
    CaptureSpan span;
    std::string note, error;
    ASSERT_TRUE(captureSpan(o, 296.0f, span, note, error));
    EXPECT_EQ(span.frames, 296 * 60);
    EXPECT_TRUE(note.empty());
    o.startGiven = o.durationGiven = true;
    o.startClock = 290.0f;
    o.duration = 20.0f;
    ASSERT_TRUE(captureSpan(o, 296.0f, span, note, error));
    EXPECT_EQ(span.frames, 6 * 60);
    EXPECT_NE(note.find("296"), std::string::npos);
    o.duration = 0.005f;  // less than half a frame
    EXPECT_FALSE(captureSpan(o, 296.0f, span, note, error));
}

TEST(CaptureSpan, MusicIsSilentBeforeItStartsAndAfterItEnds) {
    std::vector<int16_t> music = {1, 1, 2, 2};
    cutMusic(music, -1, 4);
    EXPECT_EQ(music, (std::vector<int16_t>{0, 0, 1, 1, 2, 2, 0, 0}));
    cutMusic(music, 3, 2);
    EXPECT_EQ(music, (std::vector<int16_t>{0, 0, 0, 0}));
}

TEST(CaptureOptions, BatchModesNeverWaitForTheLauncherOrADevice) {
    for (const char* mode : {"--capture", "--contact-sheet"}) {
        const char* argv[] = {"velmora", mode, "out"};
        LaunchOptions o;
        std::string message;
        ASSERT_EQ(parseLaunchOptions(3, argv, o, message), OptionsResult::Run);
        EXPECT_FALSE(o.launcher) << mode;
    }
    const char* argv[] = {"velmora", "--capture", "out.mp4"};
    LaunchOptions o;
    std::string message;
    parseLaunchOptions(3, argv, o, message);
    EXPECT_FALSE(o.midi || o.audio || o.fullscreen);
}

// MPEG-TS answers "unknown" from its tables, and used to be refused as unable to hold
// H.264 and AAC; its muxer is asked instead. Paths reach the terminal escaped.
TEST(CaptureFile, ContainersWithoutTablesAreAskedAndPathsAreShownEscaped) {
    TempFolder folder;
    std::string error;
    EXPECT_TRUE(checkCaptureFile(folder / "a.ts", error)) << error;
    EXPECT_FALSE(checkCaptureFile(folder / "a.gif", error));
    EXPECT_NE(error.find("a gif file cannot hold H.264"), std::string::npos) << error;
    EXPECT_FALSE(checkCaptureFile(folder / "\x1b[2Jgone/a.mp4", error));
    EXPECT_NE(error.find("\\x1b[2Jgone"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

// The README's command line, as it stands: it must finish by itself.
TEST(ContactSheet, AloneFinishesWithoutAClick) {
    TempFolder folder;
    ASSERT_EQ(velmora("--contact-sheet " + folder / "sheet.png", folder / "log"), 0) << readFile(folder / "log");
    EXPECT_GT(fs::file_size(folder / "sheet.png"), 10000u);
}

}  // namespace
