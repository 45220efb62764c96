// The MP3 frame walk and gapless arithmetic behind the Windows decode, on frames built
// here byte by byte (the decoder itself is compared with mpg123 in tests/windows).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/mp3_frames.h"

namespace {

// An MPEG 1 Layer III frame at 44.1 kHz, 128 kbit/s, joint stereo: 417 bytes (418 padded).
std::vector<uint8_t> frame(bool padded = false, uint8_t fill = 0x55) {
    std::vector<uint8_t> f(padded ? 418 : 417, fill);
    f[0] = 0xFF, f[1] = 0xFB, f[2] = padded ? 0x92 : 0x90, f[3] = 0x44;
    return f;
}

// The encoder's Info frame: frame count, then LAME's name and at +21 delay and padding.
std::vector<uint8_t> info_frame(uint32_t frames, int delay, int padding) {
    std::vector<uint8_t> f = frame(false, 0);
    const size_t tag = 4 + 32;
    std::memcpy(&f[tag], "Info", 4);
    f[tag + 7] = 1;  // the frame count only
    for (int i = 0; i < 4; ++i) f[tag + 8 + i] = static_cast<uint8_t>(frames >> (24 - 8 * i));
    uint8_t* lame = &f[tag + 12];
    std::memcpy(lame, "LAME3.100", 9);
    lame[21] = static_cast<uint8_t>(delay >> 4);
    lame[22] = static_cast<uint8_t>((delay & 15) << 4 | padding >> 8);
    lame[23] = static_cast<uint8_t>(padding & 0xFF);
    return f;
}

void append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); }

std::vector<uint8_t> tagged_file(int audioFrames) {
    std::vector<uint8_t> file = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 20};
    file.resize(30, 0xFF);  // a tag body that looks like sync bytes
    append(file, info_frame(audioFrames, 576, 1000));
    for (int i = 0; i < audioFrames; ++i) append(file, frame(i % 3 == 0));
    return file;
}

}  // namespace

TEST(Mp3Frames, FindsTheAudioFramesPastTagsAndJunkAndReadsTheEncoderDelay) {
    std::vector<uint8_t> file = tagged_file(10);
    // Junk between frames (a sync pattern that is no frame among it), and an ID3v1 tag.
    const std::vector<uint8_t> junk = {0xFF, 0xFB, 0x00, 'j', 'u', 'n', 'k'};
    const size_t fifthFrameEnd = 30 + 417 + 5 * 417 + 2;  // frames 0 and 3 are padded
    file.insert(file.begin() + fifthFrameEnd, junk.begin(), junk.end());
    append(file, frame());
    std::vector<uint8_t> id3v1(128, 'x');
    std::memcpy(id3v1.data(), "TAG", 3);
    append(file, id3v1);
    platform::Mp3Frames f;
    std::string error;
    ASSERT_TRUE(platform::mp3_find_frames(file.data(), file.size(), f, error)) << error;
    EXPECT_EQ(f.rate, 44100);
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.samplesPerFrame, 1152);
    EXPECT_EQ(f.frames, 11);
    EXPECT_EQ(f.taggedFrames, 10);
    EXPECT_EQ(f.encoderDelay, 576);
    EXPECT_EQ(f.padding, 1000);
    EXPECT_EQ(f.audio.size(), 11 * 417u + 4);  // the Info frame is no audio; 4 padded frames
    const platform::Mp3Span span = platform::mp3_gapless_span(f);
    EXPECT_EQ(span.begin, 576 + platform::kMp3DecoderDelay);
    EXPECT_EQ(span.end, 10 * 1152 - 1000 + platform::kMp3DecoderDelay) << "the tag's count, not the frames found";
}

TEST(Mp3Frames, ATagClaimingMoreThanTheFileHoldsIsNotBelieved) {
    std::vector<uint8_t> file = tagged_file(3);
    std::vector<uint8_t> liar = info_frame(0xFFFFFFFFu, 576, 1000);
    std::copy(liar.begin(), liar.end(), file.begin() + 30);
    platform::Mp3Frames f;
    std::string error;
    ASSERT_TRUE(platform::mp3_find_frames(file.data(), file.size(), f, error)) << error;
    EXPECT_EQ(f.frames, 3);
    EXPECT_EQ(f.taggedFrames, -1);
    const platform::Mp3Span span = platform::mp3_gapless_span(f);
    EXPECT_EQ(span.begin, 0);
    EXPECT_EQ(span.end, 3 * 1152);
}

TEST(Mp3Frames, NothingButLayerThreeIsTaken) {
    std::vector<uint8_t> layer2;
    for (int i = 0; i < 4; ++i) append(layer2, frame());
    for (size_t at = 0; at < layer2.size(); at += 417) layer2[at + 1] = 0xFD;
    platform::Mp3Frames f;
    std::string error;
    EXPECT_FALSE(platform::mp3_find_frames(layer2.data(), layer2.size(), f, error));
    EXPECT_NE(error.find("not MP3 audio"), std::string::npos) << error;
    EXPECT_FALSE(platform::mp3_find_frames(nullptr, 0, f, error));
}

// Each prefix in an allocation of its own size, so that AddressSanitizer sees any read past it.
TEST(Mp3Frames, EveryTruncationStaysInsideTheData) {
    const std::vector<uint8_t> file = tagged_file(4);
    for (size_t n = 0; n <= file.size(); ++n) {
        std::unique_ptr<uint8_t[]> copy(new uint8_t[n ? n : 1]);
        std::memcpy(copy.get(), file.data(), n);
        platform::Mp3Frames f;
        std::string error;
        if (platform::mp3_find_frames(copy.get(), n, f, error)) {
            EXPECT_LE(f.audio.size(), n);
            const platform::Mp3Span span = platform::mp3_gapless_span(f);
            EXPECT_LE(span.begin, span.end);
            EXPECT_LE(span.end, f.frames * f.samplesPerFrame);
        }
    }
}

TEST(Mp3Frames, RateStepsGiveMpg123sLengthsInChunksAsWhole) {
    // mpg123's own decodes: 88200 frames at 44.1 kHz with delay 576 and padding 1080 in 78
    // frames gave 95997 frames at 48 kHz; 30000 at 22.05 kHz mono (delay 576, padding
    // 1104, 55 frames) gave 65306.
    EXPECT_EQ(platform::mp3_output_frames(44100, 78 * 1152 - 1080 + 529) - platform::mp3_output_frames(44100, 576 + 529),
              95997);
    EXPECT_EQ(platform::mp3_output_frames(22050, 55 * 576 - 1104 + 529) - platform::mp3_output_frames(22050, 576 + 529),
              65306);
    EXPECT_EQ(platform::mp3_output_frames(48000, 12345), 12345);
    // A mono decode in uneven chunks comes out as in one piece, both channels alike.
    std::vector<int16_t> mono(5000);
    for (size_t i = 0; i < mono.size(); ++i) mono[i] = static_cast<int16_t>(i * 7);
    const platform::Mp3Span span{1105, 4800};
    std::vector<int16_t> whole, chunked;
    platform::mp3_to_48k_stereo(mono.data(), 5000, 0, 1, 44100, span, whole, platform::kWholeTrack);
    for (int64_t at = 0; at < 5000; at += 333)
        platform::mp3_to_48k_stereo(mono.data() + at, std::min<int64_t>(333, 5000 - at), at, 1, 44100, span, chunked,
                                    INT64_MAX);
    EXPECT_EQ(whole, chunked);
    EXPECT_EQ(static_cast<int64_t>(whole.size() / 2),
              platform::mp3_output_frames(44100, 4800) - platform::mp3_output_frames(44100, 1105));
    EXPECT_EQ(whole[0], whole[1]);
    std::vector<int16_t> bounded;
    platform::mp3_to_48k_stereo(mono.data(), 5000, 0, 1, 44100, span, bounded, 100);
    EXPECT_EQ(bounded.size(), 200u);
}
