// The file helpers against names that are not plain files, files past their bound, a
// second process writing the same file, links under a new file's name, and UTF-8 names.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_io.h"
#include "platform/file_read.h"
#include "platform/file_replace.h"
#include "platform/file_write.h"
#include "special_files.h"
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
    const SpecialFiles special(folder);
    ASSERT_FALSE(special.pipe.empty());
    std::string data, why;
    EXPECT_EQ(platform::read_regular_file(folder.path(), data, 1 << 20, why), FileRead::NotAFile);
    EXPECT_EQ(why, "a folder, not a file");
    EXPECT_EQ(platform::read_regular_file(special.pipe, data, 1 << 20, why), FileRead::NotAFile);
    for (const std::string& device : special.devices)
        EXPECT_EQ(platform::read_regular_file(device, data, 1 << 20, why), FileRead::NotAFile) << device;
    EXPECT_TRUE(data.empty());
    FileRead status = FileRead::Read;
    EXPECT_EQ(platform::open_regular_file(special.pipe, why, &status), nullptr);
    EXPECT_EQ(status, FileRead::NotAFile);
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

// Names outside ASCII, as UTF-8 on every system (on Windows the file helpers take them
// through the wide-character calls).
TEST(FileNames, Utf8NamesWriteReadAndRename) {
    TempFolder folder;
    const std::string first = folder / "\xc3\xa9t\xc3\xa9.bin", second = folder / "\xe6\x97\xa5\xe6\x9c\xac.bin";
    std::string data, why;
    ASSERT_EQ(platform::write_file(first, std::string("summer"), {}, why), platform::FileWrite::Written) << why;
    ASSERT_EQ(platform::read_regular_file(first, data, 100, why), FileRead::Read) << why;
    EXPECT_EQ(data, "summer");
    ASSERT_TRUE(platform::rename_replacing(first, second, &why)) << why;
    platform::File file;
    ASSERT_TRUE(file.open_regular(second, &why)) << why;
    char bytes[3] = {};
    EXPECT_EQ(file.read_at(3, bytes, 3, &why), 3);
    EXPECT_EQ(std::string(bytes, 3), "mer");
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::u8path(second)));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(first)));
}

// A link planted under a new file's name is replaced, not written through.
TEST(FileCreate, NeverWritesThroughALinkUnderTheName) {
    TempFolder folder;
    const std::string outside = folder.write("outside.txt", "keep"), path = folder / "new.bin";
    std::error_code ec;
    std::filesystem::create_symlink(std::filesystem::u8path(outside), std::filesystem::u8path(path), ec);
    if (ec) GTEST_SKIP() << "no symbolic links here: " << ec.message();
    platform::File file;
    std::string why;
    ASSERT_TRUE(file.create(path, &why)) << why;
    ASSERT_TRUE(file.write("new", 3, &why)) << why;
    file.close();
    EXPECT_EQ(readFile(outside), "keep");
    EXPECT_EQ(readFile(path), "new");
}

}  // namespace
