// Music playback: libmpg123 decodes, SDL plays from memory. The audio callback advances
// the frame counter and tells the heard clock what it handed over; positions are what the
// listener hears, not what has been handed to SDL.
#include "platform/audio.h"

#include <SDL.h>
#include <mpg123.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/file_read.h"
#include "platform/heard_clock.h"
#include "platform/music_track.h"
#include "platform/tick_clock.h"

namespace platform {

namespace {

struct Audio {
    SDL_AudioDeviceID device = 0;
    std::unique_ptr<MusicTrack> track;  // the one music track (handle 1)
    HeardClock timing;             // rate and queue depth of the open device
};

Audio g_audio;

// Runs on SDL's audio thread; the track is only replaced while the device is locked.
void SDLCALL fill(void*, Uint8* stream, int length) {
    std::memset(stream, 0, static_cast<size_t>(length));
    if (g_audio.track)
        track_take(*g_audio.track, reinterpret_cast<int16_t*>(stream), static_cast<uint64_t>(length) / 4, tick_count());
}

}  // namespace

namespace {

// mpg123 reads through these from a file that open_regular_file has checked: a pipe or a
// device is never handed to it (it would wait, or decode /dev/zero for ever).
mpg123_ssize_t readFile(void* file, void* buffer, size_t bytes) {
    const size_t got = std::fread(buffer, 1, bytes, static_cast<std::FILE*>(file));
    return got == 0 && std::ferror(static_cast<std::FILE*>(file)) ? -1 : static_cast<mpg123_ssize_t>(got);
}

off_t seekFile(void* file, off_t offset, int whence) {
    std::FILE* f = static_cast<std::FILE*>(file);
    if (std::fseek(f, static_cast<long>(offset), whence) != 0) return -1;
    return static_cast<off_t>(std::ftell(f));
}

// Room for what a file of this size can hold at 32 kbit/s or more, so that the vector does
// not grow by doubling (the pages past what is decoded are never touched, so they cost
// address space only); a lower bit rate only means it grows. Never from the header's
// frame count, which may claim anything (4 billion frames would be 20 TB).
size_t expectedFrames(uint64_t fileBytes, int64_t maxFrames) {
    const uint64_t frames = fileBytes / 4000 * kMusicRate + kMusicRate;
    return static_cast<size_t>(maxFrames >= 0 ? std::min<uint64_t>(frames, static_cast<uint64_t>(maxFrames)) : frames);
}

// Whether the encoder's Info (or Xing) frame claims more frames than the file can hold.
// With a converted rate, mpg123 works out the gapless end by walking every claimed frame
// when the track starts: four billion took over a minute, before a byte was decoded. The
// claim is read at the file's own rate, where that costs nothing; the file is rewound.
bool infoFrameLies(mpg123_handle* mh, std::FILE* file, uint64_t fileBytes) {
    if (mpg123_open_handle(mh, file) != MPG123_OK) return false;
    long rate = 0;
    int channels = 0, encoding = 0;
    off_t claimed = 0;
    if (mpg123_getformat(mh, &rate, &channels, &encoding) == MPG123_OK) claimed = mpg123_framelength(mh);
    mpg123_close(mh);
    std::rewind(file);
    // No MPEG audio frame is shorter than 24 bytes.
    return claimed > 0 && static_cast<uint64_t>(claimed) > fileBytes / 24 + 1;
}

}  // namespace

bool decode_mp3(const std::string& path, std::vector<int16_t>& samples, std::string& error, int64_t maxFrames) {
    samples.clear();
    uint64_t fileBytes = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(open_regular_file(path, error, nullptr, &fileBytes),
                                                         &std::fclose);
    if (!file) return false;
    int err = MPG123_OK;
    mpg123_handle* mh = mpg123_new(nullptr, &err);
    if (!mh) {
        error = mpg123_plain_strerror(err);
        return false;
    }
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    mpg123_replace_reader_handle(mh, readFile, seekFile, nullptr);
    if (infoFrameLies(mh, file.get(), fileBytes)) {
        // Read as plain MPEG data: the track then keeps the encoder's padding (a few
        // milliseconds), but every frame that is really there plays.
        mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_IGNORE_INFOFRAME, 0.0);
    }
    // Only 16-bit stereo at 48 kHz: mpg123 converts other rates and mono itself.
    mpg123_format_none(mh);
    mpg123_format(mh, kMusicRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    bool ok = mpg123_open_handle(mh, file.get()) == MPG123_OK;
    if (!ok) error = mpg123_strerror(mh);
    if (ok) {
        // Not mpg123_length(), nor a reserve from it: the header's count may be anything.
        samples.reserve(expectedFrames(fileBytes, maxFrames) * 2);
        const size_t most = maxFrames >= 0 ? static_cast<size_t>(maxFrames) * 2 : SIZE_MAX;
        unsigned char buffer[16384];
        for (;;) {
            size_t done = 0;
            const int r = mpg123_read(mh, buffer, sizeof buffer, &done);
            const size_t old = samples.size();
            const size_t add = std::min(done / 2, most - old);
            samples.resize(old + add);
            std::memcpy(samples.data() + old, buffer, add * 2);
            if (r == MPG123_DONE || samples.size() == most) break;
            if (r == MPG123_NEW_FORMAT || r == MPG123_OK) continue;
            error = mpg123_strerror(mh);
            // Junk from the first byte on is not a damaged MP3 but something else entirely.
            if (samples.empty()) error = "the file is not MP3 audio (" + error + ")";
            ok = false;
            break;
        }
        mpg123_close(mh);
    }
    mpg123_delete(mh);
    samples.resize(samples.size() & ~size_t(1));
    if (ok && samples.empty()) {
        // mpg123 skips what it cannot parse and reports a clean end: nothing decoded means
        // there was no MPEG audio in the file at all.
        error = "the file is not MP3 audio: no MPEG audio frames in it";
        ok = false;
    }
    return ok;
}

bool audio_init(bool enabled) {
    if (g_audio.device) return true;
    if (!enabled) {
        printf("Audio: disabled (--no-audio); the show runs silently on its own clock.\n");
        return false;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        printf("Audio: no sound device (%s); the show runs silently on its own clock.\n", SDL_GetError());
        return false;
    }
    SDL_AudioSpec want{}, have{};
    want.freq = kMusicRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 2048;
    want.callback = fill;
    want.userdata = nullptr;
    g_audio.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!g_audio.device) {
        printf("Audio: no sound device (%s); the show runs silently on its own clock.\n", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    g_audio.timing = HeardClock{};
    g_audio.timing.rate = have.freq;
    g_audio.timing.bufferFrames = have.samples;
    // SDL's dummy and disk drivers play a buffer by sleeping its length after the callback:
    // only that buffer is in flight. Real devices are double-buffered by SDL (two periods),
    // so a buffer is heard once the one before it has played.
    const char* driver = SDL_GetCurrentAudioDriver();
    const bool sleeps = driver && (!std::strcmp(driver, "dummy") || !std::strcmp(driver, "disk"));
    g_audio.timing.queuedBuffers = sleeps ? 1 : 2;
    // Every way out of the process (Escape, window close, the end of the show, a signal)
    // ends in exit(): the device and its thread must be gone before the track is freed.
    static bool closeAtExit = false;
    if (!closeAtExit) std::atexit(audio_shutdown);
    closeAtExit = true;
    return true;
}

uint32_t music_load(const std::string& path, int64_t maxFrames) {
    if (!g_audio.device) return 0;
    std::unique_ptr<MusicTrack> track = decode_track(path, maxFrames, g_audio.timing);
    if (!track) return 0;
    SDL_LockAudioDevice(g_audio.device);
    g_audio.track = std::move(track);
    SDL_UnlockAudioDevice(g_audio.device);
    return 1;
}

void music_play(uint32_t handle) {
    MusicTrack* track = track_for(handle);
    if (!track) return;
    track_start(*track);
    SDL_PauseAudioDevice(g_audio.device, 0);
}

MusicTrack* track_for(uint32_t handle) { return handle == 1 ? g_audio.track.get() : nullptr; }

void audio_shutdown() {
    if (!g_audio.device) return;
    SDL_CloseAudioDevice(g_audio.device);
    g_audio.device = 0;
    g_audio.track.reset();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace platform
