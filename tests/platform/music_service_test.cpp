// What both halves of the music service promise when there is nothing to play: no sound
// device (these machines, and Wine on them), no sound wanted, or a file that is no MP3.
// The decode itself is compared across the two halves by tests/windows/same_music.sh.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/audio.h"

namespace {

std::string write_file(const std::string& name, const std::string& bytes) {
    const std::string path = testing::TempDir() + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

void expect_nothing_plays() {
    EXPECT_EQ(platform::music_load(write_file("any.mp3", "")), 0u);
    EXPECT_EQ(platform::music_get_position(1), -1);
    EXPECT_FALSE(platform::music_set_position(1, 0));
    EXPECT_EQ(platform::music_length(1), 0u);
    platform::music_play(1);  // nothing to play: no effect, no crash
    platform::music_pause(1, true);
}

}  // namespace

TEST(MusicService, WithoutASoundDeviceTheShowRunsSilentlyAndSaysSoInOneLine) {
    testing::internal::CaptureStdout();
    const bool opened = platform::audio_init(true);
    const std::string out = testing::internal::GetCapturedStdout();
    if (opened) {
        platform::audio_shutdown();
        GTEST_SKIP() << "a sound device is present";
    }
    EXPECT_EQ(out.find("Audio: no sound device ("), 0u) << out;
    EXPECT_NE(out.find("); the show runs silently on its own clock.\n"), std::string::npos) << out;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line: " << out;
    expect_nothing_plays();
}

TEST(MusicService, NoSoundAskedForOpensNothing) {
    testing::internal::CaptureStdout();
    EXPECT_FALSE(platform::audio_init(false));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Audio: disabled (--no-audio); the show runs silently on its own clock.\n");
    expect_nothing_plays();
    platform::audio_shutdown();
}

TEST(MusicService, FilesThatAreNotMp3AreRefusedWithTheReason) {
    std::vector<int16_t> samples(10);
    std::string error;
    EXPECT_FALSE(platform::decode_mp3(testing::TempDir() + "no-such.mp3", samples, error));
    EXPECT_TRUE(samples.empty());
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(platform::decode_mp3(testing::TempDir(), samples, error)) << "a folder";
    EXPECT_FALSE(error.empty());
    std::string junk;
    for (int i = 0; i < 4000; ++i) junk += static_cast<char>((i * 7919) & 0xFF);
    for (const std::string& bytes : {junk, std::string("the show's notes, saved under the music's name\n"),
                                     std::string()}) {
        error.clear();
        EXPECT_FALSE(platform::decode_mp3(write_file("junk.mp3", bytes), samples, error));
        EXPECT_NE(error.find("not MP3 audio"), std::string::npos) << error;
    }
}
