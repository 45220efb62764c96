// The one writing path against what a name may stand for: a user's file, the run's own
// input, a folder, a pipe, a device, a planted link, another run writing the same name,
// a full disk and the temporary files of runs that were killed.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_replace.h"
#include "platform/file_write.h"
#include "special_files.h"
#include "temp_folder.h"

namespace {

using platform::FileWrite;

bool nothingTemporaryLeft(const TempFolder& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(folder.path())))
        if (entry.path().extension() == ".tmp") return false;
    return true;
}

TEST(FileWrite, ReplacesAWholeFileAndNeverTearsItWhenAbandoned) {
    TempFolder folder;
    const std::string path = folder.write("out.txt", "old");
    std::string why;
    EXPECT_EQ(platform::write_file(path, std::string("new"), {}, why), FileWrite::Written) << why;
    EXPECT_EQ(readFile(path), "new");
    {
        platform::FileWriter writer;
        ASSERT_EQ(writer.open(path, {}, why), FileWrite::Written);
        writer.write(std::string("half"));
        EXPECT_EQ(readFile(path), "new");  // never truncated first
    }  // abandoned
    EXPECT_EQ(readFile(path), "new");
    platform::WriteOptions keep;
    keep.replace = false;
    EXPECT_EQ(platform::write_file(path, std::string("x"), keep, why), FileWrite::Exists);
    EXPECT_EQ(readFile(path), "new");
    EXPECT_EQ(platform::write_file(folder / "no folder/out.txt", std::string("x"), {}, why), FileWrite::Failed);
    EXPECT_NE(why.find("no folder/out.txt"), std::string::npos) << why;
    EXPECT_TRUE(nothingTemporaryLeft(folder));
}

TEST(FileWrite, RefusesFoldersPipesDevicesAndTheRunsInputsAndReplacesAPlantedLinkItself) {
    TempFolder folder;
    const SpecialFiles special(folder);
    std::string why;
    EXPECT_EQ(platform::write_file(folder.path(), std::string("x"), {}, why), FileWrite::NotAFile);
    if (!special.pipe.empty()) {
        EXPECT_EQ(platform::write_file(special.pipe, std::string("x"), {}, why), FileWrite::NotAFile);
    }
    EXPECT_EQ(platform::write_file(special.devices.back(), std::string("x"), {}, why), FileWrite::NotAFile) << why;

    platform::WriteOptions run;
    run.inputs = {folder.write("performance.vtake", "the take"), folder / "not yet written.vtake"};
    EXPECT_EQ(platform::write_file(run.inputs[0], std::string("x"), run, why), FileWrite::IsAnInput);
    EXPECT_NE(why.find("input"), std::string::npos) << why;
    // The same file under another name: compared by identity, not by name.
    EXPECT_EQ(platform::write_file(folder.path() + "/./performance.vtake", std::string("x"), run, why),
              FileWrite::IsAnInput);
    EXPECT_EQ(platform::write_file(run.inputs[1], std::string("x"), run, why), FileWrite::IsAnInput);
    EXPECT_EQ(readFile(run.inputs[0]), "the take");
#if !defined(_WIN32)
    std::filesystem::create_hard_link(run.inputs[0], folder / "hard");
    EXPECT_EQ(platform::write_file(folder / "hard", std::string("x"), run, why), FileWrite::IsAnInput);
    // A link planted to redirect a write: the link is replaced, what it points to is not
    // written; a link to one of the run's inputs is refused.
    const std::string victim = folder.write("victim", "keep me");
    std::filesystem::create_symlink(victim, folder / "planted");
    EXPECT_EQ(platform::write_file(folder / "planted", std::string("new"), {}, why), FileWrite::Written) << why;
    EXPECT_EQ(readFile(victim), "keep me");
    EXPECT_EQ(readFile(folder / "planted"), "new");
    EXPECT_FALSE(std::filesystem::is_symlink(folder / "planted"));
    std::filesystem::create_symlink(run.inputs[0], folder / "to the take");
    EXPECT_EQ(platform::write_file(folder / "to the take", std::string("x"), run, why), FileWrite::IsAnInput);
#endif
    EXPECT_TRUE(nothingTemporaryLeft(folder));
}

// Two runs writing one name at once: the one that finishes last neither replaces the
// other's file in silence nor loses its own.
TEST(FileWrite, KeepsBothFilesWhenAnotherRunWritesTheSameNameMeanwhile) {
    TempFolder folder;
    const std::string path = folder / "take.vtake";
    std::string why;
    platform::FileWriter first;
    ASSERT_EQ(first.open(path, {}, why), FileWrite::Written);
    first.write(std::string("600 frames"));
    writeFile(path, "60 frames");  // the other run
    EXPECT_EQ(first.commit(why), FileWrite::Changed);
    EXPECT_EQ(readFile(path), "60 frames");
    const std::string kept = folder / ("take." + platform::process_tag() + ".vtake");
    EXPECT_EQ(readFile(kept), "600 frames");
    EXPECT_NE(why.find(kept), std::string::npos) << why;
    // Asked not to replace: a file that appeared meanwhile is kept, and so is this one.
    platform::WriteOptions keep;
    keep.replace = false;
    const std::string fresh = folder / "fresh.vtake";
    platform::FileWriter second;
    ASSERT_EQ(second.open(fresh, keep, why), FileWrite::Written);
    second.write(std::string("mine"));
    writeFile(fresh, "theirs");
    EXPECT_EQ(second.commit(why), FileWrite::Changed);
    EXPECT_EQ(readFile(fresh), "theirs");
    EXPECT_EQ(readFile(folder / ("fresh." + platform::process_tag() + ".vtake")), "mine");
}

TEST(FileWrite, SaysAFullDiskAndLeavesTheOldFileAsItWas) {
    TempFolder folder;
    const SmallDisk disk(folder, 64);
    if (disk.path.empty()) GTEST_SKIP() << "a small disk cannot be mounted here";
    const std::string path = disk.path + "/out.bin";
    std::string why;
    ASSERT_EQ(platform::write_file(path, std::string(20000, 'a'), {}, why), FileWrite::Written);
    platform::WriteOptions durable;
    durable.durable = true;
    EXPECT_EQ(platform::write_file(path, std::string(200000, 'b'), durable, why), FileWrite::DiskFull);
    EXPECT_NE(why.find("the disk is full"), std::string::npos) << why;
    EXPECT_EQ(readFile(path), std::string(20000, 'a'));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(disk.path), {}), 1);
}

TEST(FileWrite, RemovesTemporaryFilesOnlyOfRunsThatAreGone) {
    TempFolder folder;
    const std::string path = folder / "FreeCam.bin";
    const std::string dead = folder.write("FreeCam.bin.2147483000.tmp", "left by a killed run");
    const std::string mine = folder.write("FreeCam.bin." + platform::process_tag() + ".tmp", "being written");
    const std::string users = folder.write("FreeCam.bin.tmp", "the user's own");
    const std::string other = folder.write("other.bin.2147483000.tmp", "another file's");
    const std::string huge = folder.write("FreeCam.bin.99999999999.tmp", "not a process id");
    EXPECT_EQ(platform::remove_dead_temporaries(path), 1);
    EXPECT_FALSE(std::filesystem::exists(dead));
    EXPECT_TRUE(std::filesystem::exists(mine) && std::filesystem::exists(users) && std::filesystem::exists(other) &&
                std::filesystem::exists(huge));
}

}  // namespace
