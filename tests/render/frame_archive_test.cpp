// The frame archive reader on hand-written and damaged indexes and data files: it keeps
// what it could read, never reads outside the data file and never trusts a length.
#include "render/frame_archive.h"
#include "render/picture_problems.h"
#include "archive_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST_F(FrameArchiveRead, EntriesReadByNameWithLengthBeforeOffset) {
    writeFile(base + ".bin", "HELLOworld!");
    writeFile(base + ".txt", "3\nc://videos//a00001_n.jpg 5 0\nb 5 5\nlast 1 10\n");
    ASSERT_TRUE(open());
    ASSERT_EQ(archive.entries.size(), 3u);
    EXPECT_EQ(archive.dataPath, base + ".bin");
    EXPECT_EQ(read("c://videos//a00001_n.jpg"), "HELLO");
    EXPECT_EQ(read("b"), "world");
    EXPECT_EQ(read("last"), "!");
    EXPECT_EQ(read("B"), "");
    EXPECT_EQ(read("last "), "");
    EXPECT_EQ(read(""), "");
}

TEST_F(FrameArchiveRead, DuplicateNamesAlwaysGiveTheFirstEntry) {
    writeFile(base + ".bin", "firstsecond");
    writeFile(base + ".txt", "2 dup 5 0 dup 6 5");
    ASSERT_TRUE(open());
    EXPECT_EQ(read("dup"), "first");
    EXPECT_EQ(read("dup"), "first");
}

TEST_F(FrameArchiveRead, ZeroLengthEntryIsFoundButGivesNoBytes) {
    writeFile(base + ".bin", "abc");
    writeFile(base + ".txt", "1 empty 0 2");
    ASSERT_TRUE(open());
    bool found = false;
    EXPECT_EQ(read("empty", &found), "");
    EXPECT_TRUE(found);
}

TEST_F(FrameArchiveRead, EntryPastTheEndOfATruncatedDataFileGivesNoBytes) {
    writeFile(base + ".bin", "0123456789");
    writeFile(base + ".txt", "4\ninside 10 0\ntail 3 8\nexact 0 10\nzero_past_end 0 11\n");
    ASSERT_TRUE(open());
    EXPECT_EQ(read("inside"), "0123456789");
    bool found = true;
    EXPECT_EQ(read("tail", &found), "");
    EXPECT_FALSE(found);
    EXPECT_EQ(read("exact"), "");
}

TEST_F(FrameArchiveRead, HugeLengthsAndOverflowingOffsetsAllocateNothing) {
    writeFile(base + ".bin", "0123456789");
    writeFile(base + ".txt",
              "4\nhuge 18446744073709551615 0\nwraps 18446744073709551615 2\noffset 1 18446744073709551615\n"
              "negative -1 0\n");
    open();
    for (const char* name : {"huge", "wraps", "offset", "negative"}) EXPECT_EQ(read(name), "") << name;
}

TEST_F(FrameArchiveRead, CountLargerThanTheEntriesKeepsWhatWasRead) {
    writeFile(base + ".bin", "abcdef");
    writeFile(base + ".txt", "2147483647\na 3 0\nb 3 3\n");
    EXPECT_FALSE(open());
    ASSERT_EQ(archive.entries.size(), 2u);
    EXPECT_EQ(read("b"), "def");
}

TEST_F(FrameArchiveRead, MalformedEntryEndsTheIndexThere) {
    writeFile(base + ".bin", "abcdef");
    writeFile(base + ".txt", "3\na 3 0\nb three 3\nc 3 3\n");
    EXPECT_FALSE(open());
    ASSERT_EQ(archive.entries.size(), 1u);
    EXPECT_EQ(read("a"), "abc");
    EXPECT_EQ(read("c"), "");
}

TEST_F(FrameArchiveRead, AGarbageLineIsNamedWithTheEntriesItDrops) {
    writeFile(base + ".bin", "abcdef");
    writeFile(base + ".txt", "5\na 3 0\ngarb\x1b" "age\nb 3 3\nc 1 0\nd 1 1\n");
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(archive.open(base));
    const std::string said = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("bin.txt line 3 is malformed"), std::string::npos) << said;
    EXPECT_NE(said.find("\"garb\\x1bage\""), std::string::npos) << said << " (a control byte, escaped)";
    EXPECT_NE(said.find("the 4 entries from there on (of 5)"), std::string::npos) << said;
    EXPECT_EQ(archive.entries.size(), 1u);
}

TEST_F(FrameArchiveRead, AnUnusableIndexOrACutDataFileIsSaidAtOnce) {
    const struct {
        const char* index;
        const char* data;
        bool opens;
        const char* said;
    } cases[] = {
        {"", "abc", false, "bin.txt is empty; the show has no frames"},
        {"-3\na 1 0\n", "abc", false, "should start with the number of entries, found \"-3\""},
        {"\x01\x02 a 1 0\n", "abc", false, "found \"\\x01\\x02\"; the show has no frames"},
        {"1\na 1 0\nb 1 1\n", "abc", true, "counts 1 entries on its first line, but \"b\" follows on line 3"},
        {"3\na 1 0\nb 2 1\nc 1 3\n", "abc", true, "bin.bin has 3 bytes, and 1 of the 3 entries lie past its end, "
                                                      "the first \"c\""},
    };
    for (const auto& c : cases) {
        writeFile(base + ".txt", c.index);
        writeFile(base + ".bin", c.data);
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(archive.open(base), c.opens) << c.said;
        const std::string said = ::testing::internal::GetCapturedStdout();
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
    }
    // A whole, well-formed archive says nothing.
    writeFile(base + ".txt", "2\na 1 0\nb 2 1\n");
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(archive.open(base));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

TEST_F(FrameArchiveRead, EveryTruncatedIndexGivesAPrefixOfTheEntries) {
    const std::string index = "3\r\nfirst 2 0\r\nsecond 2 2\r\nthird 2 4\r\n";
    writeFile(base + ".bin", "aabbcc");
    const std::vector<std::string> names = {"first", "second", "third"};
    for (size_t cut = 0; cut <= index.size(); ++cut) {
        writeFile(base + ".txt", index.substr(0, cut));
        open();
        ASSERT_LE(archive.entries.size(), 3u);
        for (size_t k = 0; k < archive.entries.size(); ++k) {
            EXPECT_EQ(archive.entries[k].name, names[k]) << "cut " << cut;
            EXPECT_EQ(read(names[k]).size(), 2u) << "cut " << cut;
        }
    }
    writeFile(base + ".txt", index);
    EXPECT_TRUE(open());
    EXPECT_EQ(read("third"), "cc");
}

TEST_F(FrameArchiveRead, MissingIndexOrGarbageCountLeavesTheArchiveEmpty) {
    archive.entries.push_back({"old", 0, 1});
    EXPECT_FALSE(open());
    EXPECT_TRUE(archive.entries.empty());
    for (const char* index : {"", "x", "-5 a 1 0", "99999999999999999999 a 1 0"}) {
        writeFile(base + ".txt", index);
        open();
        EXPECT_TRUE(archive.entries.empty()) << index;
    }
}

TEST_F(FrameArchiveRead, MissingDataFileGivesNoBytesUntilItAppears) {
    writeFile(base + ".txt", "1 a 2 0");
    ASSERT_TRUE(open());
    EXPECT_EQ(read("a"), "");
    writeFile(base + ".bin", "xy");
    EXPECT_EQ(read("a"), "xy");
}

TEST_F(FrameArchiveRead, DataPathChangeIsFollowed) {
    writeFile(base + ".bin", "one");
    writeFile(dir / "other.bin", "two");
    writeFile(base + ".txt", "1 a 3 0");
    ASSERT_TRUE(open());
    EXPECT_EQ(read("a"), "one");
    archive.dataPath = dir / "other.bin";
    EXPECT_EQ(read("a"), "two");
    archive.dataPath = dir.path();  // a folder is not a data file
    EXPECT_EQ(read("a"), "");
}

TEST_F(FrameArchiveRead, EntriesAppendedAfterOpenAreFound) {
    writeFile(base + ".bin", "abcdef");
    writeFile(base + ".txt", "1 a 3 0");
    ASSERT_TRUE(open());
    EXPECT_EQ(read("b"), "");
    archive.entries.push_back({"b", 3, 3});
    archive.entries.push_back({"a", 3, 3});
    EXPECT_EQ(read("b"), "def");
    EXPECT_EQ(read("a"), "abc");
}

TEST_F(FrameArchiveRead, CopiedAndMovedArchivesKeepReading) {
    writeFile(base + ".bin", "abc");
    writeFile(base + ".txt", "1 a 3 0");
    ASSERT_TRUE(open());
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(readArchiveEntry(archive, "a", bytes));  // the original has its file open
    FrameArchive copy = archive;
    archive.dataPath = dir / "elsewhere.bin";
    EXPECT_TRUE(readArchiveEntry(copy, "a", bytes));
    EXPECT_EQ(bytes.size(), 3u);
    FrameArchive moved = std::move(copy);
    EXPECT_TRUE(readArchiveEntry(moved, "a", bytes));
    EXPECT_FALSE(readArchiveEntry(archive, "a", bytes)) << "its data path now names no file";
}

// Names the show asks for that the index does not hold: a hand-written index, or one
// written on Windows with backslashes, gives blank panels unless they are said.
TEST_F(FrameArchiveRead, ANameWithOtherSeparatorsOrCaseIsNotReadButFoundAsNear) {
    writeFile(base + ".bin", "abcdef");
    writeFile(base + ".txt", "3\nc:\\videos\\fog00001_n.jpg 2 0\nC:/Videos/Fog00002_N.JPG 2 2\nc://videos//fog00003_n.jpg 2 4\n");
    ASSERT_TRUE(open());
    EXPECT_EQ(read("c://videos//fog00001_n.jpg"), "") << "names are matched exactly";
    EXPECT_FALSE(archiveHasEntry(archive, "c://videos//fog00001_n.jpg"));
    EXPECT_TRUE(archiveHasEntry(archive, "c://videos//fog00003_n.jpg"));
    EXPECT_EQ(nearEntryName(archive, "c://videos//fog00001_n.jpg"), "c:\\videos\\fog00001_n.jpg");
    EXPECT_EQ(nearEntryName(archive, "c://videos//fog00002_n.jpg"), "C:/Videos/Fog00002_N.JPG");
    EXPECT_EQ(nearEntryName(archive, "c://videos//fog00004_n.jpg"), "");
    EXPECT_EQ(nearEntryName(archive, "c:videos//fog00001_n.jpg"), "") << "a separator left out makes another name";
}

TEST_F(FrameArchiveRead, MissingNamesAreSaidOnceAtFirstAndSummedUpWithTheirNearNames) {
    writeFile(base + ".bin", "ab");
    writeFile(base + ".txt", "1\nc:\\videos\\fog00001_n.jpg 2 0\n");
    ASSERT_TRUE(open());
    PictureProblems problems;
    ::testing::internal::CaptureStdout();
    for (int frame = 0; frame < 3; ++frame)
        for (const char* name : {"c://videos//fog00001_n.jpg", "c://videos//snow00001_n.jpg", "a", "b", "c"})
            problems.missing(archive, name);
    const std::string said = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find(base + ".txt does not hold \"c://videos//fog00001_n.jpg\" (" + base + ".txt has "), std::string::npos)
        << said;
    EXPECT_EQ(problems.missingNames(), 5u);
    const std::string summary = problems.missingSummary(archive);
    EXPECT_NE(summary.find("asked for 5 names"), std::string::npos) << summary;
    EXPECT_NE(summary.find("\"c://videos//snow00001_n.jpg\", \"a\" and 2 more"), std::string::npos) << summary;
    EXPECT_NE(summary.find("matched exactly"), std::string::npos) << summary;

    PictureProblems none;
    EXPECT_EQ(none.missingSummary(archive), "");
    ::testing::internal::CaptureStdout();
    none.missing(archive, "elsewhere");
    EXPECT_EQ(::testing::internal::GetCapturedStdout().find("matched exactly"), std::string::npos)
        << "no near name, no word on separators";
    EXPECT_EQ(none.missingSummary(archive).find("matched exactly"), std::string::npos);
}

TEST_F(FrameArchiveRead, AMissingNamesNearNameIsShownWithItsBackslashesAndNoControlBytes) {
    writeFile(base + ".bin", "ab");
    writeFile(base + ".txt", "1\nc:\\videos\\\x1b[31mfog00001_n.jpg 2 0\n");
    ASSERT_TRUE(open());
    PictureProblems problems;
    ::testing::internal::CaptureStdout();
    problems.missing(archive, "c://videos//\x1b[31mfog00001_n.jpg");
    const std::string said = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("has \"c:\\videos\\\\x1b[31mfog00001_n.jpg\")"), std::string::npos) << said;
    EXPECT_EQ(said.find('\x1b'), std::string::npos) << said;
}
