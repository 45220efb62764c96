// The file helpers against names that are not plain files, files past their bound, and
// a second process writing the same file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/file_read.h"
#include "platform/file_replace.h"
#include "temp_folder.h"

namespace {

using platform::FileRead;

TEST(RegularFileRead, ReadsAWholeFileWithinItsBound) {
    TempFolder folder;
    const std::string path = folder.write("a.txt", std::string(1000, 'x'));
    std::string data, why;
    EXPECT_EQ(platform::read_regular_file(path, data, 1000, why), FileRead::Read);
    EXPECT_EQ(data.size(), 1000u);
    EXPECT_EQ(platform::read_regular_file(path, data, 999, why), FileRead::TooLarge);
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(why, "larger than 999 bytes, the most read from such a file");
    std::vector<unsigned char> bytes;
    EXPECT_EQ(platform::read_regular_file(folder / "none", bytes, 10, why), FileRead::Missing);
}

// Each of these used to be read to its end: never, for the pipe and the devices.
TEST(RegularFileRead, RefusesFoldersPipesAndDevicesWithoutWaiting) {
    TempFolder folder;
    ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
    std::string data, why;
    EXPECT_EQ(platform::read_regular_file(folder.path(), data, 1 << 20, why), FileRead::NotAFile);
    EXPECT_EQ(why, "a folder, not a file");
    EXPECT_EQ(platform::read_regular_file(folder / "pipe", data, 1 << 20, why), FileRead::NotAFile);
    std::filesystem::create_symlink("/dev/zero", folder / "zero");
    EXPECT_EQ(platform::read_regular_file(folder / "zero", data, 1 << 20, why), FileRead::NotAFile);
    EXPECT_EQ(platform::read_regular_file("/dev/urandom", data, 1 << 20, why), FileRead::NotAFile);
    EXPECT_TRUE(data.empty());
    FileRead status = FileRead::Read;
    EXPECT_EQ(platform::open_regular_file(folder / "pipe", why, &status), nullptr);
    EXPECT_EQ(status, FileRead::NotAFile);
}

// Two shows in one folder: the other one's half-written camera file, under the name a
// fixed temporary name would share, is neither deleted nor renamed over the real file.
TEST(ReplaceFile, LeavesAnotherProcesssTemporaryFileAlone) {
    TempFolder folder;
    const std::string path = folder / "FreeCam.bin";
    const std::string theirs = folder.write("FreeCam.bin.tmp", "half");
    ASSERT_TRUE(platform::replace_file(path, "mine", 4));
    EXPECT_EQ(readFile(path), "mine");
    EXPECT_EQ(readFile(theirs), "half");
    EXPECT_NE(platform::process_temp_path(path), theirs);
    EXPECT_FALSE(std::filesystem::exists(platform::process_temp_path(path)));
}

TEST(FileIdentity, TellsAFileReplacedUnderItsNameFromTheOneOpened) {
    TempFolder folder;
    const std::string path = folder / "a.part";
    std::FILE* made = platform::create_new_file(path);
    ASSERT_NE(made, nullptr);
    platform::FileIdentity opened, named;
    ASSERT_TRUE(platform::file_identity(made, opened));
    std::fclose(made);
    ASSERT_TRUE(platform::file_identity(path, named));
    EXPECT_EQ(opened, named);
    std::filesystem::rename(path, folder / "aside");  // kept, so its number is not reused
    folder.write("a.part", "another");
    ASSERT_TRUE(platform::file_identity(path, named));
    EXPECT_NE(opened, named);
}

}  // namespace
