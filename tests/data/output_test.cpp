// Output plumbing: files appear complete or not at all, progress stays readable in logs,
// the contact sheet takes any set of frames.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tools/velmora_data/contact_sheet.h"
#include "tools/velmora_data/file_output.h"
#include "tools/velmora_data/progress.h"
#include "platform/file_replace.h"

using namespace vdata;

namespace {

std::string tempDir() {
    std::string pattern = ::testing::TempDir() + "velmora_output_XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    return ::mkdtemp(buffer.data()) ? std::string(buffer.data()) : std::string();
}

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

TEST(FileOutput, ReplacesWholeFilesAndLeavesNoTemporaryBehind) {
    const std::string dir = tempDir();
    ASSERT_FALSE(dir.empty());
    std::string error;
    ASSERT_TRUE(writeFileReplacing(dir + "/a.txt", std::string("first version, longer"), error)) << error;
    ASSERT_TRUE(writeFileReplacing(dir + "/a.txt", std::string("second"), error)) << error;
    EXPECT_EQ(read(dir + "/a.txt"), "second");
    EXPECT_FALSE(exists(platform::process_temp_path(dir + "/a.txt")));
    // Into a folder that does not exist: a message naming the file, nothing created.
    EXPECT_FALSE(writeFileReplacing(dir + "/missing/b.txt", std::string("x"), error));
    EXPECT_NE(error.find("missing/b.txt"), std::string::npos) << error;
    // Onto a directory: the rename fails and the temporary is cleaned up.
    ASSERT_TRUE(makeDirectories(dir + "/c/d", error)) << error;
    EXPECT_FALSE(writeFileReplacing(dir + "/c", std::string("x"), error));
    EXPECT_FALSE(exists(platform::process_temp_path(dir + "/c")));
    std::system(("rm -rf '" + dir + "'").c_str());
}

// A link planted under the old temporary name used to take the music out of the folder,
// and a user's own "NAME.tmp" used to be written over and renamed away.
TEST(FileOutput, NeverWritesThroughALinkOrAUsersFileBesideTheOutput) {
    const std::string dir = tempDir();
    std::string error;
    ASSERT_TRUE(writeFileReplacing(dir + "/outside", std::string("keep"), error));
    ASSERT_EQ(::symlink((dir + "/outside").c_str(), (dir + "/a.mp3.tmp").c_str()), 0);
    ASSERT_TRUE(writeFileReplacing(dir + "/b.jpg.tmp", std::string("mine"), error));
    ASSERT_TRUE(writeFileReplacing(dir + "/a.mp3", std::string("music"), error)) << error;
    ASSERT_TRUE(writeFileReplacing(dir + "/b.jpg", std::string("picture"), error)) << error;
    EXPECT_EQ(read(dir + "/outside"), "keep");
    EXPECT_EQ(read(dir + "/a.mp3"), "music");
    EXPECT_EQ(read(dir + "/b.jpg.tmp"), "mine");
    EXPECT_EQ(read(dir + "/b.jpg"), "picture");
    std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(FileOutput, DirectoriesThroughAFileAreRefused) {
    const std::string dir = tempDir();
    std::string error;
    ASSERT_TRUE(writeFileReplacing(dir + "/plain", std::string("x"), error));
    EXPECT_FALSE(makeDirectories(dir + "/plain/sub", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(makeDirectories("", error));
    ASSERT_TRUE(makeDirectories(dir + "/x/y/z/", error)) << "a trailing slash is fine";
    EXPECT_TRUE(removeIfPresent(dir + "/never-was", error));
    EXPECT_TRUE(removeIfPresent(dir + "/plain", error));
    EXPECT_FALSE(exists(dir + "/plain"));
    std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(Progress, PlainOutputPrintsAboutTenLinesWhateverTheCount) {
    std::ostringstream out;
    Progress progress(out, false);
    progress.stage("frames", 5779);
    for (int i = 0; i < 5779; ++i) progress.advance();
    progress.note("done");
    const std::string text = out.str();
    EXPECT_EQ(text.find('\r'), std::string::npos) << "no carriage returns in a log";
    const long lines = std::count(text.begin(), text.end(), '\n');
    EXPECT_GE(lines, 11);
    EXPECT_LE(lines, 13);
    EXPECT_NE(text.find("5779/5779 (100%)"), std::string::npos);
}

TEST(Progress, TerminalOutputRedrawsOneLine) {
    std::ostringstream out;
    Progress progress(out, true);
    progress.stage("frames", 40);
    for (int i = 0; i < 40; ++i) progress.advance();
    const std::string text = out.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 41);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << "one line, ended when the stage completes";
}

TEST(ContactSheet, PlacesEveryFrameAndToleratesOddOnes) {
    std::vector<std::pair<std::string, cv::Mat3b>> frames;
    for (int i = 0; i < 29; ++i) frames.push_back({"c://videos//seq" + std::to_string(i), cv::Mat3b(90, 160, cv::Vec3b(0, 0, 255))});
    frames.push_back({"empty", cv::Mat3b()});
    frames.push_back({"very wide", cv::Mat3b(10, 5000, cv::Vec3b(255, 0, 0))});
    const cv::Mat3b sheet = makeContactSheet(frames, 800, 100);
    ASSERT_FALSE(sheet.empty());
    EXPECT_EQ(sheet.cols, 800);
    // 29 thumbnails of 178 pixels fit four to a row: at least eight rows.
    EXPECT_GE(sheet.rows, 8 * 100);
    // The red thumbnails are all on the sheet.
    int red = 0;
    for (int y = 0; y < sheet.rows; ++y)
        for (int x = 0; x < sheet.cols; ++x) red += sheet(y, x) == cv::Vec3b(0, 0, 255);
    EXPECT_GE(red, 29 * 100 * 170);
    EXPECT_FALSE(makeContactSheet({}).empty());
}
