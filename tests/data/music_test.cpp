// The music: sections follow the edit's steps, the encoder writes a tag that makes the
// decoded length exact, and peaks stay below -1 dBFS after decoding.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "tools/velmora_data/mp3_writer.h"
#include "tools/velmora_data/music_score.h"

using namespace vdata;

namespace {

// Decodes MP3 bytes through libmpg123 (gapless, as the show's player opens it) to floats.
bool decode(const std::vector<unsigned char>& mp3, std::vector<float>& pcm, long& rate, int& channels) {
    const std::string path = ::testing::TempDir() + "velmora_music_test.mp3";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(mp3.data()), mp3.size());
    mpg123_init();
    int err = 0;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    if (!h) return false;
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_FORCE_FLOAT, 0);
    bool ok = mpg123_open(h, path.c_str()) == MPG123_OK;
    int encoding = 0;
    ok = ok && mpg123_getformat(h, &rate, &channels, &encoding) == MPG123_OK;
    std::vector<unsigned char> buffer(1 << 16);
    while (ok) {
        size_t done = 0;
        const int r = mpg123_read(h, buffer.data(), buffer.size(), &done);
        const float* f = reinterpret_cast<const float*>(buffer.data());
        pcm.insert(pcm.end(), f, f + done / sizeof(float));
        if (r == MPG123_DONE) break;
        if (r != MPG123_OK && r != MPG123_NEW_FORMAT) ok = false;
    }
    mpg123_close(h);
    mpg123_delete(h);
    std::remove(path.c_str());
    return ok;
}

// The start times of the edit's build steps 2..26 at speed 1, as the cut is checked.
const double kStepStarts[] = {0.0,      17.0610,  23.5611,  39.9568,  47.9567,  55.9567,  63.9567,
                              71.9567,  79.9567,  96.9567,  120.9567, 131.9567, 134.9870, 144.4655,
                              171.0105, 179.0106, 188.8522, 196.8521, 196.9521, 204.9520, 212.9520,
                              220.9520, 232.9520, 236.9519, 266.9519};

}  // namespace

TEST(MusicScore, SectionsChangeWhereTheEditStepsStart) {
    const std::vector<MusicSection> sections = musicSections(editStepStarts());
    ASSERT_EQ(sections.size(), 25u);
    for (size_t i = 0; i < sections.size(); ++i) {
        EXPECT_NEAR(sections[i].start, kStepStarts[i], 2e-3) << "section " << i;
        if (i + 1 < sections.size()) {
            EXPECT_DOUBLE_EQ(sections[i].end, sections[i + 1].start);
        }
    }
    EXPECT_DOUBLE_EQ(sections.back().end, kMusicSeconds);
}

TEST(MusicScore, OddStepListsStillGiveOrderedSectionsCoveringThePiece) {
    for (const std::vector<double>& starts : std::vector<std::vector<double>>{
             {}, {5.0}, {0.0, 50.0, 20.0, 80.0}, {0.0, 400.0}, {0.0, NAN, 10.0}, std::vector<double>(40, 1.0)}) {
        const std::vector<MusicSection> sections = musicSections(starts);
        ASSERT_FALSE(sections.empty());
        EXPECT_EQ(sections.front().start, 0.0);
        EXPECT_EQ(sections.back().end, kMusicSeconds);
        for (size_t i = 0; i + 1 < sections.size(); ++i) {
            EXPECT_LT(sections[i].start, sections[i].end);
            EXPECT_EQ(sections[i].end, sections[i + 1].start);
        }
    }
}

TEST(Mp3, TagMakesTheDecodedLengthExactAndPeaksStayBelowMinusOneDb) {
    // Three seconds of a loud chord at -3 dBFS peak.
    std::vector<float> pcm(2 * 3 * kMusicRate);
    for (size_t i = 0; i < pcm.size() / 2; ++i) {
        const float t = static_cast<float>(i) / kMusicRate;
        const float v = 0.236f * (std::sin(2 * 3.14159265f * 220 * t) + std::sin(2 * 3.14159265f * 277 * t) +
                                  std::sin(2 * 3.14159265f * 330 * t));
        pcm[2 * i] = v;
        pcm[2 * i + 1] = -v;
    }
    std::vector<unsigned char> mp3;
    std::string error;
    ASSERT_TRUE(encodeMp3(pcm, kMusicRate, 192, 5, mp3, error)) << error;
    std::vector<float> decoded;
    long rate = 0;
    int channels = 0;
    ASSERT_TRUE(decode(mp3, decoded, rate, channels));
    EXPECT_EQ(rate, kMusicRate);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(decoded.size(), pcm.size()) << "without the tag frame the decoder adds the encoder's delay and padding";
    float peak = 0;
    for (float v : decoded) peak = std::max(peak, std::fabs(v));
    EXPECT_LE(20 * std::log10(peak), -1.0);
}

TEST(Mp3, RefusesRatesMp3CannotCarryAndUnpairedSamples) {
    std::vector<unsigned char> mp3;
    std::string error;
    EXPECT_FALSE(encodeMp3(std::vector<float>(2000, 0.0f), 12345678, 192, 5, mp3, error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(encodeMp3(std::vector<float>(2001, 0.0f), 48000, 192, 5, mp3, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(mp3.empty());
}

TEST(MusicSynth, WholePieceIsQuietAtItsEdgesLoudInItsGroovesAndBelowMinusThreeDb) {
    const std::vector<float> pcm = synthesiseMusic(musicSections(editStepStarts()));
    ASSERT_EQ(pcm.size(), static_cast<size_t>(2 * kMusicSeconds * kMusicRate));
    float peak = 0;
    for (float v : pcm) peak = std::max(peak, std::fabs(v));
    EXPECT_LE(peak, 0.7080f);
    EXPECT_GE(peak, 0.69f) << "normalised to -3 dBFS";
    auto rms = [&](double from, double to) {
        double sum = 0;
        const size_t a = static_cast<size_t>(from * kMusicRate) * 2, b = static_cast<size_t>(to * kMusicRate) * 2;
        for (size_t i = a; i < b; ++i) sum += pcm[i] * pcm[i];
        return std::sqrt(sum / (b - a));
    };
    EXPECT_LT(rms(299.95, 300.0), 0.002) << "faded out at the end";
    EXPECT_GT(rms(1.0, 16.0), 0.005) << "the opening is not silent";
    EXPECT_GT(rms(40.0, 47.0), 1.5 * rms(1.0, 16.0)) << "the first full groove is louder than the opening";
    // Left and right differ: the voices are spread.
    double side = 0;
    for (size_t i = 0; i < pcm.size(); i += 2) side += std::fabs(pcm[i] - pcm[i + 1]);
    EXPECT_GT(side / (pcm.size() / 2), 1e-3);
}
