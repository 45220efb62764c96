// The frame layout of an MP3 file, read without decoding: where the Layer III audio frames
// are, their rate and channels, and the encoder's Info tag (frame count, encoder delay and
// padding). A decoder that knows nothing of the tag (the Windows ACM codec) is fed the
// audio frames alone, and the gapless trim is worked out here, as libmpg123 does it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct Mp3Frames {
    int rate = 0;                     // sample frames per second
    int channels = 0;                 // 1 or 2
    int samplesPerFrame = 0;          // 1152 (MPEG 1) or 576 (MPEG 2 and 2.5)
    int bitrate = 0;                  // bits per second of the first audio frame
    std::vector<uint8_t> audio;       // the audio frames back to back, junk and tags left out
    int64_t frames = 0;               // audio frames in it
    int64_t taggedFrames = -1;        // the Info tag's count of audio frames; -1 without one
    int encoderDelay = -1;            // LAME tag: frames the encoder put before the music; -1 without
    int padding = -1;                 // LAME tag: frames it appended after it
};

// The decoder's own delay that a gapless decoder removes along with the encoder's.
constexpr int kMp3DecoderDelay = 529;

// Finds the audio frames of an MP3 file held in memory, at most maxAudioFrames of them
// (those beyond are not needed). Skips an ID3v2 tag, junk before and between frames,
// and trailing ID3v1/APE tags. Only Layer III is taken: false, with the reason, when
// there is none. Safe on any input: every read is checked against size.
bool mp3_find_frames(const uint8_t* data, size_t size, Mp3Frames& out, std::string& error,
                     int64_t maxAudioFrames = INT64_MAX);

// The part of the decoded stream (all frames decoded, at the file's rate) that a gapless
// decoder plays: [begin, end) in sample frames. Without a LAME tag, everything.
struct Mp3Span {
    int64_t begin = 0;
    int64_t end = 0;
};
Mp3Span mp3_gapless_span(const Mp3Frames& frames);

// Rate conversion to 48 kHz as libmpg123 does it (its N-to-M synthesis): every source frame
// is repeated or dropped by a 15-bit fixed-point step, so that Windows and Linux decodes
// have the same length and line up sample for sample. mp3_output_frames gives how many
// output frames precede source frame `in`; the span [begin, end) at the file's rate
// becomes [outputs(begin), outputs(end)) at 48 kHz.
int64_t mp3_output_frames(int rate, int64_t in);

// Converts decoded 16-bit PCM (channels 1 or 2, at rate; its first frame is source frame
// firstFrame of the stream) into 48 kHz stereo for the part of it inside the span,
// appending to out and stopping once out holds maxFrames stereo frames (negative: no
// bound). Called chunk
// after chunk as the decoder delivers. Mono is copied to both channels.
void mp3_to_48k_stereo(const int16_t* pcm, int64_t pcmFrames, int64_t firstFrame, int channels, int rate,
                       Mp3Span span, std::vector<int16_t>& out, int64_t maxFrames);

}  // namespace platform
