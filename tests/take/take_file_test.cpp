// Take files: what a recording writes reads back the same; a cut or a damaged byte stops
// a replay at the last whole block, or refuses the file, never reading outside it; the
// writer leaves the name as it was until the take is whole; a replay holds the frames,
// not the file's inputs.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "clips/frame_forecast.h"
#include "clips/timeline.h"
#include "platform/crc32.h"
#include "platform/file_replace.h"
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

// Every frame's inputs, read back as a replay reads them.
std::vector<TakeInput> inputsOf(const Take& take, size_t frame) {
    std::vector<TakeInput> inputs;
    std::string why;
    EXPECT_TRUE(readTakeInputs(take, frame, inputs, why)) << why;
    return inputs;
}

// A take of the given frame clocks, no inputs, closed by Escape.
std::string takeOfClocks(const std::vector<float>& clocks) {
    std::string payload;
    for (float clock : clocks) encodeTakeFrame(payload, TakeFrame{0.02f, clock, 0, 0}, nullptr);
    encodeTakeEnd(payload, TakeEnd::Escape, 0.02f);
    return encodeTakeHeader(header()) + encodeTakeBlock(0, uint32_t(clocks.size()), payload);
}

// Frames recorded with a writer, in a process of its own so a test can tell their files apart.
void record(TakeWriter& writer, int frames) {
    for (int i = 0; i < frames; ++i) writer.addFrame(TakeFrame{0.016f, i * 0.016f, 0, 1}, kInputs.data());
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(TakeFile, WhatTheWriterWritesReadsBackTheSame) {
    TempFolder dir;
    std::string error;
    {
        TakeWriter writer;
        ASSERT_TRUE(writer.create(dir / "a.take", false, {}, error) && writer.begin(header(), error)) << error;
        for (int i = 0; i < 1000; ++i) writer.addFrame(TakeFrame{0.016f, i * 0.016f, 0, uint32_t(i % 5)}, kInputs.data());
        EXPECT_EQ(writer.finish(TakeEnd::ShowOver, 0.03f, error), platform::FileWrite::Written) << error;
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
    const TakeInput midi = inputsOf(take, 999).at(3);
    EXPECT_TRUE(midi.kind == TakeInputKind::Midi && midi.midiParam1 == 0x7F17B0u);
    EXPECT_EQ(inputsOf(take, 4).at(0).x, -3);
    EXPECT_EQ(inputsOf(take, 5).size(), 0u);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"a.take"}) << "no temporary file is left";
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
        for (size_t k = 0; k < take.frames.size(); ++k) EXPECT_EQ(inputsOf(take, k).size(), take.frames[k].inputCount) << n;
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

// Format 1 had no controller map: its takes still read, and play through the built-in
// map; a take of format 2 keeps the map it was played with, and one that does not read is
// a damaged header.
TEST(TakeFile, TakesKeepTheirControllerMapAndFormatOneStillReads) {
    TakeHeader h = header();
    h.controllerMap = "k0 = cc 16 ch 2\n";
    Take take;
    std::string error;
    ASSERT_TRUE(decodeTake(encodeTakeHeader(h), take, error)) << error;
    EXPECT_EQ(take.header.controllerMap, h.controllerMap);

    std::string one = encodeTakeHeader(header());  // an empty map: its length's 4 zero bytes end the header
    const uint32_t body = static_cast<uint32_t>(one.size()) - 20 - 4;
    one.erase(16 + body, 4);
    one[8] = 1;
    for (int i = 0; i < 4; ++i) one[12 + i] = static_cast<char>(body >> (8 * i));
    const uint32_t crc = platform::crc32_update(0, one.data() + 8, one.size() - 12);
    for (int i = 0; i < 4; ++i) one[one.size() - 4 + i] = static_cast<char>(crc >> (8 * i));
    ASSERT_TRUE(decodeTake(one, take, error)) << error;
    EXPECT_TRUE(take.header.controllerMap.empty());
    EXPECT_EQ(take.header.version, "v1-test");

    h.controllerMap = "k9 = cc 16\n";
    EXPECT_FALSE(decodeTake(encodeTakeHeader(h), take, error));
    EXPECT_NE(error.find("a controller map that does not read"), std::string::npos) << error;
}

TEST(TakeFile, OtherFilesAndNewerFormatsAreRefusedWithOneLine) {
    TempFolder dir;
    Take take;
    std::string error;
    std::string newer = sampleTake();
    newer[8] = static_cast<char>(kTakeFormat + 1);
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

TEST(TakeFile, ClocksNoRunOfTheShowShowsAreDamage) {
    Take take;
    std::string error;
    ASSERT_TRUE(decodeTake(takeOfClocks({kTakeClockLowest, -100.0f, kShowEnd, kTakeClockHighest}), take, error));
    EXPECT_TRUE(take.damage.empty()) << take.damage;
    // Where a float clock no longer moves by a frame, and just outside the bounds.
    for (float clock : {131072.0f, 1e6f, kTakeClockHighest + 0.01f, kTakeClockLowest - 0.01f}) {
        std::string bytes = takeOfClocks({10.0f, clock});
        ASSERT_TRUE(decodeTake(bytes, take, error));
        EXPECT_EQ(take.frames.size(), 0u) << clock;
        EXPECT_NE(take.damage.find("which no run of the show (296 s long) shows"), std::string::npos) << take.damage;
    }
}

TEST(TakeFile, BytesAfterTheClosingRecordAreCountedAndTheTakeStillPlays) {
    Take take;
    std::string error;
    ASSERT_TRUE(decodeTake(sampleTake() + "junk", take, error));
    EXPECT_EQ(take.trailing, 4u);
    EXPECT_TRUE(take.damage.empty() && take.end == TakeEnd::Escape && take.frames.size() == 3u);
    ASSERT_TRUE(decodeTake(sampleTake(), take, error));
    EXPECT_EQ(take.trailing, 0u);
}

TEST(TakeFile, AFrameWithMoreInputsThanAnInputStepTakesIsDamage) {
    const std::vector<TakeInput> wheels(kTakeMaxFrameInputs + 1, TakeInput{TakeInputKind::Wheel});
    for (uint32_t count : {kTakeMaxFrameInputs, kTakeMaxFrameInputs + 1}) {
        std::string payload;
        encodeTakeFrame(payload, TakeFrame{0.02f, 1.0f, 0, count}, wheels.data());
        encodeTakeEnd(payload, TakeEnd::Escape, 0.02f);
        Take take;
        std::string error;
        ASSERT_TRUE(decodeTake(encodeTakeHeader(header()) + encodeTakeBlock(0, 1, payload), take, error));
        EXPECT_EQ(take.frames.size(), count == kTakeMaxFrameInputs ? 1u : 0u);
        if (!take.frames.empty()) EXPECT_EQ(inputsOf(take, 0).size(), count);
        else EXPECT_NE(take.damage.find("more inputs than an input step takes"), std::string::npos) << take.damage;
    }
}

// 4 million wheel notches, 20 MB of file: the old reader held 160 MB of them (more while
// its vector grew); a replay holds the frames and one block.
TEST(TakeFile, AReplayHoldsTheFramesNotEveryInputOfTheFile) {
    TempFolder dir;
    std::string error;
    constexpr int kFrames = 400, kWheels = 10000;
    std::vector<TakeInput> wheels(kWheels, TakeInput{TakeInputKind::Wheel});
    for (int i = 0; i < kWheels; ++i) wheels[i].wheelY = i % 7 - 3;
    {
        TakeWriter writer;
        ASSERT_TRUE(writer.create(dir / "wheels.take", false, {}, error) && writer.begin(header(), error)) << error;
        for (int k = 0; k < kFrames; ++k) writer.addFrame(TakeFrame{0.02f, k * 0.02f, 0, kWheels}, wheels.data());
        ASSERT_EQ(writer.finish(TakeEnd::Escape, 0.02f, error), platform::FileWrite::Written) << error;
    }
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    Take take;
    ASSERT_TRUE(readTakeFile(dir / "wheels.take", take, error)) << error;
    ASSERT_EQ(take.frames.size(), size_t(kFrames));
    std::vector<TakeInput> inputs;
    for (size_t k = 0; k < take.frames.size(); ++k) ASSERT_TRUE(readTakeInputs(take, k, inputs, error)) << error;
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 80 * 1024) << "kilobytes more at the peak";
    EXPECT_GT(take.blocks.size(), 10u) << "blocks of about a megabyte";
    ASSERT_EQ(inputs.size(), size_t(kWheels));
    for (int i = 0; i < kWheels; ++i) ASSERT_EQ(inputs[i].wheelY, i % 7 - 3) << "the replay is exact";
}

TEST(TakeFile, AFileChangedWhileItPlaysStopsTheInputsWithOneLine) {
    TempFolder dir;
    const std::string path = dir.write("a.take", sampleTake());
    Take take;
    std::string error;
    ASSERT_TRUE(readTakeFile(path, take, error)) << error;
    EXPECT_EQ(inputsOf(take, 0).size(), 4u);
    std::string bytes = sampleTake();
    bytes[take.blocks[1].at + 25] ^= 1;  // inside the second block's payload
    writeFile(path, bytes);
    std::vector<TakeInput> inputs;
    EXPECT_FALSE(readTakeInputs(take, 2, inputs, error));
    EXPECT_NE(error.find("changed since it was read"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
}

TEST(TakeWriter, NeverReplacesAFileUnlessAskedAndLeavesNoneWhenNothingWasPlayed) {
    TempFolder dir;
    const std::string path = dir.write("a.take", "someone's notes");
    std::string error;
    {
        TakeWriter writer;
        EXPECT_FALSE(writer.create(path, false, {}, error));
        EXPECT_NE(error.find("--overwrite"), std::string::npos) << error;
    }
    EXPECT_EQ(readFile(path), "someone's notes");
    {
        TakeWriter writer;
        EXPECT_TRUE(writer.create(path, true, {}, error)) << error;
    }  // never begun: the show did not start
    {
        TakeWriter writer;  // begun, stopped before the first frame
        ASSERT_TRUE(writer.create(path, true, {}, error) && writer.begin(header(), error)) << error;
        EXPECT_EQ(writer.finish(TakeEnd::Interrupted, 0.0f, error), platform::FileWrite::Failed);
        EXPECT_NE(error.find("before the show's first frame; the take is not kept, and \"" + path + "\" is left as it was"),
                  std::string::npos)
            << error;
    }
    EXPECT_EQ(readFile(path), "someone's notes");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"a.take"});
}

// Pipes, devices and folders: take_test.cpp, through the program.
TEST(TakeWriter, RefusesOneOfTheRunsInputFilesWithOneLine) {
    TempFolder dir;
    const std::string music = dir.write("music.mp3", "notes");
    TakeWriter writer;
    std::string error;
    EXPECT_FALSE(writer.create(dir / "./music.mp3", true, {music}, error));
    EXPECT_NE(error.find("is one of this run's input files"), std::string::npos) << error;
    EXPECT_EQ(readFile(music), "notes");
}

TEST(TakeWriter, TheOldTakeStaysUntilTheNewOneIsWholeAndAnotherRunsTakeIsNeverReplaced) {
    TempFolder dir;
    const std::string path = dir.write("a.take", "the old take");
    std::string error;
    TakeWriter first;
    ASSERT_TRUE(first.create(path, true, {}, error) && first.begin(header(), error)) << error;
    record(first, 60);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));  // a block pushed to the disk
    EXPECT_EQ(readFile(path), "the old take");
    const std::string temporary = platform::process_temp_path(path);
    EXPECT_NE(readFile(temporary).find("TBLK"), std::string::npos) << "the frames are in the temporary file";

    // Another run records 30 frames to the same name meanwhile, and closes first.
    const pid_t other = fork();
    if (other == 0) {
        TakeWriter second;
        std::string why;
        if (!second.create(path, true, {}, why) || !second.begin(header(), why)) _exit(1);
        record(second, 30);
        _exit(second.finish(TakeEnd::Escape, 0.02f, why) == platform::FileWrite::Written ? 0 : 1);
    }
    int status = -1;
    waitpid(other, &status, 0);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(first.finish(TakeEnd::FrameLimit, 0.02f, error), platform::FileWrite::Changed) << error;
    const std::string kept = dir / ("a." + platform::process_tag() + ".take");
    EXPECT_NE(error.find("\"" + path + "\" was written by another program"), std::string::npos) << error;
    EXPECT_NE(error.find("kept as \"" + kept + "\""), std::string::npos) << error;
    Take take;
    ASSERT_TRUE(readTakeFile(path, take, error));
    EXPECT_EQ(take.frames.size(), 30u) << "the other run's take";
    ASSERT_TRUE(readTakeFile(kept, take, error));
    EXPECT_EQ(take.frames.size(), 60u) << "this one's, beside it";
    EXPECT_FALSE(std::filesystem::exists(temporary));
}

// A killed run's take stays in its temporary file; the next recording to the name keeps
// it aside under a name of its own, and removes an empty one.
TEST(TakeWriter, ACutTakeOfADeadRunIsKeptAsideAndAnEmptyOneRemoved) {
    TempFolder dir;
    const std::string path = dir / "a.take";
    std::string cut = sampleTake();
    cut.resize(cut.size() - 10);
    writeFile(path + ".4000000001.tmp", cut);  // no process has such an id
    writeFile(path + ".4000000002.tmp", "");
    writeFile(dir / "a.cut-4000000001.take", "a take kept before");
    testing::internal::CaptureStdout();
    std::string error;
    {
        TakeWriter writer;
        EXPECT_TRUE(writer.create(path, false, {}, error)) << error;
    }
    const std::string said = testing::internal::GetCapturedStdout();
    const std::string kept = dir / "a.cut-4000000001-2.take";
    EXPECT_NE(said.find("Recording: \"" + path + ".4000000001.tmp\", the take of a run that was cut off, is kept as \"" +
                        kept + "\" (3 frames"),
              std::string::npos)
        << said;
    EXPECT_EQ(readFile(kept), cut);
    EXPECT_EQ(readFile(dir / "a.cut-4000000001.take"), "a take kept before");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"a.cut-4000000001-2.take", "a.cut-4000000001.take"}));
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

// A clock too large for a 5 ms step to move it (a take's, before takes were checked) once
// held the frame in the forecast for ever, out of reach of Escape and the signals.
TEST(TakeClock, TheForecastOfPicturesNeverSpinsWhereTheClockCannotStep) {
    Timeline edit, remap;
    buildEdit(edit);
    buildRemap(remap);
    for (float clock : {131072.0f, 2.4e6f, 3e38f}) {
        FrameForecast forecast;
        const auto start = std::chrono::steady_clock::now();
        forecast.advance(edit, remap, clock, 0.02f);
        forecast.advance(edit, remap, clock, 0.02f);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << clock;
    }
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
