// Helper for comparing the music decodes of the Linux and Windows builds:
//   mp3_tool decode IN.mp3 OUT.raw [MAXFRAMES]   the show's decode (16-bit stereo, 48 kHz)
//   mp3_tool encode OUT.mp3 RATE CHANNELS FRAMES TAG   a test tone by LAME (Linux only),
//                                                  and its source as OUT.mp3.pcm (stereo)
//   mp3_tool compare A.raw B.raw [MAXSHIFT]      frame counts, differences and correlation
// compare prints one line and exits 1 when the counts differ.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/audio.h"
#ifdef VELMORA_WITH_LAME
#include <lame/lame.h>
#endif

namespace {

std::vector<int16_t> read_raw(const char* path) {
    std::vector<int16_t> samples;
    if (std::FILE* f = std::fopen(path, "rb")) {
        int16_t buffer[8192];
        size_t n = 0;
        while ((n = std::fread(buffer, 2, 8192, f)) > 0) samples.insert(samples.end(), buffer, buffer + n);
        std::fclose(f);
    }
    return samples;
}

int decode(int argc, char** argv) {
    if (argc < 4) return 2;
    std::vector<int16_t> samples;
    std::string error;
    const int64_t most = argc > 4 ? std::atoll(argv[4]) : platform::kWholeTrack;
    if (!platform::decode_mp3(argv[2], samples, error, most)) {
        std::printf("decode failed: %s\n", error.c_str());
        return 1;
    }
    std::FILE* f = std::fopen(argv[3], "wb");
    if (!f || std::fwrite(samples.data(), 2, samples.size(), f) != samples.size()) return 1;
    std::fclose(f);
    std::printf("%zu frames\n", samples.size() / 2);
    return 0;
}

#ifdef VELMORA_WITH_LAME
// Two tones and a sweep, different in each channel, so that a swapped or shifted channel
// shows; the tag frame is written back when asked, as gapless decoders need.
int encode(int argc, char** argv) {
    if (argc < 7) return 2;
    const int rate = std::atoi(argv[3]), channels = std::atoi(argv[4]), frames = std::atoi(argv[5]);
    const bool tag = std::atoi(argv[6]) != 0;
    lame_t lame = lame_init();
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, channels);
    lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, 128);
    lame_set_bWriteVbrTag(lame, tag ? 1 : 0);
    if (lame_init_params(lame) < 0) return 1;
    std::vector<short> pcm(static_cast<size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            pcm[static_cast<size_t>(i) * channels + c] =
                static_cast<short>(7000 * std::sin(i * 0.031 * (c + 1)) + 4000 * std::sin(i * (0.2 + i * 1e-6)));
    std::vector<unsigned char> mp3(static_cast<size_t>(frames) * 2 + 10000);
    std::FILE* f = std::fopen(argv[2], "wb+");
    if (!f) return 1;
    const int n = channels == 1 ? lame_encode_buffer(lame, pcm.data(), nullptr, frames, mp3.data(), (int)mp3.size())
                                : lame_encode_buffer_interleaved(lame, pcm.data(), frames, mp3.data(), (int)mp3.size());
    std::fwrite(mp3.data(), 1, static_cast<size_t>(n), f);
    const int tail = lame_encode_flush(lame, mp3.data(), (int)mp3.size());
    std::fwrite(mp3.data(), 1, static_cast<size_t>(tail), f);
    if (tag) lame_mp3_tags_fid(lame, f);
    std::fclose(f);
    lame_close(lame);
    // The source as a gapless decode should give it back: stereo, mono copied to both.
    std::FILE* source = std::fopen((std::string(argv[2]) + ".pcm").c_str(), "wb");
    if (!source) return 1;
    for (int i = 0; i < frames; ++i) {
        const short pair[2] = {pcm[static_cast<size_t>(i) * channels], pcm[static_cast<size_t>(i) * channels + channels - 1]};
        std::fwrite(pair, 2, 2, source);
    }
    std::fclose(source);
    return 0;
}
#endif

// Also tries the second decode shifted by up to maxShift frames either way, and reports
// the best shift: 0 when the two are aligned, as they must be.
int compare(int argc, char** argv) {
    if (argc < 4) return 2;
    const std::vector<int16_t> a = read_raw(argv[2]), b = read_raw(argv[3]);
    const int maxShift = argc > 4 ? std::atoi(argv[4]) : 0;
    const int64_t n = static_cast<int64_t>(std::min(a.size(), b.size()));
    int bestShift = 0;
    double bestCorrelation = -2;
    int64_t bestMax = 0;
    double bestRms = 0;
    for (int shift = -maxShift; shift <= maxShift; ++shift) {
        double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0, squares = 0;
        int64_t most = 0, count = 0;
        for (int64_t i = 0; i < n; ++i) {
            const int64_t j = i + 2 * shift;
            if (j < 0 || j >= n) continue;
            const double x = a[i], y = b[j];
            sa += x, sb += y, saa += x * x, sbb += y * y, sab += x * y;
            squares += (x - y) * (x - y);
            most = std::max<int64_t>(most, std::llabs(static_cast<long long>(a[i]) - b[j]));
            ++count;
        }
        if (!count) continue;
        const double cov = sab - sa * sb / count, va = saa - sa * sa / count, vb = sbb - sb * sb / count;
        const double correlation = va > 0 && vb > 0 ? cov / std::sqrt(va * vb) : (va == vb ? 1.0 : 0.0);
        if (correlation > bestCorrelation) {
            bestCorrelation = correlation;
            bestShift = shift;
            bestMax = most;
            bestRms = std::sqrt(squares / count);
        }
    }
    std::printf("frames %zu %zu, max difference %lld, rms %.3f, correlation %.9f, shift %d\n", a.size() / 2,
                b.size() / 2, static_cast<long long>(bestMax), bestRms, bestCorrelation, bestShift);
    return a.size() == b.size() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "decode") return decode(argc, argv);
#ifdef VELMORA_WITH_LAME
    if (command == "encode") return encode(argc, argv);
#endif
    if (command == "compare") return compare(argc, argv);
    std::fprintf(stderr, "usage: mp3_tool decode IN OUT [MAXFRAMES] | encode OUT RATE CHANNELS FRAMES TAG | compare A B [MAXSHIFT]\n");
    return 2;
}
