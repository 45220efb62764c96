#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/heard_clock.h"
#include "platform/tick_clock.h"
#include "lame_encode.h"
#include "temp_folder.h"

namespace {

// A sine tone, with the tag frame written back so decoders drop the padding.
std::string makeMp3(const char* name, int rate, int channels, double seconds) {
    const std::string path = testing::TempDir() + name;
    const int frames = static_cast<int>(rate * seconds);
    std::vector<short> pcm(static_cast<size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) pcm[i * channels + c] = static_cast<short>(8000 * std::sin(i * 0.05));
    encodeMp3(path, pcm, rate, channels, true);
    return path;
}

}  // namespace

TEST(Mp3Decode, DecodedLengthIsExactAt48kStereo) {
    std::vector<int16_t> samples;
    std::string error;
    ASSERT_TRUE(platform::decode_mp3(makeMp3("tone48.mp3", 48000, 2, 2.0), samples, error)) << error;
    EXPECT_EQ(samples.size(), 2u * 96000u);
}

TEST(Mp3Decode, OtherRatesAndMonoAreConvertedTo48kStereo) {
    std::vector<int16_t> samples;
    std::string error;
    ASSERT_TRUE(platform::decode_mp3(makeMp3("tone44.mp3", 44100, 1, 2.0), samples, error)) << error;
    // 2 s of audio at 48 kHz, within the resampler's edge frames.
    EXPECT_NEAR(static_cast<double>(samples.size()) / 2, 96000.0, 48.0);
}

TEST(Mp3Decode, MissingFilesAndFilesThatAreNotMp3AreReportedAsSuch) {
    std::vector<int16_t> samples;
    std::string error;
    EXPECT_FALSE(platform::decode_mp3(testing::TempDir() + "no-such.mp3", samples, error));
    EXPECT_FALSE(error.empty());
    const std::string junk = testing::TempDir() + "junk.mp3";
    FILE* f = std::fopen(junk.c_str(), "wb");
    for (int i = 0; i < 4000; ++i) std::fputc((i * 7919) & 0xFF, f);
    std::fclose(f);
    EXPECT_FALSE(platform::decode_mp3(junk, samples, error));
    EXPECT_NE(error.find("not MP3 audio"), std::string::npos) << error;
    FILE* text = std::fopen(junk.c_str(), "wb");
    std::fputs("these are the show's notes, saved under the music's name\n", text);
    std::fclose(text);
    EXPECT_FALSE(platform::decode_mp3(junk, samples, error));
    EXPECT_NE(error.find("not MP3 audio"), std::string::npos) << error;
}

TEST(MusicPlayer, PlaysSeeksAndRefusesSeeksPastTheEnd) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);  // these machines have no sound card
    ASSERT_TRUE(platform::audio_init(true));
    const uint32_t music = platform::music_load(makeMp3("play.mp3", 48000, 2, 3.0));
    ASSERT_NE(music, 0u);
    EXPECT_EQ(platform::music_length(music), 3u * 192000u);
    platform::music_play(music);
    platform::sleep_ms(400);
    const int64_t playing = platform::music_get_position(music);
    EXPECT_GT(playing, 0);
    EXPECT_LT(playing, 3 * 192000);

    EXPECT_TRUE(platform::music_set_position(music, 2 * 192000));
    EXPECT_GE(platform::music_get_position(music), 2 * 192000);
    EXPECT_LT(platform::music_get_position(music), 2 * 192000 + 192000 / 4);

    const int64_t before = platform::music_get_position(music);
    EXPECT_FALSE(platform::music_set_position(music, 3 * 192000));
    EXPECT_FALSE(platform::music_set_position(music, static_cast<uint64_t>(int64_t(-100 * 192000))));
    EXPECT_GE(platform::music_get_position(music), before);  // playback went on where it was
    EXPECT_EQ(platform::music_get_position(99), -1);
    platform::audio_shutdown();
}

// The frame count of the encoder's Info header: 4,294,967,295 used to stall the start for
// a minute and then abort on allocating what it claimed.
TEST(Mp3Decode, AHeaderThatLiesAboutTheLengthGivesWhatReallyDecodes) {
    const std::string path = makeMp3("liar.mp3", 44100, 2, 2.0);
    std::string bytes = readFile(path);
    const size_t tag = bytes.find("Info");
    ASSERT_NE(tag, std::string::npos);
    bytes.replace(tag + 8, 4, "\xff\xff\xff\xff");  // after the flags: the frame count
    writeFile(path, bytes);
    std::vector<int16_t> samples;
    std::string error;
    ASSERT_TRUE(platform::decode_mp3(path, samples, error)) << error;
    EXPECT_NEAR(samples.size() / 2.0, 96000, 4000) << "two seconds, give or take the padding left in";
}

// The show plays 296 s: a longer track is decoded only that far.
TEST(Mp3Decode, StopsWhereAsked) {
    std::vector<int16_t> samples;
    std::string error;
    ASSERT_TRUE(platform::decode_mp3(makeMp3("three.mp3", 48000, 2, 3.0), samples, error, 48000)) << error;
    EXPECT_EQ(samples.size(), 2u * 48000u);
}

TEST(MusicPlayer, APausedTrackStandsAndGoesOnFromASeek) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_TRUE(platform::audio_init(true));
    const uint32_t music = platform::music_load(makeMp3("pause.mp3", 48000, 2, 3.0));
    ASSERT_NE(music, 0u);
    platform::music_play(music);
    platform::sleep_ms(200);
    platform::music_pause(music, true);
    platform::sleep_ms(150);  // the buffers in flight play out
    const int64_t stood = platform::music_get_position(music);
    platform::sleep_ms(300);
    EXPECT_EQ(platform::music_get_position(music), stood);
    EXPECT_TRUE(platform::music_set_position(music, 192000));
    platform::music_pause(music, false);
    platform::sleep_ms(200);
    EXPECT_GT(platform::music_get_position(music), 192000);
    platform::audio_shutdown();
}

TEST(MusicPlayer, WithoutADeviceNothingLoads) {
    EXPECT_FALSE(platform::audio_init(false));
    EXPECT_EQ(platform::music_load("music//Zo-velmora.mp3"), 0u);
    EXPECT_FALSE(platform::music_set_position(0, 0));
}

TEST(HeardPosition, LagsWhatWasHandedByTheQueueMovesSmoothlyAndAnswersForLongFrames) {
    platform::HeardClock c;
    c.queuedBuffers = 2;  // double-buffered: a buffer plays once the one before it has
    const int64_t buffer = platform::frames_to_ticks(c, 2048);
    platform::heard_on_seek(c, 0, 0, 0);
    for (int i = 0; i < 40; ++i) platform::heard_on_buffer(c, 2048 * i, 2048, i * buffer);
    EXPECT_EQ(platform::heard_frame(c, 39 * buffer), 38 * 2048) << "handed 40 buffers, 2 queued";
    EXPECT_NEAR(platform::heard_frame(c, 39 * buffer + buffer / 4), 38 * 2048 + 512, 1) << "not in buffer steps";
    EXPECT_EQ(platform::heard_frame(c, 45 * buffer), 40 * 2048) << "a silent device stops the position";
    // Long before every buffer still kept: the same playback, not the start-up promise.
    EXPECT_NEAR(platform::heard_frame(c, 11 * buffer), 10 * 2048, 2);
}
