// MP3 frame walking, the LAME tag, and libmpg123's gapless trim and rate steps, for the
// Windows decode path (whose system decoder does none of this).
#include "platform/mp3_frames.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

struct Header {
    int version = 0;  // 1 = MPEG 1, 2 = MPEG 2, 3 = MPEG 2.5
    int rate = 0;
    int channels = 0;
    int bitrate = 0;
    size_t bytes = 0;
    int samples = 0;
    bool operator==(const Header& o) const { return version == o.version && rate == o.rate && channels == o.channels; }
};

// A Layer III frame header at p (4 bytes available); false for anything else, free format
// included (no decoder here can size its frames).
bool parse_header(const uint8_t* p, Header& h) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    const int versionBits = (p[1] >> 3) & 3, layerBits = (p[1] >> 1) & 3;
    const int rateIndex = (p[2] >> 2) & 3, bitrateIndex = p[2] >> 4;
    if (versionBits == 1 || layerBits != 1 || rateIndex == 3 || bitrateIndex == 0 || bitrateIndex == 15) return false;
    static const int kMpeg1[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int kMpeg2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static const int kRates[] = {44100, 48000, 32000};
    h.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 3;
    h.rate = kRates[rateIndex] >> (h.version - 1);
    h.bitrate = (h.version == 1 ? kMpeg1 : kMpeg2)[bitrateIndex] * 1000;
    h.channels = (p[3] >> 6) == 3 ? 1 : 2;
    h.samples = h.version == 1 ? 1152 : 576;
    h.bytes = static_cast<size_t>(h.samples / 8 * h.bitrate / h.rate + ((p[2] >> 1) & 1));
    return true;
}

// Size of an ID3v2 tag at the start (header, synchsafe length, optional footer), else 0.
size_t id3v2_size(const uint8_t* data, size_t size) {
    if (size < 10 || std::memcmp(data, "ID3", 3) != 0) return 0;
    const uint8_t* s = data + 6;
    if ((s[0] | s[1] | s[2] | s[3]) & 0x80) return 0;
    const size_t body = (size_t(s[0]) << 21) | (size_t(s[1]) << 14) | (size_t(s[2]) << 7) | s[3];
    return 10 + body + ((data[5] & 0x10) ? 10 : 0);
}

// A frame is believed where its header is followed by another like it (or by the end of
// the data): a lone 0xFFE pattern in junk or in a picture tag is not enough.
bool frame_at(const uint8_t* data, size_t size, size_t at, const Header* like, Header& h) {
    if (size - at < 4 || !parse_header(data + at, h) || (like && !(h == *like))) return false;
    if (size - at < h.bytes) return false;
    const size_t next = at + h.bytes;
    if (size - next < 4) return true;
    Header n;
    return parse_header(data + next, n) && n == h;
}

// The Xing/Info tag in the first frame, with LAME's delay and padding where present.
bool read_info_tag(const uint8_t* frame, const Header& h, Mp3Frames& out) {
    const size_t sideInfo = h.version == 1 ? (h.channels == 1 ? 17 : 32) : (h.channels == 1 ? 9 : 17);
    const size_t at = 4 + sideInfo;
    if (h.bytes < at + 8) return false;
    const uint8_t* tag = frame + at;
    if (std::memcmp(tag, "Xing", 4) != 0 && std::memcmp(tag, "Info", 4) != 0) return false;
    const uint32_t flags = (uint32_t(tag[4]) << 24) | (uint32_t(tag[5]) << 16) | (uint32_t(tag[6]) << 8) | tag[7];
    size_t field = at + 8;
    if (flags & 1) {
        if (h.bytes < field + 4) return true;
        const uint8_t* f = frame + field;
        out.taggedFrames = (int64_t(f[0]) << 24) | (int64_t(f[1]) << 16) | (int64_t(f[2]) << 8) | f[3];
        field += 4;
    }
    if (flags & 2) field += 4;
    if (flags & 4) field += 100;
    if (flags & 8) field += 4;
    // The LAME extension: a 9-byte encoder name, then at +21 the 12-bit delay and padding.
    if (h.bytes < field + 24) return true;
    const uint8_t* lame = frame + field;
    for (int i = 0; i < 4; ++i)
        if (lame[i] < 0x20 || lame[i] > 0x7E) return true;  // no encoder name: no extension
    out.encoderDelay = (lame[21] << 4) | (lame[22] >> 4);
    out.padding = ((lame[22] & 0x0F) << 8) | lame[23];
    return true;
}

}  // namespace

bool mp3_find_frames(const uint8_t* data, size_t size, Mp3Frames& out, std::string& error, int64_t maxAudioFrames) {
    out = Mp3Frames{};
    size_t at = std::min(id3v2_size(data, size), size);
    Header first;
    while (at < size && !frame_at(data, size, at, nullptr, first)) ++at;
    if (at >= size) {
        error = "the file is not MP3 audio: no MPEG Layer III frames in it";
        return false;
    }
    out.rate = first.rate;
    out.channels = first.channels;
    out.samplesPerFrame = first.samples;
    out.bitrate = first.bitrate;
    if (read_info_tag(data + at, first, out)) {
        at += first.bytes;
    } else {
        out.taggedFrames = -1;
    }
    // A tag claiming more frames than the file can hold is not believed (its delay and
    // padding then are not either): the frames really there all play.
    const int64_t mostFrames = static_cast<int64_t>(size / 24 + 1);
    if (out.taggedFrames > mostFrames) out.taggedFrames = out.encoderDelay = out.padding = -1;
    out.audio.reserve(std::min(size - at, size_t(1) << 30));
    while (at < size && out.frames < maxAudioFrames) {
        Header h;
        if (size - at >= 4 && parse_header(data + at, h) && h == first && size - at >= h.bytes) {
            out.audio.insert(out.audio.end(), data + at, data + at + h.bytes);
            out.frames += 1;
            at += h.bytes;
            continue;
        }
        // Junk inside the stream: resynchronise on the next frame like the first.
        ++at;
        while (at < size && !frame_at(data, size, at, &first, h)) ++at;
    }
    return true;
}

Mp3Span mp3_gapless_span(const Mp3Frames& f) {
    const int64_t decoded = f.frames * f.samplesPerFrame;
    Mp3Span span{0, decoded};
    if (f.encoderDelay < 0) return span;
    const int64_t total = (f.taggedFrames >= 0 ? f.taggedFrames : f.frames) * f.samplesPerFrame;
    span.begin = std::min<int64_t>(f.encoderDelay + kMp3DecoderDelay, decoded);
    span.end = std::clamp<int64_t>(total - f.padding + kMp3DecoderDelay, span.begin, decoded);
    return span;
}

int64_t mp3_output_frames(int rate, int64_t in) {
    // libmpg123's step is 15-bit fixed point, truncated, starting half a step in.
    constexpr int64_t kOne = 32768;
    const int64_t step = int64_t(48000) * kOne / rate;
    return (kOne / 2 + in * step) / kOne;
}

void mp3_to_48k_stereo(const int16_t* pcm, int64_t pcmFrames, int64_t firstFrame, int channels, int rate,
                       Mp3Span span, std::vector<int16_t>& out, int64_t maxFrames) {
    if (maxFrames < 0) maxFrames = INT64_MAX;
    const int64_t from = std::max(firstFrame, span.begin), to = std::min(firstFrame + pcmFrames, span.end);
    int64_t room = maxFrames - static_cast<int64_t>(out.size() / 2);
    if (from >= to || room <= 0) return;
    const int16_t* s = pcm + (from - firstFrame) * channels;
    if (rate == 48000 && channels == 2) {  // the usual case: a plain copy
        const int64_t n = std::min(to - from, room);
        out.insert(out.end(), s, s + n * 2);
        return;
    }
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(std::min(room, mp3_output_frames(rate, to) - mp3_output_frames(rate, from))) * 2);
    int16_t* o = out.data() + start;
    for (int64_t i = from, before = mp3_output_frames(rate, from); i < to && room > 0; ++i, s += channels) {
        const int64_t after = mp3_output_frames(rate, i + 1);
        for (int64_t n = std::min(after - before, room); n > 0; --n, --room) {
            *o++ = s[0];
            *o++ = s[channels - 1];  // mono: the one channel in both
        }
        before = after;
    }
}

}  // namespace platform
