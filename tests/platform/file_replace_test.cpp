// Replacing a file whole while another process replaces it too, and creating one new.
#include <gtest/gtest.h>

#include <cerrno>

#include "platform/durable_file.h"
#include "platform/file_replace.h"
#include "platform/file_write.h"
#include "temp_folder.h"

// Two shows in one folder: the other one's half-written camera file, under the name a
// fixed temporary name would share, is neither deleted nor renamed over the real file.
TEST(ReplaceFile, LeavesAnotherProcesssTemporaryFileAlone) {
    TempFolder folder;
    const std::string path = folder / "FreeCam.bin", theirs = folder.write("FreeCam.bin.tmp", "half");
    std::string why;
    ASSERT_EQ(platform::write_file(path, std::string("mine"), {}, why), platform::FileWrite::Written);
    EXPECT_EQ(readFile(path), "mine");
    EXPECT_EQ(readFile(theirs), "half");
    EXPECT_FALSE(std::filesystem::exists(platform::process_temp_path(path)));
}

// A recording asked not to replace a file must find it untouched, and say why in the
// system's words (errno), on both systems: the Windows C runtime ignores fopen's "x" mode.
TEST(CreateNewFile, KeepsAnExistingFileUnlessToldToReplaceIt) {
    TempFolder folder;
    const std::string path = folder.write("take.vtake", "recorded");
    errno = 0;
    EXPECT_EQ(platform::create_new_file(path, false), nullptr);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(readFile(path), "recorded");
    std::FILE* file = platform::create_new_file(path, true);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(std::fputs("new\n", file) >= 0 && platform::flush_to_disk(file));
    std::fclose(file);
    EXPECT_EQ(readFile(path), "new\n");  // binary: no CR added on Windows
    errno = 0;
    EXPECT_EQ(platform::create_new_file(folder / "no folder/take.vtake"), nullptr);
    EXPECT_EQ(errno, ENOENT);
}
