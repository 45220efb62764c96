// Helper for comparing the music decodes of the Linux and Windows builds:
//   mp3_tool decode IN.mp3 OUT.raw [MAXFRAMES]   the show's decode (16-bit stereo, 48 kHz)
//   mp3_tool encode OUT.mp3 RATE CHANNELS FRAMES TAG   a test tone by LAME (Linux only),
//                                                  and its source as OUT.mp3.pcm (stereo)
//   mp3_tool compare A.raw B.raw [MAXSHIFT]      frame counts, differences and correlation
//   mp3_tool play IN.mp3                          the player on the default output device
// compare prints one line and exits 1 when the counts differ; play prints what went wrong
// and exits 1, or prints "play: ok" and the positions it read.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/tick_clock.h"
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
    const int64_t start = platform::tick_count();
    const bool decoded = platform::decode_mp3(argv[2], samples, error, most);
    const double ms = static_cast<double>(platform::tick_count() - start) / 10000.0;
    if (!decoded) {
        std::printf("decode failed: %s\n", error.c_str());
        return 1;
    }
    std::FILE* f = std::fopen(argv[3], "wb");
    if (!f || std::fwrite(samples.data(), 2, samples.size(), f) != samples.size()) return 1;
    std::fclose(f);
    std::printf("%zu frames in %.0f ms\n", samples.size() / 2, ms);
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

// The player's promises on a device that plays at its own pace (a null device, under Wine
// at several times real time): it advances while playing, lands where a seek puts it,
// refuses seeks past the end without stopping, stands while paused and goes on after.
int play(int argc, char** argv) {
    if (argc < 3) return 2;
    if (!platform::audio_init(true)) return 1;
    const uint32_t music = platform::music_load(argv[2]);
    const int64_t length = static_cast<int64_t>(platform::music_length(music));
    std::string failed;
    const auto check = [&failed](bool ok, const char* what) {
        if (!ok && failed.empty()) failed = what;
    };
    check(music != 0 && length >= 8 * platform::kMusicBytesPerSecond, "a track of 8 s or more loads");
    platform::music_play(music);
    platform::sleep_ms(300);
    const int64_t p1 = platform::music_get_position(music);
    platform::sleep_ms(200);
    const int64_t p2 = platform::music_get_position(music);
    check(p1 > 0 && p2 > p1 && p2 < length, "the position advances while playing");
    const int64_t target = 5 * platform::kMusicBytesPerSecond;
    check(platform::music_set_position(music, static_cast<uint64_t>(target)), "a seek inside the track is taken");
    const int64_t p3 = platform::music_get_position(music);
    check(p3 >= target && p3 < target + platform::kMusicBytesPerSecond / 4, "the position lands where the seek put it");
    check(!platform::music_set_position(music, static_cast<uint64_t>(length)), "a seek to the end is refused");
    check(!platform::music_set_position(music, static_cast<uint64_t>(int64_t(-100) * platform::kMusicBytesPerSecond)),
          "a seek to a negative time is refused");
    check(platform::music_get_position(music) >= p3, "playback goes on after a refused seek");
    platform::music_set_position(music, static_cast<uint64_t>(target));
    platform::music_pause(music, true);
    platform::sleep_ms(300);  // the buffers in flight play out
    const int64_t s1 = platform::music_get_position(music);
    platform::sleep_ms(300);
    check(platform::music_get_position(music) == s1, "the position stands while paused");
    platform::music_pause(music, false);
    platform::sleep_ms(300);
    const int64_t p4 = platform::music_get_position(music);
    check(p4 > s1, "playback goes on after the pause");
    platform::audio_shutdown();
    check(platform::music_get_position(music) == -1, "nothing is left after the shutdown");
    std::printf("play: %s (positions %lld %lld, seek %lld, paused %lld, resumed %lld)\n",
                failed.empty() ? "ok" : ("FAILED: " + failed).c_str(), (long long)p1, (long long)p2, (long long)p3,
                (long long)s1, (long long)p4);
    return failed.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "decode") return decode(argc, argv);
#ifdef VELMORA_WITH_LAME
    if (command == "encode") return encode(argc, argv);
#endif
    if (command == "compare") return compare(argc, argv);
    if (command == "play") return play(argc, argv);
    std::fprintf(stderr, "usage: mp3_tool decode IN OUT [MAXFRAMES] | encode OUT RATE CHANNELS FRAMES TAG | compare A B [MAXSHIFT] | play IN\n");
    return 2;
}
