// The tiny pack end to end: generated twice (with one and with two worker threads), it
// must be byte-identical, hold every frame the scenes ask for, and carry every still,
// model and the music the show loads. A failed run must not leave a stamp behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <opencv2/imgcodecs.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "clips/frame_rules.h"
#include "platform/audio.h"
#include "render/frame_archive.h"
#include "tools/velmora_data/file_output.h"
#include "tools/velmora_data/progress.h"
#include "tools/velmora_data/show_pack.h"
#include "run_program.h"
#include "special_files.h"

using namespace vdata;

namespace {

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::string makeTempDir(const char* tag) {
    std::string pattern = ::testing::TempDir() + "velmora_data_" + tag + "_XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const char* made = ::mkdtemp(buffer.data());
    return made ? std::string(made) : std::string();
}

const std::vector<std::string> kFiles = {
    "bin.txt", "bin.bin", "videos/tvphoto.jpeg", "videos/credits00000.jpg", "videos/X00000.jpg", "videos/X00001.jpg",
    "videos/X00002.jpg", "videos/X00003.jpg", "videos/overlay.jpg", "videos/LDR_RGBA_0.png", "music/Zo-velmora.mp3",
    "resources3/box.obj", "resources3/box2.obj", "resources3/Terrain.obj", "resources3/velmora2.obj",
    "resources3/velmora3.obj", "resources3/ant0.obj", "resources3/ant2.obj", "resources3/antall.obj",
    "resources3/270.obj", "resources3/tessan2.obj", "resources3/human4.obj", "resources3/avatar_female_walk.bvh",
    "resources3/scul1.ply", "resources3/scul2.ply", ".velmora-data"};

// Links under names the pack writes, all to one file of the user's.
const std::vector<std::string> kPlanted = {"bin.txt", "bin.bin", "videos/tvphoto.jpeg", "music/Zo-velmora.mp3",
                                           "resources3/box.obj", "sheet.png"};

void plantLinks(const std::string& dir) {
    std::string error;
    for (const char* sub : {"/videos", "/music", "/resources3"}) makeDirectories(dir + sub, error);
    writeFile(dir + "/outside", "keep");
    for (const std::string& name : kPlanted) ::symlink((dir + "/outside").c_str(), (dir + "/" + name).c_str());
}

// Temporary files left anywhere under dir.
std::vector<std::string> temporaries(const std::string& dir) {
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
        if (e.path().extension() == ".tmp") left.push_back(e.path().string());
    return left;
}

int messageLines(const std::string& output) {
    int lines = 0;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) lines += line.rfind("velmora-data:", 0) == 0;
    return lines;
}

}  // namespace

class TinyPack : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::ostringstream log;
        Progress progress(log, false);
        for (int run = 0; run < 2; ++run) {
            DataOptions options;
            options.tiny = true;
            options.jobs = run == 0 ? 2 : 1;
            options.outDir = makeTempDir(run == 0 ? "a" : "b");
            if (run == 0) {
                options.contactSheet = options.outDir + "/sheet.png";
                plantLinks(options.outDir);
            }
            PackReport report;
            std::string error;
            ok_[run] = !options.outDir.empty() && writeShowData(options, progress, report, error);
            dirs_[run] = options.outDir;
            errors_[run] = error;
            if (run == 0) report_ = report;
        }
    }
    static void TearDownTestSuite() {
        for (const std::string& d : dirs_)
            if (!d.empty()) std::system(("rm -rf '" + d + "'").c_str());
    }
    void SetUp() override { ASSERT_TRUE(ok_[0] && ok_[1]) << errors_[0] << " / " << errors_[1]; }

    static std::string dirs_[2], errors_[2];
    static bool ok_[2];
    static PackReport report_;
};
std::string TinyPack::dirs_[2], TinyPack::errors_[2];
bool TinyPack::ok_[2];
PackReport TinyPack::report_;

TEST_F(TinyPack, TwoRunsWithDifferentThreadCountsAreByteIdentical) {
    for (const std::string& f : kFiles) {
        const std::string a = readFile(dirs_[0] + "/" + f), b = readFile(dirs_[1] + "/" + f);
        EXPECT_FALSE(a.empty()) << f << " is missing or empty";
        EXPECT_TRUE(a == b) << f << " differs between runs";
    }
}

TEST_F(TinyPack, EveryFrameAnySceneLoadsIsInTheArchiveAndDecodes) {
    const std::string cwd = dirs_[0];
    FrameArchive archive;
    ASSERT_TRUE(archive.open(cwd + "/bin"));
    EXPECT_EQ(archive.entries.size(), report_.archiveNames);
    std::set<std::string> checked;
    std::vector<unsigned char> bytes;
    int missing = 0;
    for (int s = 0; s < 25; ++s) {
        const int start = kSceneStarts[s], end = s + 1 < 25 ? kSceneStarts[s + 1] : 510;
        for (int i = 0; start + i * 0.01 < end; ++i) {
            const float x = static_cast<float>(start + i * 0.01);
            for (float clock : {0.0f, 250.0f}) {
                const SceneFrames f = sceneFrameRequests(sceneForPosition(x), x, clock);
                for (int k = 0; k < f.size; ++k) {
                    if (!f.requests[k].load || f.requests[k].number < 0) continue;
                    const std::string name = formatFrameName(f.requests[k].prefix, f.requests[k].number);
                    if (!checked.insert(name).second) continue;
                    if (!readArchiveEntry(archive, name, bytes)) {
                        if (++missing < 5) ADD_FAILURE() << name << " (x = " << x << ") is not in the archive";
                        continue;
                    }
                    const cv::Mat img = cv::imdecode(bytes, cv::IMREAD_UNCHANGED);
                    ASSERT_FALSE(img.empty()) << name << " does not decode";
                    EXPECT_EQ(img.channels(), 3) << name << ": the show converts BGR to RGB";
                    EXPECT_EQ(img.cols % 4, 0) << name;
                }
            }
        }
    }
    EXPECT_EQ(missing, 0);
    EXPECT_GT(checked.size(), 12000u);
}

TEST_F(TinyPack, IdenticalPicturesAreStoredOnce) {
    EXPECT_LT(report_.storedEntries, report_.archiveNames - 7000) << "the grain names share a few hundred pictures";
    std::set<std::string> names;
    FrameArchive archive;
    ASSERT_TRUE(archive.open(dirs_[0] + "/bin"));
    for (const ArchiveEntry& e : archive.entries) EXPECT_TRUE(names.insert(e.name).second) << e.name << " twice";
}

TEST_F(TinyPack, StillsDecodeWithTheShapesTheScenesExpect) {
    for (const char* name : {"tvphoto.jpeg", "credits00000.jpg", "X00000.jpg", "X00001.jpg", "X00002.jpg", "X00003.jpg",
                             "overlay.jpg"}) {
        const cv::Mat img = cv::imread(dirs_[0] + "/videos/" + name, cv::IMREAD_COLOR);
        ASSERT_FALSE(img.empty()) << name;
        EXPECT_EQ(img.cols % 4, 0) << name;
    }
    const cv::Mat noise = cv::imread(dirs_[0] + "/videos/LDR_RGBA_0.png", cv::IMREAD_UNCHANGED);
    ASSERT_FALSE(noise.empty());
    EXPECT_EQ(noise.channels(), 4);
    EXPECT_EQ(noise.rows, noise.cols);
    const cv::Mat credits = cv::imread(dirs_[0] + "/videos/credits00000.jpg", cv::IMREAD_COLOR);
    EXPECT_GT(credits.rows, 2 * credits.cols) << "the credits roll is tall";
    EXPECT_FALSE(cv::imread(dirs_[0] + "/sheet.png").empty()) << "contact sheet";
}

TEST_F(TinyPack, MusicDecodesThroughTheShowsPlayerToTheWholeShow) {
    std::vector<int16_t> samples;
    std::string error;
    ASSERT_TRUE(platform::decode_mp3(dirs_[0] + "/music/Zo-velmora.mp3", samples, error)) << error;
    const double seconds = samples.size() / 2.0 / platform::kMusicRate;
    EXPECT_GE(seconds, 296.0);
    EXPECT_NEAR(seconds, 300.0, 1e-3) << "the tag frame makes the decoded length exact";
    int peak = 0;
    for (int16_t s : samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_LE(20 * std::log10(peak / 32768.0), -1.0);
    // Not silence: the music is there from the first seconds to the fade.
    double early = 0;
    for (size_t i = 2 * 48000; i < 4 * 48000; ++i) early += std::abs(samples[i]);
    EXPECT_GT(early / (2 * 48000), 100.0);
}

TEST_F(TinyPack, StampNamesTheVersionAndKind) {
    EXPECT_EQ(readFile(dirs_[0] + "/.velmora-data"), stampText(true) + "\n");
    EXPECT_EQ(temporaries(dirs_[0]), std::vector<std::string>()) << "left behind";
}

TEST_F(TinyPack, PlantedLinksAreReplacedAndTheirTargetKept) {
    EXPECT_EQ(readFile(dirs_[0] + "/outside"), "keep");
    for (const std::string& name : kPlanted) EXPECT_FALSE(std::filesystem::is_symlink(dirs_[0] + "/" + name)) << name;
}

TEST(PackFailure, AFailedRunRemovesTheOldStampAndSaysWhatFailed) {
    const std::string dir = makeTempDir("fail");
    ASSERT_FALSE(dir.empty());
    std::string error;
    ASSERT_TRUE(writeFileReplacing(dir + "/.velmora-data", stampText(true) + "\n", error));
    // "videos" is a file, so no still can be written.
    ASSERT_TRUE(writeFileReplacing(dir + "/videos", std::string("not a folder"), error));
    std::ostringstream log;
    Progress progress(log, false);
    DataOptions options;
    options.tiny = true;
    options.outDir = dir;
    PackReport report;
    EXPECT_FALSE(writeShowData(options, progress, report, error));
    EXPECT_NE(error.find("videos"), std::string::npos) << error;
    EXPECT_FALSE(exists(dir + "/.velmora-data")) << "a failed run must not look complete";
    std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(PackFailure, TheCommandLineToolExitsWithAMessage) {
    const std::string exe = VELMORA_DATA_EXE;
    auto run = [&](const std::string& args) {
        const int status = std::system((exe + " " + args + " >/dev/null 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run("--jobs nine out"), 2);
    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(run("--version"), 0);
    const std::string dir = makeTempDir("cli");
    std::string error;
    ASSERT_TRUE(writeFileReplacing(dir + "/file", std::string("x"), error));
    EXPECT_EQ(run("--tiny '" + dir + "/file'"), 1) << "an output directory that is a file";
    std::system(("rm -rf '" + dir + "'").c_str());
}

// The contact sheet is written at the end of a run of minutes: a pipe under its name used
// to hold the finished run for good.
TEST(PackOutput, AContactSheetThatIsAPipeIsRefusedBeforeTheRun) {
    TempFolder dir;
    const SpecialFiles special(dir);
    ASSERT_FALSE(special.pipe.empty());
    const ProgramRun run = runProgram(VELMORA_DATA_EXE, {"--tiny", "--contact-sheet", special.pipe, dir / "out"});
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_EQ(messageLines(run.output), 1) << run.output;
    EXPECT_NE(run.output.find("is not a regular file"), std::string::npos) << run.output;
    EXPECT_FALSE(exists(dir / "out")) << "refused before anything was made";
}

TEST(PackOutput, AFullDiskIsSaidOnceAndTheEarlierFilesKept) {
    TempFolder dir;
    const SmallDisk disk(dir, 256);
    if (disk.path.empty()) GTEST_SKIP() << "no small disk here (not root)";
    const std::string out = disk.path + "/out";
    std::string error;
    ASSERT_TRUE(makeDirectories(out + "/videos", error)) << error;
    const std::vector<std::pair<std::string, std::string>> earlier = {
        {"bin.txt", "old index"}, {"bin.bin", "old data"}, {"videos/tvphoto.jpeg", "old picture"}};
    for (const auto& [name, text] : earlier) writeFile(out + "/" + name, text);
    std::ofstream filler(disk.path + "/filler", std::ios::binary);
    for (int k = 0; k < 1000 && filler.write(std::string(4096, 'x').data(), 4096).flush(); ++k) {
    }
    filler.close();
    const ProgramRun run = runProgram(VELMORA_DATA_EXE, {"--tiny", out});
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_EQ(messageLines(run.output), 1) << run.output;
    EXPECT_NE(run.output.find("the disk is full"), std::string::npos) << run.output;
    for (const auto& [name, text] : earlier) EXPECT_EQ(readFile(out + "/" + name), text) << name;
    EXPECT_EQ(temporaries(out), std::vector<std::string>()) << "left behind";
}
