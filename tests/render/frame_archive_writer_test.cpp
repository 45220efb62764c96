// The archive writer: shared storage of identical contents, the 2^31 start limit, names
// the index cannot hold, and never leaving half an archive (or temporaries) behind.
#include "render/frame_archive.h"
#include "render/frame_archive_writer.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class FrameArchiveWrite : public ::testing::Test {
protected:
    TempFolder dir;
    std::string base = dir / "bin";

    std::string read(const std::string& name) {
        FrameArchive archive;
        ::testing::internal::CaptureStdout();
        archive.open(base);
        ::testing::internal::GetCapturedStdout();
        std::vector<unsigned char> bytes;
        readArchiveEntry(archive, name, bytes);
        return std::string(bytes.begin(), bytes.end());
    }
    std::vector<std::string> folderContents() {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(std::filesystem::u8path(dir.path())))
            names.push_back(e.path().filename().u8string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

}  // namespace

TEST_F(FrameArchiveWrite, IdenticalContentsAreStoredOnceAndShareAnOffset) {
    FrameArchiveWriter writer(base);
    EXPECT_TRUE(writer.addBytes("a", asBytes("same bytes")));
    EXPECT_TRUE(writer.addBytes("b", asBytes("other")));
    EXPECT_TRUE(writer.addBytes("c", asBytes("same bytes")));
    EXPECT_TRUE(writer.addBytes("d", asBytes("same byteS")));
    const ArchiveWriteReport report = writer.finish();
    ASSERT_TRUE(report.ok) << report.error;
    EXPECT_EQ(report.entryCount, 4u);
    EXPECT_EQ(report.storedCount, 3u);
    EXPECT_EQ(report.sharedCount, 1u);
    EXPECT_EQ(report.sharedBytes, 10u);
    EXPECT_EQ(report.dataBytes, 25u);
    EXPECT_EQ(readFile(base + ".txt"), "4\na 10 0\nb 5 10\nc 10 0\nd 10 15\n");
    EXPECT_EQ(report.indexBytes, readFile(base + ".txt").size());
    EXPECT_EQ(readFile(base + ".bin"), "same bytesothersame byteS");
    EXPECT_EQ(read("c"), "same bytes");
    EXPECT_EQ(read("d"), "same byteS");
}

TEST_F(FrameArchiveWrite, FilesAndBytesRoundTripThroughTheShowsReader) {
    std::string binary;
    for (int k = 0; k < 256; ++k) binary.push_back(static_cast<char>(k));
    writeFile(dir / "frame.jpg", binary);
    FrameArchiveWriter writer(base);
    writer.addFile("c://videos//fog00000_n.jpg", dir / "frame.jpg");
    writer.addBytes("empty", {});
    writer.addBytes("text", asBytes("line\r\n"));
    ASSERT_TRUE(writer.finish().ok) << writer.error();
    EXPECT_EQ(read("c://videos//fog00000_n.jpg"), binary);
    EXPECT_EQ(read("text"), "line\r\n");
    EXPECT_EQ(read("empty"), "");
    EXPECT_EQ(folderContents(), (std::vector<std::string>{"bin.bin", "bin.txt", "frame.jpg"}));
}

TEST_F(FrameArchiveWrite, SameInputTwiceGivesIdenticalFiles) {
    std::string firstIndex, firstData;
    for (int run = 0; run < 2; ++run) {
        FrameArchiveWriter writer(base);
        for (int k = 0; k < 50; ++k) writer.addBytes("e" + std::to_string(k), asBytes(std::string(k % 7 + 1, 'a' + k % 5)));
        ASSERT_TRUE(writer.finish().ok);
        if (run == 0) {
            firstIndex = readFile(base + ".txt");
            firstData = readFile(base + ".bin");
        }
    }
    EXPECT_EQ(readFile(base + ".txt"), firstIndex);
    EXPECT_EQ(readFile(base + ".bin"), firstData);
}

TEST_F(FrameArchiveWrite, EntryStartingAtTheLimitIsRefusedAndNothingIsReplaced) {
    writeFile(base + ".txt", "old index");
    writeFile(base + ".bin", "old data");
    FrameArchiveWriter writer(base, {}, 8);
    EXPECT_TRUE(writer.addBytes("a", asBytes("0123456")));   // starts at 0
    EXPECT_TRUE(writer.addBytes("b", asBytes("7890")));      // starts at 7 and runs past 8: allowed
    EXPECT_TRUE(writer.addBytes("c", asBytes("0123456")));   // shares offset 0
    EXPECT_FALSE(writer.addBytes("d", asBytes("new")));      // would start at 11
    EXPECT_FALSE(writer.addBytes("e", asBytes("x")));        // the first failure sticks
    const ArchiveWriteReport report = writer.finish();
    EXPECT_FALSE(report.ok);
    EXPECT_NE(report.error.find("entry d would start at byte 11"), std::string::npos) << report.error;
    EXPECT_EQ(readFile(base + ".txt"), "old index");
    EXPECT_EQ(readFile(base + ".bin"), "old data");
    EXPECT_EQ(folderContents(), (std::vector<std::string>{"bin.bin", "bin.txt"}));
}

TEST_F(FrameArchiveWrite, NamesTheIndexCannotHoldAreRefused) {
    for (const std::string name : {"", "with space", "tab\tname", "new\nline", "cr\r"}) {
        FrameArchiveWriter writer(base);
        EXPECT_FALSE(writer.addBytes(name, asBytes("x")));
        EXPECT_FALSE(writer.finish().ok);
    }
    FrameArchiveWriter writer(base);
    EXPECT_TRUE(writer.addBytes("twice", asBytes("x")));
    EXPECT_FALSE(writer.addBytes("twice", asBytes("y")));
    EXPECT_NE(writer.finish().error.find("twice"), std::string::npos);
    EXPECT_TRUE(folderContents().empty());
}

TEST_F(FrameArchiveWrite, UnreadableSourceFailsTheWholeArchive) {
    FrameArchiveWriter writer(base);
    EXPECT_TRUE(writer.addBytes("a", asBytes("x")));
    EXPECT_FALSE(writer.addFile("b", dir / "missing.jpg"));
    EXPECT_FALSE(writer.addFile("c", dir.path()));  // a folder is not a frame
    const ArchiveWriteReport report = writer.finish();
    EXPECT_FALSE(report.ok);
    EXPECT_NE(report.error.find("missing.jpg"), std::string::npos) << report.error;
    EXPECT_TRUE(folderContents().empty());
}

TEST_F(FrameArchiveWrite, AbandonedOrUnwritableWriterLeavesNoFiles) {
    {
        FrameArchiveWriter writer(base);
        writer.addBytes("a", asBytes("x"));
    }
    EXPECT_TRUE(folderContents().empty());
    FrameArchiveWriter writer(dir / "no_such_folder/bin");
    EXPECT_FALSE(writer.addBytes("a", asBytes("x")));
    const ArchiveWriteReport report = writer.finish();
    EXPECT_FALSE(report.ok);
    EXPECT_NE(report.error.find("no_such_folder/bin.bin"), std::string::npos) << report.error;
    EXPECT_FALSE(writer.finish().ok);  // finishing twice is refused, not a crash
}
