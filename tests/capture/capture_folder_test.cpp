// The folder a capture writes, without the show: which names are a capture's, which
// folders are refused, the WAV header's bytes, frames written top row first as RGB and
// read back by the show's own decoder, an earlier capture replaced whole, and a frame that
// cannot be written. Built for Windows too (its PNG writer is another library).
#include "capture/capture_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/picture_decode.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

std::string readBytes(const std::string& path) {
    std::ifstream in(fs::u8path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Frame k of an 8 x 2 capture, BGRA bottom row first: pixel (x, row) holds k, x and row.
std::vector<uint8_t> framePixels(int k) {
    std::vector<uint8_t> bgra;
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < 8; ++x)
            bgra.insert(bgra.end(), {static_cast<uint8_t>(10 * k), static_cast<uint8_t>(20 * x),
                                     static_cast<uint8_t>(100 + 50 * row), 255});
    return bgra;
}

CaptureFolderFormat eightByTwo() {
    CaptureFolderFormat format;
    format.width = 8;
    format.height = 2;
    format.fps = 24;
    return format;
}

// Writes `frames` frames into folder; the sound counts up from 0. Returns finish()'s result.
bool capture(const std::string& folder, int frames, std::string& error) {
    CaptureFolder out;
    int16_t next = 0;
    if (!out.open(folder, eightByTwo(), [&next](int16_t* samples, int64_t n) {
            for (int64_t i = 0; i < n * 2; ++i) samples[i] = next++;
        }, error))
        return false;
    for (int k = 1; k <= frames; ++k) {
        uint8_t* pixels = out.nextFrame();
        if (!pixels) break;
        const std::vector<uint8_t> frame = framePixels(k);
        std::copy(frame.begin(), frame.end(), pixels);
        out.submitFrame();
    }
    return out.finish(error);
}

}  // namespace

TEST(CaptureFolderNames, FramesTheSoundAndTheirTemporaryFilesAreACapturesOwn) {
    for (const char* name : {"frame00001.png", "frame123456.png", "sound.wav", "frame00007.png.4242.tmp", "sound.wav.17.tmp"})
        EXPECT_TRUE(isCaptureFile(name)) << name;
    for (const char* name : {"frame1.png", "frame0001x.png", "Frame00001.png", "frame00001.jpg", "sound.wav.tmp",
                             "sound.wav.x1.tmp", "notes.txt", ".frame00001.png", "frame00001.png.tmp", ""})
        EXPECT_FALSE(isCaptureFile(name)) << name;
    EXPECT_EQ(captureFrameName(1), "frame00001.png");
    EXPECT_EQ(captureFrameName(123456), "frame123456.png");
}

TEST(CaptureFolderCheck, AFolderWithOtherFilesOrAFileIsRefusedAndNothingIsMade) {
    TempFolder folder;
    std::string error;
    EXPECT_TRUE(checkCaptureFolder(folder / "new/", error)) << error;
    EXPECT_FALSE(fs::exists(fs::u8path(folder / "new"))) << "made only when the capture starts";
    folder.write("earlier/frame00001.png", "x");
    folder.write("earlier/sound.wav", "x");
    EXPECT_TRUE(checkCaptureFolder(folder / "earlier", error)) << error;
    folder.write("mixed/frame00001.png", "x");
    folder.write("mixed/notes.txt", "mine");
    EXPECT_FALSE(checkCaptureFolder(folder / "mixed/", error));
    EXPECT_NE(error.find("holds files a capture did not write (\"notes.txt\")"), std::string::npos) << error;
    folder.write("plain", "x");
    for (const char* name : {"plain", "plain/"}) {
        EXPECT_FALSE(checkCaptureFolder(folder / name, error)) << name;
        EXPECT_NE(error.find("it is not a folder"), std::string::npos) << error;
    }
}

// 16-bit stereo PCM at 48 kHz, the sizes little-endian: the bytes every player reads.
TEST(CaptureFolderWav, TheHeaderHoldsTheFormatAndTheSizes) {
    const std::string header = wavHeader(96000);
    const unsigned char expected[44] = {'R', 'I', 'F', 'F', 0x24, 0xDC, 0x05, 0x00, 'W', 'A', 'V', 'E', 'f', 'm', 't',
                                        ' ', 16, 0, 0, 0, 1, 0, 2, 0, 0x80, 0xBB, 0x00, 0x00, 0x00, 0xEE, 0x02, 0x00,
                                        4, 0, 16, 0, 'd', 'a', 't', 'a', 0x00, 0xDC, 0x05, 0x00};
    ASSERT_EQ(header.size(), 44u);
    EXPECT_EQ(header, std::string(reinterpret_cast<const char*>(expected), 44));
}

TEST(CaptureFolderWrite, FramesAreWrittenTopRowFirstAsRgbWithTheirSoundBeside) {
    TempFolder folder;
    std::string error;
    ASSERT_TRUE(capture(folder / "out/", 3, error)) << error;
    for (int k = 1; k <= 3; ++k) {
        const std::string png = readBytes(folder / ("out/" + captureFrameName(k)));
        platform::RgbaPicture picture;
        std::string message;
        ASSERT_EQ(platform::decode_picture(reinterpret_cast<const uint8_t*>(png.data()), png.size(), picture, message),
                  platform::DecodeStatus::Decoded)
            << message;
        ASSERT_EQ(picture.width, 8);
        ASSERT_EQ(picture.height, 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 8; ++x) {
                const uint8_t* p = &picture.pixels[(static_cast<size_t>(y) * 8 + x) * 4];
                const int row = 1 - y;  // the picture's top row is the last one read back
                EXPECT_EQ(p[0], 100 + 50 * row) << "red, frame " << k << " at " << x << "," << y;
                EXPECT_EQ(p[1], 20 * x);
                EXPECT_EQ(p[2], 10 * k) << "blue";
            }
    }
    // Three frames at 24 fps: 3 * 48000 / 24 sample frames, counting up.
    const std::string wav = readBytes(folder / "out/sound.wav");
    ASSERT_EQ(wav.size(), 44u + 6000 * 4);
    EXPECT_EQ(wav.substr(0, 44), wavHeader(6000));
    for (size_t i : {size_t(0), size_t(1), size_t(11999)}) {
        const int value = static_cast<int16_t>(static_cast<uint8_t>(wav[44 + 2 * i]) | static_cast<uint8_t>(wav[45 + 2 * i]) << 8);
        EXPECT_EQ(value, static_cast<int16_t>(i));
    }
    // The same frames again are the same bytes.
    ASSERT_TRUE(capture(folder / "again", 3, error)) << error;
    for (const char* name : {"frame00001.png", "frame00003.png", "sound.wav"})
        EXPECT_EQ(readBytes(folder / (std::string("again/") + name)), readBytes(folder / (std::string("out/") + name)))
            << name;
}

// A shorter capture into the folder of a longer one: the earlier frames past its own go,
// and the sound is its own; nothing else is left there, not even a killed one's file.
TEST(CaptureFolderWrite, AnEarlierCaptureIsReplacedWhole) {
    TempFolder folder;
    std::string error;
    ASSERT_TRUE(capture(folder / "out", 5, error)) << error;
    folder.write("out/frame00009.png.99999999.tmp", "left by a capture that was killed");
    ASSERT_TRUE(capture(folder / "out", 2, error)) << error;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::u8path(folder / "out")))
        names.push_back(entry.path().filename().u8string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"frame00001.png", "frame00002.png", "sound.wav"}));
    EXPECT_EQ(readBytes(folder / "out/sound.wav").size(), 44u + 4000 * 4);
}

// A folder where frame 2 should go: the frames after it are not written, nor the sound,
// and the line names the file; an earlier sound.wav is gone already.
TEST(CaptureFolderWrite, AFrameThatCannotBeWrittenEndsTheCaptureWithoutSound) {
    TempFolder folder;
    std::string error;
    folder.write("out/sound.wav", "an earlier capture's");
    fs::create_directories(fs::u8path(folder / "out/frame00002.png"));
    EXPECT_FALSE(capture(folder / "out", 4, error));
    EXPECT_NE(error.find("frame00002.png"), std::string::npos) << error;
    EXPECT_TRUE(fs::exists(fs::u8path(folder / "out/frame00001.png")));
    EXPECT_FALSE(fs::exists(fs::u8path(folder / "out/frame00003.png")));
    EXPECT_FALSE(fs::exists(fs::u8path(folder / "out/sound.wav")));
    // And no frame at all: a failure too.
    EXPECT_FALSE(capture(folder / "none", 0, error));
    EXPECT_EQ(error, "no frame was captured");
    EXPECT_FALSE(fs::exists(fs::u8path(folder / "none/sound.wav")));
}
