// Take files: what a recording writes reads back the same; a cut or a damaged byte stops
// a replay at the last whole block, or refuses the file, never reading outside it.
#include <gtest/gtest.h>

#include <filesystem>

#include "take/take_file.h"
#include "take/take_stamp.h"
#include "take/take_writer.h"
#include "temp_folder.h"

namespace {

TakeHeader header() {
    TakeHeader h;
    h.version = "v1-test", h.width = 320, h.height = 180, h.heldKeys = {4};
    h.controlValues[23] = 127.0001f, h.toggleStates[44] = 2;
    h.data = {{"bin.txt", 12, 0xABCD1234}};
    return h;
}

// One input of each kind, every field set.
const std::vector<TakeInput> kInputs = [] {
    std::vector<TakeInput> all;
    for (TakeInputKind kind : {TakeInputKind::Pointer, TakeInputKind::Key, TakeInputKind::Wheel, TakeInputKind::Midi})
        all.push_back(TakeInput{kind, -3, 170, 5, true, false, 44, ' ', -2, 0x3C3, 0x7F17B0, 99});
    return all;
}();

// Blocks of 2 and 1 frames, then the closing record alone: what the writer makes when a
// flush falls between frames.
std::string sampleTake(size_t* blockStarts = nullptr) {
    const std::vector<TakeInput>& in = kInputs;
    std::string a, b, c;
    encodeTakeFrame(a, TakeFrame{0.05f, 12.5f, 0, 4}, in.data());
    encodeTakeFrame(a, TakeFrame{0.016f, 12.55f, 0, 0}, nullptr);
    encodeTakeFrame(b, TakeFrame{0.017f, -100.0f, 0, 1}, in.data() + 3);
    encodeTakeEnd(c, TakeEnd::Escape, 0.02f);
    std::string bytes = encodeTakeHeader(header());
    for (const auto& [first, count, payload] : {std::tuple{0u, 2u, a}, {2u, 1u, b}, {3u, 0u, c}}) {
        if (blockStarts) *blockStarts++ = bytes.size();
        bytes += encodeTakeBlock(first, count, payload);
    }
    return bytes;
}

}  // namespace

TEST(TakeFile, WhatTheWriterWritesReadsBackTheSame) {
    TempFolder dir;
    std::string error;
    {
        TakeWriter writer;
        ASSERT_TRUE(writer.create(dir / "a.take", false, error) && writer.begin(header(), error)) << error;
        for (int i = 0; i < 1000; ++i) writer.addFrame(TakeFrame{0.016f, i * 0.016f, 0, uint32_t(i % 5)}, kInputs.data());
        writer.finish(TakeEnd::ShowOver, 0.03f);
    }
    Take take;
    ASSERT_TRUE(readTakeFile(dir / "a.take", take, error)) << error;
    EXPECT_TRUE(take.damage.empty() && take.end == TakeEnd::ShowOver);
    EXPECT_EQ(take.header.version, "v1-test");
    EXPECT_TRUE(take.header.heldKeys == std::vector<uint16_t>{4} && take.header.toggleStates[44] == 2);
    EXPECT_EQ(take.header.data[0].crc, 0xABCD1234u);
    ASSERT_EQ(take.frames.size(), 1000u);
    EXPECT_EQ(take.frames[999].clock, 999 * 0.016f);
    ASSERT_EQ(take.frames[999].inputCount, 4u);
    const TakeInput& midi = take.inputs[take.frames[999].firstInput + 3];
    EXPECT_TRUE(midi.kind == TakeInputKind::Midi && midi.midiParam1 == 0x7F17B0u);
    EXPECT_EQ(take.inputs[take.frames[4].firstInput].x, -3);
}

TEST(TakeFile, GoldenBytesOfABlock) {
    std::string payload;
    encodeTakeFrame(payload, TakeFrame{0.5f, 2.0f, 0, 1}, &kInputs[3]);
    const std::string block = encodeTakeBlock(7, 1, payload);
    const unsigned char expected[] = {
        'T', 'B', 'L', 'K', 22, 0, 0, 0, 7, 0, 0, 0, 1, 0, 0, 0,           // marker, size, first, count
        0x0F, 0x03, 0x61, 0x3A,                                             // CRC-32 (zlib.crc32 of bytes 4.. on)
        1, 0, 0, 0, 0x3F, 0, 0, 0, 0x40,                                    // frame: dt 0.5, clock 2
        5, 0xC3, 3, 0, 0, 0xB0, 0x17, 0x7F, 0, 99, 0, 0, 0};               // MIDI as delivered
    EXPECT_EQ(asBytes(block), std::vector<unsigned char>(expected, expected + sizeof expected));
}

TEST(TakeFile, EveryCutStopsAtTheLastWholeBlockOrRefusesTheHeader) {
    size_t starts[3];
    const std::string whole = sampleTake(starts);
    for (size_t n = 0; n <= whole.size(); ++n) {
        const std::string cut(whole.data(), n);  // a fresh allocation each: the sanitizer sees any over-read
        Take take;
        std::string error;
        if (n < starts[0]) {
            EXPECT_FALSE(decodeTake(cut, take, error)) << n;
            EXPECT_FALSE(error.empty());
            continue;
        }
        ASSERT_TRUE(decodeTake(cut, take, error)) << n;
        EXPECT_EQ(take.frames.size(), n < starts[1] ? 0u : n < starts[2] ? 2u : 3u) << n;
        EXPECT_EQ(take.damage.empty(), n == whole.size()) << n;
        EXPECT_EQ(take.end, n == whole.size() ? TakeEnd::Escape : TakeEnd::Cut) << n;
    }
}

TEST(TakeFile, ADamagedByteStopsAtItsBlockOrRefusesTheHeader) {
    size_t starts[3];
    const std::string whole = sampleTake(starts);
    for (size_t at = 0; at < whole.size(); ++at) {
        std::string damaged = whole;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x10);
        Take take;
        std::string error;
        if (at < starts[0]) {
            EXPECT_FALSE(decodeTake(damaged, take, error)) << at;
            continue;
        }
        ASSERT_TRUE(decodeTake(damaged, take, error)) << at;
        EXPECT_EQ(take.frames.size(), at < starts[1] ? 0u : at < starts[2] ? 2u : 3u) << at;
        EXPECT_NE(take.damage.find("damaged at byte"), std::string::npos) << take.damage;
    }
}

TEST(TakeFile, OtherFilesAndNewerFormatsAreRefusedWithOneLine) {
    TempFolder dir;
    Take take;
    std::string error;
    std::string newer = sampleTake();
    newer[8] = 2;
    EXPECT_FALSE(decodeTake(newer, take, error));
    EXPECT_NE(error.find("newer version"), std::string::npos) << error;
    EXPECT_FALSE(decodeTake("ffmpeg -i a.mp4\n", take, error));
    EXPECT_NE(error.find("not a take"), std::string::npos);
    EXPECT_FALSE(readTakeFile(dir.path(), take, error));
    EXPECT_NE(error.find("not a file"), std::string::npos);
    EXPECT_FALSE(readTakeFile(dir / "missing.take", take, error));
    // A frame with a duration no frame has, checksummed as if it were right.
    std::string bad;
    encodeTakeFrame(bad, TakeFrame{5.0f, 1.0f, 0, 0}, nullptr);
    ASSERT_TRUE(decodeTake(encodeTakeHeader(header()) + encodeTakeBlock(0, 1, bad), take, error));
    EXPECT_NE(take.damage.find("frame duration out of range"), std::string::npos) << take.damage;
}

TEST(TakeWriter, NeverReplacesAFileUnlessAskedAndLeavesNoneWhenNothingWasPlayed) {
    TempFolder dir;
    const std::string path = dir.write("a.take", "someone's notes");
    std::string error;
    {
        TakeWriter writer;
        EXPECT_FALSE(writer.create(path, false, error));
        EXPECT_NE(error.find("--overwrite"), std::string::npos) << error;
        EXPECT_FALSE(writer.create(dir.path(), true, error));
    }
    EXPECT_EQ(readFile(path), "someone's notes");
    {
        TakeWriter writer;
        EXPECT_TRUE(writer.create(path, true, error)) << error;
    }  // never begun: the show did not start
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(TakeClock, MovesOnBetweenFramesAndHoldsOverAJump) {
    Take take;
    for (float clock : {0.0f, 0.1f, 0.8f, 0.8f, 50.0f}) take.frames.push_back(TakeFrame{0.1f, clock, 0, 0});
    const std::vector<double> times = takeFrameTimes(take);
    EXPECT_FLOAT_EQ(takeClockAt(take, times, 0.05), 0.05f);
    EXPECT_FLOAT_EQ(takeClockAt(take, times, 0.15), 0.45f);  // seven times real time
    EXPECT_FLOAT_EQ(takeClockAt(take, times, 0.25), 0.8f);   // stopped
    EXPECT_FLOAT_EQ(takeClockAt(take, times, 0.39), 0.8f);   // the cue comes at once, not on the way
    EXPECT_FLOAT_EQ(takeClockAt(take, times, 0.45), 50.0f);
    EXPECT_NEAR(takeLength(take), 0.5, 1e-6);
}

TEST(TakeStamp, SaysWhichFileDiffersIsMissingOrIsNew) {
    TempFolder dir;
    dir.write("bin.txt", "index");
    dir.write("shaders/post.cpp", "void main() {}");
    dir.write("shaders/post.xxx", "twin");  // the show's own product, not its data
    dir.write("music/x.mp3", "notes");
    const std::vector<TakeDataFile> recorded = stampShowData(dir.path());
    ASSERT_EQ(recorded.size(), 3u);
    EXPECT_EQ(stampDifference(recorded, stampShowData(dir.path())), "");
    dir.write("shaders/post.cpp", "void main() { }");
    dir.write("videos/new.png", "png");
    std::filesystem::remove(dir / "music/x.mp3");
    EXPECT_EQ(stampDifference(recorded, stampShowData(dir.path())), "music/x.mp3 is missing here (and 2 more files)");
    EXPECT_EQ(stampDifference({recorded[2]}, {stampShowData(dir.path())[1]}), "shaders/post.cpp differs");
}
