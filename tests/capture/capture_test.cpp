// The capture to video, end to end on the tiny show under Xvfb, each file read back
// through libavformat and libavcodec; the capture into a folder; the frame hashes' file;
// and the contact sheet, which must not wait for a click.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "app/launch_options.h"
#include "capture/capture.h"
#include "capture/capture_encoder.h"
#include "capture/capture_folder.h"
#include "decoded_video.h"
#include "platform/audio.h"
#include "platform/window.h"
#include "special_files.h"
#include "take/take_file.h"
#include "take/take_music.h"
#include "take/version.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

// The temporary files of writes to name left in folder ("NAME.<process>.tmp", and the
// ".NAME.<process>.part" of older captures).
std::vector<std::string> leftovers(const std::string& folder, const std::string& name) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string file = entry.path().filename().string();
        const auto ends = [&](const std::string& end) {
            return file.size() > end.size() && file.compare(file.size() - end.size(), end.size(), end) == 0;
        };
        if ((file.rfind("." + name + ".", 0) == 0 && ends(".part")) || (file.rfind(name + ".", 0) == 0 && ends(".tmp")))
            found.push_back(file);
    }
    return found;
}

// A take of `frames` frames `dt` apart whose part clock is clock(k), with Escape pressed
// in frame escapeAt (none when negative), drawn in a 64x36 window. Its version and show
// data are not this program's: runs replay it with --force.
std::string takeBytes(long frames, float dt, const std::function<float(long)>& clock, long escapeAt = -1) {
    TakeHeader header;
    header.version = programVersion();
    header.width = 64;
    header.height = 36;
    TakeInput escape;
    escape.kind = TakeInputKind::Key;
    escape.down = true;
    escape.scancode = 41;  // SDL's scancode of Escape
    escape.sym = platform::kKeyEscape;
    std::string payload;
    for (long k = 0; k < frames; ++k)
        encodeTakeFrame(payload, TakeFrame{dt, clock(k), 0, k == escapeAt ? 1u : 0u}, &escape);
    encodeTakeEnd(payload, escapeAt >= 0 ? TakeEnd::Escape : TakeEnd::FrameLimit, dt);
    return encodeTakeHeader(header) + encodeTakeBlock(0, static_cast<uint32_t>(frames), payload);
}
float movingClock(long k) { return 12.0f + k * 0.04f; }

// Lines of a text file.
size_t lineCount(const std::string& path) {
    std::ifstream in(path);
    size_t lines = 0;
    for (std::string line; std::getline(in, line);) lines += 1;
    return lines;
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

// The names in a capture's folder, sorted.
std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The width and height a PNG file's header gives.
std::pair<int, int> pngSize(const std::string& png) {
    const auto at = [&](size_t i) { return static_cast<int>(static_cast<uint8_t>(png.at(i))); };
    return {at(16) << 24 | at(17) << 16 | at(18) << 8 | at(19), at(20) << 24 | at(21) << 16 | at(22) << 8 | at(23)};
}

// Waits up to two minutes for text in the file log.
bool waitFor(const std::string& log, const std::string& text) {
    for (int i = 0; i < 1200; ++i) {
        if (readFile(log).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// Ends a process started by startVelmora with signal (0: waits for its end); its exit
// status, or -1 when a signal ended it. peakMB: the most memory it held at once.
int stopVelmora(pid_t pid, int signal, long* peakMB = nullptr) {
    if (signal) kill(pid, signal);
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    if (peakMB) *peakMB = usage.ru_maxrss / 1024;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
            // A link planted under the name must not redirect the writing: the video replaces it.
            writeFile(*folder / "outside.txt", "keep");
            fs::create_symlink(*folder / "outside.txt", *folder / "a.mp4");
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
        {*folder / "x.mp4", "--start 296", "the show's end"},
    };
    for (const auto& r : refused) {
        EXPECT_NE(velmora("--capture " + r.file + " " + r.options, *folder / "r.log"), 0) << r.file << r.options;
        EXPECT_NE(readFile(*folder / "r.log").find(r.why), std::string::npos) << readFile(*folder / "r.log");
        EXPECT_FALSE(fs::exists(r.file)) << r.file;
        EXPECT_TRUE(leftovers(folder->path(), "x.mp4").empty());
    }
}

// SIGINT and SIGTERM end a capture as --record ends a take: the video is finished with the
// frames made so far and kept (status 0); they used to leave it with status 130 and 143.
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
        EXPECT_EQ(WEXITSTATUS(status), 0) << readFile(log);
        EXPECT_NE(readFile(log).find(signal == SIGINT ? "stopped early by SIGINT" : "stopped early by SIGTERM"),
                  std::string::npos)
            << readFile(log);
        EXPECT_TRUE(leftovers(folder->path(), "stopped.mp4").empty());
        const Decoded d = decode(file);
        ASSERT_TRUE(d.opened) << readFile(log);
        EXPECT_GE(d.frames.size(), 50u) << "at least the tenth reported";
        EXPECT_LT(d.frames.size(), 500u);
        EXPECT_NE(readFile(log).find("after " + std::to_string(d.frames.size()) + " of 500 frames"),
                  std::string::npos)
            << "every frame rendered is in the file\n" << readFile(log);
        EXPECT_NEAR(d.musicSamples, d.frames.size() * 48000.0 / 25, 48000 / 25);
    }
    // While the show still loads there is nothing to keep: it stops at once, with no file.
    const std::string file = *folder / "early.mp4", log = *folder / "early.log";
    const pid_t pid = startVelmora({"--capture", file, "--res", "320x180", "--fps", "25", "--duration", "20"}, log);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_NE(stopVelmora(pid, SIGTERM), 0) << readFile(log);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(leftovers(folder->path(), "early.mp4").empty());
}

// A short capture made to the same path while a long one runs: each keeps its own
// unfinished file; the one that finishes last finds the other's video under the name,
// leaves it, keeps its own beside it and says so with status 1.
TEST_F(Capture, TwoCapturesToOnePathBothFinishWithPlayableFiles) {
    const std::string file = *folder / "twice.mp4", longLog = *folder / "long.log";
    const pid_t pid = startVelmora({"--capture", file, "--res", "160x90", "--fps", "25", "--duration", "40"}, longLog);
    for (int i = 0; i < 1200 && readFile(longLog).find("capture: 10 %") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(velmora("--capture " + file + " --res 160x90 --fps 25 --duration 1", *folder / "short.log"), 0)
        << readFile(*folder / "short.log");
    EXPECT_EQ(stopVelmora(pid, 0), 1) << readFile(longLog);
    EXPECT_EQ(decode(file).frames.size(), 25u) << "the short capture, which finished first";
    const std::string kept = *folder / ("twice." + std::to_string(pid) + ".mp4");
    EXPECT_NE(readFile(longLog).find("this one is kept as \"" + kept + "\""), std::string::npos) << readFile(longLog);
    EXPECT_EQ(decode(kept).frames.size(), 1000u);
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

// Outputs that would destroy what the run reads, or wait on a pipe: --capture and
// --frame-hashes onto the replayed take (a take may have any name, set.mp4 too), the take
// being recorded, the show's own files, a pipe or a device are refused in one line before
// the show loads, and left as they were. The capture used to render the take and rename
// its video over it; --frame-hashes emptied them before anything was checked.
TEST_F(Capture, OutputsThatAreTheRunsInputsOrNotFilesAreRefusedUntouched) {
    const std::string take = *folder / "set.mp4", bytes = takeBytes(20, 0.04f, movingClock);
    writeFile(take, bytes);
    // A show whose index is a copy of its own: a mistake here would not take it from the other tests.
    const std::string show = *folder / "refusing-show";
    fs::create_directories(show);
    for (const auto& entry : fs::directory_iterator(TINY_SHOW))
        if (entry.path().filename() != "bin.txt") fs::create_symlink(entry.path(), show + "/" + entry.path().filename().string());
    fs::copy_file(std::string(TINY_SHOW) + "/bin.txt", show + "/bin.txt");
    const std::string index = readFile(show + "/bin.txt");
    SpecialFiles special(*folder);
    ASSERT_FALSE(special.pipe.empty());
    ASSERT_EQ(mkfifo((*folder / "pipe.mp4").c_str(), 0600), 0);
    const std::string live = "--no-launcher --windowed --res 64x36 --frames 1 ";  // ends soon if it were let run
    const struct {
        std::string args, why;
    } refused[] = {
        {"--force --capture " + take + " --replay " + take, "is one of this run's input files"},
        {"--force --replay " + take + " --frame-hashes " + take, "is one of this run's input files"},
        {live + "--record " + *folder / "rec.take" + " --frame-hashes " + *folder / "rec.take", "is one of this run's input files"},
        {live + "--data " + show + " --frame-hashes " + show + "/bin.txt", "is one of this run's input files"},
        {"--capture " + *folder / "pipe.mp4", "is not a regular file"},
        {live + "--frame-hashes " + special.pipe, "is not a regular file"},
        {live + "--frame-hashes /dev/full", "is not a regular file"},
    };
    for (const auto& r : refused) {
        EXPECT_EQ(velmora(r.args, *folder / "refused.log"), 2) << r.args << "\n" << readFile(*folder / "refused.log");
        EXPECT_NE(readFile(*folder / "refused.log").find(r.why), std::string::npos) << readFile(*folder / "refused.log");
    }
    EXPECT_EQ(readFile(take), bytes) << "the performance is kept";
    EXPECT_EQ(readFile(show + "/bin.txt"), index);
    EXPECT_EQ(fs::status(*folder / "pipe.mp4").type(), fs::file_type::fifo);
    EXPECT_TRUE(leftovers(folder->path(), "set.mp4").empty());
}

// Every way a run ends leaves the whole --frame-hashes file in place of the old one, and no
// temporary file: the lines go into one beside the name until the exit puts it there.
TEST_F(Capture, EveryWayOutOfARunLeavesItsFrameHashes) {
    writeFile(*folder / "fifteen.take", takeBytes(15, 0.02f, movingClock));
    writeFile(*folder / "escaped.take", takeBytes(30, 0.02f, movingClock, 10));
    const std::string hashes = *folder / "hashes.txt", log = *folder / "hashes.log";
    const struct {
        std::string args;
        size_t lines;
    } ways[] = {
        {"--no-launcher --windowed --res 64x36 --frames 7 --frame-hashes " + hashes, 7},
        {"--force --replay " + *folder / "fifteen.take" + " --frame-hashes " + hashes, 15},  // the take's end
        {"--force --replay " + *folder / "escaped.take" + " --frame-hashes " + hashes, 10},  // its Escape
    };
    for (const auto& way : ways) {
        writeFile(hashes, "old\n");
        EXPECT_EQ(velmora(way.args, log), 0) << way.args << "\n" << readFile(log);
        EXPECT_EQ(lineCount(hashes), way.lines) << way.args;
        EXPECT_TRUE(leftovers(folder->path(), "hashes.txt").empty());
    }
    // A run that fails before its first frame leaves the old lines, not an empty file.
    writeFile(hashes, "old\n");
    EXPECT_EQ(velmora("--data " + *folder / "no show" + " --frame-hashes " + hashes, log), 2) << readFile(log);
    EXPECT_EQ(readFile(hashes), "old\n");
    EXPECT_TRUE(leftovers(folder->path(), "hashes.txt").empty());
    for (const int signal : {SIGINT, SIGTERM}) {
        writeFile(hashes, "old\n");
        const pid_t pid = startVelmora({"--no-launcher", "--windowed", "--res", "64x36", "--frame-hashes", hashes}, log);
        const std::string temporary = hashes + "." + std::to_string(pid) + ".tmp";
        for (int i = 0; i < 1200 && lineCount(temporary) < 3; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(stopVelmora(pid, signal), 0) << readFile(log);
        EXPECT_GE(lineCount(hashes), 3u) << signal;
        EXPECT_EQ(readFile(hashes).find("old"), std::string::npos);
        EXPECT_TRUE(leftovers(folder->path(), "hashes.txt").empty());
    }
}

// A take whose performer pressed Escape: its capture ends there, as the performance did,
// with the video finished and kept. It used to stop half-way through exit(0): status 0, no
// video, and the unfinished file left beside the name.
TEST_F(Capture, ATakeEndingInEscapeGivesAWholeVideo) {
    writeFile(*folder / "esc.take", takeBytes(50, 0.04f, movingClock, 25));
    const std::string video = *folder / "esc.mp4", log = *folder / "esc.log";
    ASSERT_EQ(velmora("--force --capture " + video + " --replay " + *folder / "esc.take" + " --fps 25", log), 0)
        << readFile(log);
    EXPECT_NE(readFile(log).find("the performance ended with Escape"), std::string::npos) << readFile(log);
    const Decoded d = decode(video);
    EXPECT_NEAR(static_cast<double>(d.frames.size()), 25, 1);
    EXPECT_NEAR(d.musicSamples, d.frames.size() * 48000.0 / 25, 48000 / 25);
    EXPECT_TRUE(leftovers(folder->path(), "esc.mp4").empty());
}

// A capture killed outright leaves its temporary file (it used to leave a hidden one that
// nothing removed); the next capture to the name removes it and the ".NAME.<process>.part"
// files of older versions, but never those of a process still running.
TEST_F(Capture, WhatAKilledCaptureLeavesGoesWithTheNextOne) {
    const std::string video = *folder / "k.mp4", log = *folder / "k.log";
    const pid_t pid = startVelmora({"--capture", video, "--res", "64x36", "--fps", "25", "--duration", "100"}, log);
    ASSERT_TRUE(waitFor(log, "capture: 5 %")) << readFile(log);
    EXPECT_EQ(stopVelmora(pid, SIGKILL), -1);
    EXPECT_TRUE(fs::exists(video + "." + std::to_string(pid) + ".tmp"));
    writeFile(*folder / ".k.mp4.2147483000.part", "an older version's, of a process gone");
    const std::string running = std::to_string(getpid());
    writeFile(*folder / (".k.mp4." + running + ".part"), "a running process's");
    writeFile(*folder / ("k.mp4." + running + ".tmp"), "a running process's");
    ASSERT_EQ(velmora("--capture " + video + " --res 64x36 --fps 10 --duration 0.5", log), 0) << readFile(log);
    EXPECT_EQ(decode(video).frames.size(), 5u);
    std::vector<std::string> left = leftovers(folder->path(), "k.mp4");
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{".k.mp4." + running + ".part", "k.mp4." + running + ".tmp"}));
}

// The capture of a take that holds the clock for over an hour: its sound track is made as
// the frames are encoded. Made whole before the first frame, it took 770 MB more than a
// short capture here (and std::bad_alloc for a take of ten hours); SIGTERM then keeps what
// was made.
TEST_F(Capture, ALongTakesSoundIsMadeAsItIsEncoded) {
    const std::string take = *folder / "long.take", video = *folder / "long.mp4", log = *folder / "long.log";
    writeFile(take, takeBytes(4000 / 0.35, 0.35f, [](long) { return 20.0f; }));
    long shortPeak = 0, longPeak = 0;
    pid_t pid = startVelmora({"--force", "--capture", video, "--replay", take, "--fps", "1", "--duration", "2"}, log);
    ASSERT_EQ(stopVelmora(pid, 0, &shortPeak), 0) << readFile(log);
    pid = startVelmora({"--force", "--capture", video, "--replay", take, "--fps", "1"}, log);
    ASSERT_TRUE(waitFor(log, "capture: 5 %")) << readFile(log);
    EXPECT_EQ(stopVelmora(pid, SIGTERM, &longPeak), 0) << readFile(log);
    EXPECT_LT(longPeak, shortPeak + 150) << "MB at the peak of a 2 s capture: " << shortPeak;
    const Decoded d = decode(video);
    EXPECT_GE(d.frames.size(), 200u) << readFile(log);
    EXPECT_NEAR(d.musicSamples, d.frames.size() * 48000.0, 48000);
}

// A full disk, during a capture and while frame hashes are written: one line saying so,
// status 1, the old file as it was and no temporary file.
TEST_F(Capture, AFullDiskIsSaidAndTheOldFileKept) {
    SmallDisk disk(*folder, 16);  // the two old files take a page each: 8 KB left
    if (disk.path.empty()) GTEST_SKIP() << "no small disk here (it needs root)";
    const std::string video = disk.path + "/x.mp4", hashes = disk.path + "/h.txt", log = *folder / "full.log";
    writeFile(video, "the old video");
    writeFile(hashes, "the old hashes\n");
    EXPECT_EQ(velmora("--capture " + video + " --res 64x36 --fps 10 --duration 20", log), 1) << readFile(log);
    EXPECT_NE(readFile(log).find("cannot write \"" + video + "\": the disk is full"), std::string::npos) << readFile(log);
    EXPECT_EQ(readFile(log).find("capture: 100 %"), std::string::npos) << "it stops when the disk is full";
    EXPECT_EQ(readFile(video), "the old video");
    // About 370 lines fit.
    EXPECT_EQ(velmora("--no-launcher --windowed --res 64x36 --frames 2000 --frame-hashes " + hashes, log), 1)
        << readFile(log);
    EXPECT_NE(readFile(log).find("cannot write \"" + hashes + "\": the disk is full"), std::string::npos) << readFile(log);
    EXPECT_EQ(readFile(hashes), "the old hashes\n");
    EXPECT_TRUE(leftovers(disk.path, "x.mp4").empty());
    EXPECT_TRUE(leftovers(disk.path, "h.txt").empty());
    // Into a folder: the frames that fitted, no sound.wav, and no temporary file.
    EXPECT_EQ(velmora("--capture " + disk.path + "/frames/ --res 64x36 --fps 10 --duration 20", log), 1) << readFile(log);
    EXPECT_NE(readFile(log).find("the disk is full"), std::string::npos) << readFile(log);
    EXPECT_NE(readFile(log).find("and no sound.wav"), std::string::npos) << readFile(log);
    for (const std::string& name : namesIn(disk.path + "/frames")) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
    EXPECT_FALSE(fs::exists(disk.path + "/frames/sound.wav"));
}

// Into a folder: a PNG file per frame at the size asked for (odd sizes too), and the music
// of the span itself, sample for sample, as a WAV file; the same bytes at every capture.
TEST_F(Capture, IntoAFolderEveryFrameIsAPngAndTheSoundIsTheSpansMusic) {
    const std::string frames = *folder / "frames/", again = *folder / "again", log = *folder / "frames.log";
    ASSERT_EQ(velmora("--capture " + frames + " --res 63x35 --fps 10 --start 12 --duration 1", log), 0) << readFile(log);
    EXPECT_NE(readFile(log).find("PNG frames and sound.wav"), std::string::npos) << readFile(log);
    std::vector<std::string> expected;
    for (int n = 1; n <= 10; ++n) expected.push_back(captureFrameName(n));
    expected.push_back("sound.wav");
    ASSERT_EQ(namesIn(frames), expected);
    EXPECT_EQ(pngSize(readFile(frames + "frame00001.png")), std::make_pair(63, 35));
    EXPECT_NE(readFile(frames + "frame00001.png"), readFile(frames + "frame00010.png")) << "the show moves";
    std::vector<int16_t> music;
    std::string error;
    ASSERT_TRUE(platform::decode_mp3(std::string(TINY_SHOW) + "/music/Zo-velmora.mp3", music, error, 13 * 48000)) << error;
    const std::string wav = readFile(frames + "sound.wav");
    ASSERT_EQ(wav.size(), 44u + 48000 * 4);
    EXPECT_EQ(wav.substr(0, 44), wavHeader(48000));
    EXPECT_EQ(std::memcmp(wav.data() + 44, music.data() + 12 * 48000 * 2, 48000 * 4), 0) << "the MP3's own samples from 12 s";
    // An existing folder named without a separator is one too.
    fs::create_directories(again);
    ASSERT_EQ(velmora("--capture " + again + " --res 63x35 --fps 10 --start 12 --duration 1", log), 0) << readFile(log);
    for (const std::string& name : expected) EXPECT_EQ(readFile(again + "/" + name), readFile(frames + name)) << name;
}

// A folder holding files a capture did not write, or a file named as a folder: refused in
// one line with status 2 before the show loads, and left as it was.
TEST_F(Capture, AFolderOfOtherFilesIsRefusedBeforeTheShowLoads) {
    writeFile(*folder / "mine.txt", "a file, not a folder");
    fs::create_directories(*folder / "notes");
    writeFile(*folder / "notes/plan.txt", "mine");
    const struct {
        std::string target, why;
    } refused[] = {
        {*folder / "notes/", "holds files a capture did not write (\"plan.txt\")"},
        {*folder / "mine.txt/", "it is not a folder"},
    };
    for (const auto& r : refused) {
        EXPECT_EQ(velmora("--capture " + r.target + " --res 64x36 --fps 10 --duration 1", *folder / "n.log"), 2);
        EXPECT_EQ(lineCount(*folder / "n.log"), 1u) << readFile(*folder / "n.log");
        EXPECT_NE(readFile(*folder / "n.log").find(r.why), std::string::npos) << readFile(*folder / "n.log");
    }
    EXPECT_EQ(namesIn(*folder / "notes"), std::vector<std::string>{"plan.txt"});
    EXPECT_EQ(readFile(*folder / "mine.txt"), "a file, not a folder");
}

// SIGINT ends a folder's capture as it ends a video's: the frames so far, their sound
// beside them, status 0.
TEST_F(Capture, AnInterruptedFolderCaptureKeepsItsFramesWithTheirSound) {
    const std::string frames = *folder / "stopped/", log = *folder / "stopped-folder.log";
    const pid_t pid = startVelmora({"--capture", frames, "--res", "64x36", "--fps", "25", "--duration", "20"}, log);
    ASSERT_TRUE(waitFor(log, "capture: 10 %")) << readFile(log);
    EXPECT_EQ(stopVelmora(pid, SIGINT), 0) << readFile(log);
    const std::vector<std::string> names = namesIn(frames);
    ASSERT_GE(names.size(), 51u) << readFile(log);
    const size_t count = names.size() - 1;
    EXPECT_EQ(names.back(), "sound.wav");
    EXPECT_EQ(names[count - 1], captureFrameName(static_cast<long>(count)));
    EXPECT_NE(readFile(log).find("after " + std::to_string(count) + " of 500 frames"), std::string::npos) << readFile(log);
    EXPECT_EQ(readFile(frames + "sound.wav").size(), 44 + count * 48000 / 25 * 4);
}

// A take replayed into a folder: as many frames as the take lasts at the capture's rate,
// and its sound as long.
TEST_F(Capture, AReplayIntoAFolderLastsAsLongAsItsTake) {
    writeFile(*folder / "twenty.take", takeBytes(20, 0.04f, movingClock));
    const std::string frames = *folder / "replayed/", log = *folder / "replayed.log";
    ASSERT_EQ(velmora("--force --capture " + frames + " --replay " + *folder / "twenty.take" + " --fps 25", log), 0)
        << readFile(log);
    const std::vector<std::string> names = namesIn(frames);
    ASSERT_EQ(names.size(), 21u) << readFile(log);
    EXPECT_EQ(names[19], "frame00020.png");
    EXPECT_EQ(readFile(frames + "sound.wav").size(), 44u + 20 * 1920 * 4);
    EXPECT_EQ(pngSize(readFile(frames + "frame00001.png")), std::make_pair(64, 36)) << "the take's window";
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
    const std::vector<int16_t> music = {1, 1, 2, 2};
    std::vector<int16_t> piece(8, 7);
    musicPiece(music, -1, 4, piece.data());
    EXPECT_EQ(piece, (std::vector<int16_t>{0, 0, 1, 1, 2, 2, 0, 0}));
    musicPiece(music, 3, 2, piece.data());
    EXPECT_EQ(piece, (std::vector<int16_t>{0, 0, 0, 0, 2, 2, 0, 0}));
}

// A take's sound track used to be made whole before the first frame (a gigabyte for a take
// that holds the clock for hours); made in pieces as the encoder asks, it is the same track.
TEST(CaptureSpan, ATakesTrackMadeInPiecesIsTheWholeTrack) {
    std::vector<int16_t> music(4 * 48000 * 2);
    for (size_t i = 0; i < music.size(); ++i) music[i] = static_cast<int16_t>(i * 7919 % 30011 - 15000);
    Take take;
    float clock = 0.0f;
    for (int k = 0; k < 120; ++k) {  // on, stopped, a jump back, on again
        take.frames.push_back(TakeFrame{1.0f / 60, clock, 0, 0});
        clock = k == 70 ? 0.5f : (k >= 30 && k < 50) ? clock : clock + 1.0f / 60;
    }
    const std::vector<int16_t> whole = takeMusic(music, take, 3 * 48000);
    TakeMusicStream stream;
    startTakeMusic(stream, music, take);
    std::vector<int16_t> pieces(whole.size());
    for (size_t at = 0, n = 1; at < pieces.size() / 2; at += n, n = n * 3 % 2047 + 1) {
        n = std::min(n, pieces.size() / 2 - at);
        nextTakeMusic(stream, pieces.data() + at * 2, static_cast<int64_t>(n));
    }
    EXPECT_EQ(pieces, whole);
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
    EXPECT_TRUE(checkCaptureFile(folder / "a.ts", {}, error)) << error;
    EXPECT_FALSE(checkCaptureFile(folder / "a.gif", {}, error));
    EXPECT_NE(error.find("a gif file cannot hold H.264"), std::string::npos) << error;
    EXPECT_FALSE(checkCaptureFile(folder / "\x1b[2Jgone/a.mp4", {}, error));
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
