// Replacing a file whole while another process replaces it too.
#include <gtest/gtest.h>

#include "platform/file_replace.h"
#include "temp_folder.h"

// Two shows in one folder: the other one's half-written camera file, under the name a
// fixed temporary name would share, is neither deleted nor renamed over the real file.
TEST(ReplaceFile, LeavesAnotherProcesssTemporaryFileAlone) {
    TempFolder folder;
    const std::string path = folder / "FreeCam.bin", theirs = folder.write("FreeCam.bin.tmp", "half");
    ASSERT_TRUE(platform::replace_file(path, "mine", 4));
    EXPECT_EQ(readFile(path), "mine");
    EXPECT_EQ(readFile(theirs), "half");
    EXPECT_FALSE(std::filesystem::exists(platform::process_temp_path(path)));
}
