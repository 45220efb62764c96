// Compares the music decodes and players of the Linux and Windows builds (same_music.sh):
//   mp3_tool decode IN.mp3 OUT.raw [MAXFRAMES]   the show's decode: 16-bit stereo, 48 kHz
//   mp3_tool encode OUT.mp3 RATE CHANNELS FRAMES TAG   a LAME tone, and its source as
//                                                  OUT.mp3.pcm (Linux only)
//   mp3_tool compare A.raw B.raw [MAXSHIFT]      counts, differences, correlation, best shift
//   mp3_tool play IN.mp3                          the player on the default output device
// Each prints one line; the exit status is 1 when the decode, the counts or the player fail.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/tick_clock.h"
#ifdef VELMORA_WITH_LAME
#include "lame_encode.h"
#endif

namespace {

std::vector<int16_t> read_raw(const char* path) {
    std::vector<int16_t> samples;
    int16_t buffer[8192];
    size_t n = 0;
    if (std::FILE* f = std::fopen(path, "rb")) {
        while ((n = std::fread(buffer, 2, 8192, f)) > 0) samples.insert(samples.end(), buffer, buffer + n);
        std::fclose(f);
    }
    return samples;
}

bool write_raw(const std::string& path, const std::vector<int16_t>& samples) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    const bool ok = f && std::fwrite(samples.data(), 2, samples.size(), f) == samples.size();
    return f && std::fclose(f) == 0 && ok;
}

int decode(char** argv, const char* most) {
    std::vector<int16_t> samples;
    std::string error;
    const int64_t start = platform::tick_count();
    if (!platform::decode_mp3(argv[2], samples, error, most ? std::atoll(most) : platform::kWholeTrack)) {
        std::printf("decode failed: %s\n", error.c_str());
        return 1;
    }
    std::printf("%zu frames in %.0f ms\n", samples.size() / 2, (platform::tick_count() - start) / 1e4);
    return write_raw(argv[3], samples) ? 0 : 1;
}

#ifdef VELMORA_WITH_LAME
// Two tones and a chirp, different in each channel, so that a swap or a shift shows.
int encode(char** argv) {
    const int rate = std::atoi(argv[3]), channels = std::atoi(argv[4]), frames = std::atoi(argv[5]);
    std::vector<short> pcm(static_cast<size_t>(frames) * channels), source;
    for (size_t i = 0; i < pcm.size(); ++i) {
        const double t = static_cast<double>(i / channels), c = static_cast<double>(i % channels + 1);
        pcm[i] = static_cast<short>(7000 * std::sin(t * 0.031 * c) + 4000 * std::sin(t * (0.2 + t * 1e-6)));
        source.insert(source.end(), channels == 1 ? 2 : 1, pcm[i]);  // as the decode gives it: stereo
    }
    if (!encodeMp3(argv[2], pcm, rate, channels, std::atoi(argv[6]) != 0)) return 1;
    return write_raw(std::string(argv[2]) + ".pcm", source) ? 0 : 1;
}
#endif

// The second decode is also tried shifted up to maxShift frames either way; the best
// shift must be 0 for decodes in step.
int compare(char** argv, const char* maxShiftText) {
    const std::vector<int16_t> a = read_raw(argv[2]), b = read_raw(argv[3]);
    const int64_t n = static_cast<int64_t>(std::min(a.size(), b.size())), maxShift = maxShiftText ? std::atoi(maxShiftText) : 0;
    double best = -2, rms = 0;
    int64_t bestShift = 0, bestMax = 0;
    for (int64_t shift = -maxShift; shift <= maxShift; ++shift) {
        double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0, squares = 0, count = 0;
        int64_t most = 0;
        for (int64_t i = std::max<int64_t>(0, -2 * shift); i < n && i + 2 * shift < n; ++i, ++count) {
            const double x = a[i], y = b[i + 2 * shift];
            sa += x, sb += y, saa += x * x, sbb += y * y, sab += x * y, squares += (x - y) * (x - y);
            most = std::max<int64_t>(most, static_cast<int64_t>(std::fabs(x - y)));
        }
        const double va = saa - sa * sa / count, vb = sbb - sb * sb / count;
        const double correlation = va > 0 && vb > 0 ? (sab - sa * sb / count) / std::sqrt(va * vb) : va == vb;
        if (count > 0 && correlation > best) best = correlation, bestShift = shift, bestMax = most, rms = std::sqrt(squares / count);
    }
    std::printf("frames %zu %zu, max difference %lld, rms %.3f, correlation %.9f, shift %lld\n", a.size() / 2,
                b.size() / 2, static_cast<long long>(bestMax), rms, best, static_cast<long long>(bestShift));
    return a.size() == b.size() ? 0 : 1;
}

// On a device that plays at its own pace (under Wine, ALSA's null output runs faster than
// real time): the position advances, lands where a seek puts it, ignores seeks past the
// end, stands while paused and goes on after.
int play(char** argv) {
    if (!platform::audio_init(true)) return 1;
    const uint32_t music = platform::music_load(argv[2]);
    const int64_t second = platform::kMusicBytesPerSecond, length = static_cast<int64_t>(platform::music_length(music));
    const auto at = [music](int wait) { return platform::sleep_ms(wait), platform::music_get_position(music); };
    platform::music_play(music);
    const int64_t p1 = at(300), p2 = at(200);
    const bool seek = platform::music_set_position(music, 5 * second);
    const int64_t p3 = at(0);
    const bool refused = !platform::music_set_position(music, length) && !platform::music_set_position(music, -100 * second);
    const int64_t p4 = at(0);
    platform::music_set_position(music, 5 * second);
    platform::music_pause(music, true);
    const int64_t s1 = at(300), s2 = at(300);  // the buffers in flight play out first
    platform::music_pause(music, false);
    const int64_t p5 = at(300);
    platform::audio_shutdown();
    const char* failed = length < 8 * second                 ? "a track of 8 s or more loads"
                         : !(p1 > 0 && p2 > p1 && p2 < length) ? "the position advances while playing"
                         : !seek || p3 < 5 * second || p3 >= 5 * second + second / 4 ? "a seek lands where it asks"
                         : !refused || p4 < p3                 ? "seeks past either end are refused and play goes on"
                         : s2 != s1                            ? "the position stands while paused"
                         : p5 <= s1                            ? "play goes on after a pause"
                         : platform::music_get_position(music) != -1 ? "nothing is left after the shutdown"
                                                                     : nullptr;
    std::printf("play: %s%s (positions %lld %lld, seek %lld, paused %lld, resumed %lld)\n", failed ? "FAILED: " : "ok",
                failed ? failed : "", (long long)p1, (long long)p2, (long long)p3, (long long)s1, (long long)p5);
    return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 2 ? argv[1] : "";
    const char* last = argc > 4 ? argv[4] : nullptr;
    if (command == "decode" && argc > 3) return decode(argv, last);
#ifdef VELMORA_WITH_LAME
    if (command == "encode" && argc > 6) return encode(argv);
#endif
    if (command == "compare" && argc > 3) return compare(argv, last);
    if (command == "play") return play(argv);
    std::fprintf(stderr, "usage: mp3_tool decode IN OUT [MAXFRAMES] | encode OUT RATE CHANNELS FRAMES TAG | compare A B "
                         "[MAXSHIFT] | play IN\n");
    return 2;
}
