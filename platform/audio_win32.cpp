// Music playback on Windows: the system's MP3 codec (ACM) decodes, waveOut plays from
// memory. The codec knows nothing of gapless playback or 48 kHz, so it is fed the bare
// audio frames and its output is trimmed and rate-stepped here exactly as libmpg123 does
// on Linux (platform/mp3_frames.h): both halves give the same track, sample for sample.
// A thread of ours refills waveOut's buffers as they complete and tells the heard clock
// when each completed.
#include <windows.h>
// mmreg.h and msacm.h need windows.h (and mmsystem.h) first.
#include <mmreg.h>
#include <mmsystem.h>
#include <msacm.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/audio.h"
#include "platform/file_read.h"
#include "platform/heard_clock.h"
#include "platform/mp3_frames.h"
#include "platform/music_track.h"
#include "platform/tick_clock.h"

namespace platform {

namespace {

// Four times the length the show plays, at 320 kbit/s: no music file is near this.
constexpr uint64_t kMostMp3Bytes = 512ull << 20;

std::string acm_error(MMRESULT r) {
    switch (r) {
    case ACMERR_NOTPOSSIBLE: return "this Windows has no MP3 decoder (ACM)";
    case MMSYSERR_NOMEM: return "out of memory";
    default: return "the MP3 decoder failed (ACM error " + std::to_string(r) + ")";
    }
}

// One ACM conversion stream from the file's MP3 frames to 16-bit PCM at its own rate.
struct AcmStream {
    HACMSTREAM handle = nullptr;
    ~AcmStream() {
        if (handle) acmStreamClose(handle, 0);
    }
};

MMRESULT open_decoder(const Mp3Frames& f, AcmStream& stream) {
    MPEGLAYER3WAVEFORMAT mp3{};
    mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3.wfx.nChannels = static_cast<WORD>(f.channels);
    mp3.wfx.nSamplesPerSec = static_cast<DWORD>(f.rate);
    mp3.wfx.nAvgBytesPerSec = static_cast<DWORD>(f.bitrate / 8);
    mp3.wfx.nBlockAlign = 1;
    mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    mp3.wID = MPEGLAYER3_ID_MPEG;
    mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_ISO;
    mp3.nBlockSize = static_cast<WORD>(f.samplesPerFrame / 8 * f.bitrate / f.rate);
    mp3.nFramesPerBlock = 1;
    mp3.nCodecDelay = 0;
    WAVEFORMATEX pcm{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = static_cast<WORD>(f.channels);
    pcm.nSamplesPerSec = static_cast<DWORD>(f.rate);
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = static_cast<WORD>(2 * f.channels);
    pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;
    return acmStreamOpen(&stream.handle, nullptr, &mp3.wfx, &pcm, nullptr, 0, 0, 0);
}

// Feeds the frames through the codec in chunks, converting what comes out as it comes,
// and stops once maxFrames output frames are there.
bool acm_decode(const Mp3Frames& f, std::vector<int16_t>& samples, std::string& error, int64_t maxFrames) {
    AcmStream stream;
    MMRESULT r = open_decoder(f, stream);
    if (r != 0) {
        error = acm_error(r);
        return false;
    }
    constexpr DWORD kChunk = 64 * 1024;
    DWORD pcmBytes = 0;
    r = acmStreamSize(stream.handle, kChunk, &pcmBytes, ACM_STREAMSIZEF_SOURCE);
    if (r != 0) {
        error = acm_error(r);
        return false;
    }
    // Room for a chunk's worth at the lowest bit rate, whatever the codec estimates.
    pcmBytes = std::max<DWORD>(pcmBytes, kChunk * 64);
    std::vector<uint8_t> in(kChunk);
    std::vector<int16_t> pcm(pcmBytes / 2);
    ACMSTREAMHEADER header{};
    header.cbStruct = sizeof header;
    header.pbSrc = in.data();
    header.cbSrcLength = kChunk;
    header.pbDst = reinterpret_cast<BYTE*>(pcm.data());
    header.cbDstLength = pcmBytes;
    r = acmStreamPrepareHeader(stream.handle, &header, 0);
    if (r != 0) {
        error = acm_error(r);
        return false;
    }
    const Mp3Span span = mp3_gapless_span(f);
    const int64_t wanted = std::min<int64_t>(maxFrames < 0 ? INT64_MAX : maxFrames,
                                             mp3_output_frames(f.rate, span.end) - mp3_output_frames(f.rate, span.begin));
    samples.reserve(static_cast<size_t>(std::min<int64_t>(wanted, int64_t(1) << 31)) * 2);
    int64_t decoded = 0;  // source frames out of the codec so far
    size_t fed = 0, held = 0;
    DWORD flags = ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_BLOCKALIGN;
    for (;;) {
        // What the codec left unread stays at the front of the input.
        const size_t take = std::min(f.audio.size() - fed, in.size() - held);
        std::memcpy(in.data() + held, f.audio.data() + fed, take);
        fed += take;
        held += take;
        const bool last = fed == f.audio.size();
        if (last) flags = (flags & ~DWORD(ACM_STREAMCONVERTF_BLOCKALIGN)) | ACM_STREAMCONVERTF_END;
        header.cbSrcLength = static_cast<DWORD>(held);
        header.cbSrcLengthUsed = header.cbDstLengthUsed = 0;
        r = acmStreamConvert(stream.handle, &header, flags);
        if (r != 0) break;
        flags &= ~DWORD(ACM_STREAMCONVERTF_START);
        const int64_t got = header.cbDstLengthUsed / (2 * f.channels);
        mp3_to_48k_stereo(pcm.data(), got, decoded, f.channels, f.rate, span, samples, wanted);
        decoded += got;
        const size_t used = std::min<size_t>(header.cbSrcLengthUsed, held);
        std::memmove(in.data(), in.data() + used, held - used);
        held -= used;
        if (static_cast<int64_t>(samples.size() / 2) >= wanted) break;
        // Done when the codec neither reads nor writes and can be given nothing more: all is
        // fed, or what it holds back fills the input (bytes it will never take).
        if (used == 0 && got == 0 && (last || held == in.size())) break;
    }
    header.cbSrcLength = kChunk;
    header.cbDstLength = pcmBytes;
    acmStreamUnprepareHeader(stream.handle, &header, 0);
    if (r != 0) {
        error = acm_error(r);
        return false;
    }
    return true;
}

}  // namespace

bool decode_mp3(const std::string& path, std::vector<int16_t>& samples, std::string& error, int64_t maxFrames) {
    samples.clear();
    std::vector<unsigned char> bytes;
    std::string why;
    if (read_regular_file(path, bytes, kMostMp3Bytes, why) != FileRead::Read) {
        error = why;
        return false;
    }
    Mp3Frames frames;
    // Only the frames the show can reach are decoded: what precedes the music, the music
    // up to maxFrames at the file's rate, and a frame or two for the codec's delay.
    int64_t mostFrames = INT64_MAX;
    if (maxFrames >= 0) {
        // No file rate is above 48 kHz: an output frame never needs more than one source
        // frame. The delays take a few MP3 frames more.
        mostFrames = (maxFrames + 8192) / 576 + 4;
    }
    if (!mp3_find_frames(bytes.data(), bytes.size(), frames, error, mostFrames)) return false;
    bytes = {};
    if (!acm_decode(frames, samples, error, maxFrames)) return false;
    if (samples.empty()) {
        error = "the file is not MP3 audio: its frames decode to nothing";
        return false;
    }
    return true;
}

namespace {

constexpr int kBuffers = 3;           // waveOut buffers in flight
constexpr int kBufferFrames = 2048;   // 43 ms each, as the Linux half's SDL buffer
constexpr int64_t kBusy = -1;
constexpr int64_t kNeverPlayed = 0;

struct Audio {
    HWAVEOUT device = nullptr;
    HANDLE done = nullptr;  // set whenever a buffer completes
    std::thread feeder;
    std::atomic<bool> quit{false};
    WAVEHDR headers[kBuffers] = {};
    std::vector<int16_t> buffers[kBuffers];
    // Per buffer: the tick at which waveOut finished it, written by its callback; kBusy
    // while waveOut holds it. (Its WHDR_DONE flag can show before the callback has run.)
    std::atomic<int64_t> finished[kBuffers];
    std::mutex trackMutex;         // guards the track pointer against the feeder
    std::unique_ptr<MusicTrack> track;  // the one music track (handle 1)
    HeardClock timing;
};

Audio g_audio;

// Fills one buffer from the track (silence when there is none, or it is paused or over);
// `now` is the tick from which it waits behind the buffers queued before it.
void fill(int16_t* out, int64_t now) {
    std::memset(out, 0, kBufferFrames * 4);
    std::lock_guard<std::mutex> guard(g_audio.trackMutex);
    if (g_audio.track) track_take(*g_audio.track, out, kBufferFrames, now);
}

// waveOut's callback, on its own thread: it only notes when a buffer finished and wakes
// the feeder (calling waveOut from here may deadlock).
void CALLBACK on_done(HWAVEOUT, UINT message, DWORD_PTR, DWORD_PTR header, DWORD_PTR) {
    if (message != WOM_DONE) return;
    g_audio.finished[reinterpret_cast<WAVEHDR*>(header)->dwUser].store(tick_count());
    SetEvent(g_audio.done);
}

// The feeder: every buffer that waveOut has finished is refilled and queued again behind
// the others. The clock counts from the completion, not from when the feeder woke: the
// buffer plays once those ahead of it have, or at once if they all ran out meanwhile.
void feed() {
    const int64_t queue = frames_to_ticks(g_audio.timing, (kBuffers - 1) * kBufferFrames);
    while (!g_audio.quit.load()) {
        for (int i = 0; i < kBuffers; ++i) {
            WAVEHDR& h = g_audio.headers[i];
            const int64_t finished = g_audio.finished[i].exchange(kBusy);
            if (finished == kBusy) continue;
            const int64_t now = tick_count();
            fill(g_audio.buffers[i].data(), finished != kNeverPlayed ? std::max(finished, now - queue) : now);
            h.dwFlags &= ~DWORD(WHDR_DONE);
            waveOutWrite(g_audio.device, &h, sizeof h);
        }
        WaitForSingleObject(g_audio.done, 100);
    }
}

}  // namespace

MusicTrack* track_for(uint32_t handle) { return handle == 1 ? g_audio.track.get() : nullptr; }

bool audio_init(bool enabled) {
    if (g_audio.device) return true;
    if (!enabled) {
        printf("Audio: disabled (--no-audio); the show runs silently on its own clock.\n");
        return false;
    }
    if (waveOutGetNumDevs() == 0) {
        printf("Audio: no sound device (no waveOut device); the show runs silently on its own clock.\n");
        return false;
    }
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = kMusicRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = kMusicRate * 4;
    g_audio.done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const MMRESULT r = waveOutOpen(&g_audio.device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(on_done), 0,
                                   CALLBACK_FUNCTION);
    if (r != MMSYSERR_NOERROR) {
        char text[MAXERRORLENGTH] = {};
        waveOutGetErrorTextA(r, text, sizeof text);
        printf("Audio: no sound device (%s); the show runs silently on its own clock.\n", text);
        g_audio.device = nullptr;
        CloseHandle(g_audio.done);
        g_audio.done = nullptr;
        return false;
    }
    g_audio.timing = HeardClock{};
    g_audio.timing.rate = kMusicRate;
    g_audio.timing.bufferFrames = kBufferFrames;
    // A buffer written at a completion plays after the others still queued.
    g_audio.timing.queuedBuffers = kBuffers;
    for (int i = 0; i < kBuffers; ++i) {
        g_audio.buffers[i].assign(kBufferFrames * 2, 0);
        WAVEHDR& h = g_audio.headers[i];
        h = WAVEHDR{};
        h.lpData = reinterpret_cast<LPSTR>(g_audio.buffers[i].data());
        h.dwBufferLength = kBufferFrames * 4;
        h.dwUser = static_cast<DWORD_PTR>(i);  // which buffer, for the callback
        waveOutPrepareHeader(g_audio.device, &h, sizeof h);
        g_audio.finished[i].store(kNeverPlayed);  // free, for the feeder's first round
    }
    g_audio.quit = false;
    g_audio.feeder = std::thread(feed);
    // Every way out of the process ends in exit(): the feeder and the device must be gone
    // before the track is freed.
    static bool closeAtExit = false;
    if (!closeAtExit) std::atexit(audio_shutdown);
    closeAtExit = true;
    return true;
}

uint32_t music_load(const std::string& path, int64_t maxFrames) {
    if (!g_audio.device) return 0;
    std::unique_ptr<MusicTrack> track = decode_track(path, maxFrames, g_audio.timing);
    if (!track) return 0;
    std::lock_guard<std::mutex> guard(g_audio.trackMutex);
    g_audio.track = std::move(track);
    return 1;
}

void music_play(uint32_t handle) {
    if (MusicTrack* track = track_for(handle)) track_start(*track);
}

void audio_shutdown() {
    if (!g_audio.device) return;
    g_audio.quit = true;
    SetEvent(g_audio.done);
    if (g_audio.feeder.joinable()) g_audio.feeder.join();
    waveOutReset(g_audio.device);
    for (WAVEHDR& h : g_audio.headers) waveOutUnprepareHeader(g_audio.device, &h, sizeof h);
    waveOutClose(g_audio.device);
    g_audio.device = nullptr;
    CloseHandle(g_audio.done);
    g_audio.done = nullptr;
    std::lock_guard<std::mutex> guard(g_audio.trackMutex);
    g_audio.track.reset();
}

}  // namespace platform
