// Capture encoding: colour conversion (swscale), H.264 and AAC (libavcodec), muxing
// (libavformat) on the encoder thread; the main thread only fills frame buffers.
#include "capture/capture_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "capture/output_line.h"
#include "platform/audio.h"
#include "platform/file_replace.h"
#include "platform/printable.h"

namespace {

using platform::kMusicRate;  // the decoded music: 16-bit stereo at 48 kHz
// Frames in the ring: one being filled, one being encoded, one waiting keeps both busy.
constexpr int kRingFrames = 3;

// FFmpeg's error in words; a system's error as the file writer says it ("the disk is full").
std::string avError(int code) {
    if (code < 0 && AVUNERROR(code) < 4096) return platform::write_error_text(AVUNERROR(code));
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

int discardBytes(void*, uint8_t*, int size) { return size; }

// Asked of the muxer itself: a header with an H.264 and an AAC stream written to nowhere.
bool muxerTakesH264AndAac(const AVOutputFormat* container) {
    AVFormatContext* mux = nullptr;
    if (avformat_alloc_output_context2(&mux, container, nullptr, nullptr) < 0 || !mux) return false;
    AVStream* video = avformat_new_stream(mux, nullptr);
    AVStream* audio = avformat_new_stream(mux, nullptr);
    const int bufferSize = 4096;
    uint8_t* buffer = static_cast<uint8_t*>(av_malloc(bufferSize));
    mux->pb = buffer ? avio_alloc_context(buffer, bufferSize, 1, nullptr, nullptr, discardBytes, nullptr) : nullptr;
    int r = -1;
    if (video && audio && mux->pb) {
        video->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        video->codecpar->codec_id = AV_CODEC_ID_H264;
        video->codecpar->width = 64;
        video->codecpar->height = 64;
        video->time_base = AVRational{1, 25};
        audio->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
        audio->codecpar->codec_id = AV_CODEC_ID_AAC;
        audio->codecpar->sample_rate = kMusicRate;
        audio->codecpar->frame_size = 1024;
        av_channel_layout_default(&audio->codecpar->ch_layout, 2);
        audio->time_base = AVRational{1, kMusicRate};
        const int level = av_log_get_level();
        av_log_set_level(AV_LOG_QUIET);  // its refusal is said below, in the show's words
        r = avformat_write_header(mux, nullptr);
        av_log_set_level(level);
    }
    if (mux->pb) {
        av_freep(&mux->pb->buffer);
        avio_context_free(&mux->pb);
    } else {
        av_free(buffer);
    }
    avformat_free_context(mux);
    return r >= 0;
}

// Most containers answer from their tables; some (MPEG-TS among them) have none and answer
// "unknown", which is not "no": their muxer then decides.
bool holdsH264AndAac(const AVOutputFormat* container) {
    const int video = avformat_query_codec(container, AV_CODEC_ID_H264, FF_COMPLIANCE_NORMAL);
    const int audio = avformat_query_codec(container, AV_CODEC_ID_AAC, FF_COMPLIANCE_NORMAL);
    if (video == 0 || audio == 0) return false;
    return (video == 1 && audio == 1) || muxerTakesH264AndAac(container);
}

}  // namespace

bool checkCaptureFile(const std::string& path, const platform::WriteOptions& options, std::string& error) {
    const AVOutputFormat* container = av_guess_format(nullptr, path.c_str(), nullptr);
    if (!container) {
        error = "cannot tell a video container from the name \"" + platform::printable(path) + "\" (use a .mp4 file)";
        return false;
    }
    if (!holdsH264AndAac(container)) {
        error = std::string("a ") + container->name + " file cannot hold H.264 video with AAC sound: \"" + platform::printable(path) +
                "\" (use a .mp4 file)";
        return false;
    }
    if (!avcodec_find_encoder_by_name("libx264") || !avcodec_find_encoder(AV_CODEC_ID_AAC)) {
        error = "this FFmpeg has no libx264 or AAC encoder";
        return false;
    }
    // The writer's own checks, and a temporary file made and removed: the capture fails
    // here rather than after the show has loaded.
    platform::FileWriter probe;
    if (probe.open(path, options, error) != platform::FileWrite::Written) {
        error = shownLine(error);
        return false;
    }
    return true;
}

struct CaptureEncoder::State {
    CaptureFormat format;
    std::string path, file;           // the name the video is for, and the file it is written in
    platform::FileIdentity identity;  // the caller's file under `file`
    AVFormatContext* mux = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    SwsContext* scale = nullptr;
    SwrContext* resample = nullptr;
    AVFrame* picture = nullptr;  // yuv420p, reused for every frame
    AVFrame* sound = nullptr;    // one AAC frame of planar float samples
    AVPacket* packet = nullptr;
    CaptureSound track;          // the sound track, made as it is encoded
    std::vector<int16_t> piece;  // one AAC frame of the sound, stereo interleaved
    int64_t musicDone = 0;       // sample frames handed to the AAC encoder
    int64_t framesEncoded = 0;
    bool headerWritten = false;

    // The ring: buffers go free -> filling (main thread) -> ready -> encoding -> free.
    std::vector<std::vector<uint8_t>> buffers;
    std::deque<int> freeBuffers, readyBuffers;
    int filling = -1;
    long submitted = 0;
    bool closing = false;
    std::string failure;  // set by the encoder thread; the ring then stops taking frames
    std::mutex lock;
    std::condition_variable changed;
    std::thread worker;

    ~State() {
        if (worker.joinable()) {
            {
                std::lock_guard<std::mutex> guard(lock);
                closing = true;
            }
            changed.notify_all();
            worker.join();
        }
        av_log_set_level(AV_LOG_ERROR);  // frames an encoder still held after a failure are no news
        sws_freeContext(scale);
        swr_free(&resample);
        av_frame_free(&picture);
        av_frame_free(&sound);
        av_packet_free(&packet);
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        if (mux) {
            if (mux->pb) avio_closep(&mux->pb);
            avformat_free_context(mux);
        }
    }

    // A stream of the file for what the encoder makes, with its parameters.
    AVStream* addStream(const AVCodecContext* encoder) {
        AVStream* stream = avformat_new_stream(mux, nullptr);
        if (!stream) return nullptr;
        stream->time_base = encoder->time_base;
        avcodec_parameters_from_context(stream->codecpar, encoder);
        return stream;
    }

    bool fail(const std::string& what, int code, std::string& error) {
        error = what + (code < 0 ? ": " + avError(code) : std::string());
        return false;
    }
    std::string cannotWrite() const { return "cannot write \"" + platform::printable(path) + "\""; }

    // Writes every packet the encoder has ready (all of them when flushing).
    bool drain(AVCodecContext* codec, AVStream* stream, std::string& error) {
        for (;;) {
            const int r = avcodec_receive_packet(codec, packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
            if (r < 0) return fail("encoding failed", r, error);
            // libx264 leaves the duration out; without it the container's edit list ends at
            // the last frame's start and players drop that frame.
            if (codec == video) packet->duration = 1;
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            const int w = av_interleaved_write_frame(mux, packet);
            if (w < 0) return fail(cannotWrite(), w, error);
        }
    }

    bool encodePicture(const uint8_t* bgra, std::string& error) {
        const int r = av_frame_make_writable(picture);
        if (r < 0) return fail("out of memory", r, error);
        // GL's rows start at the bottom: read them from the last one up.
        const int stride = format.width * 4;
        const uint8_t* rows[1] = {bgra + static_cast<size_t>(format.height - 1) * stride};
        const int strides[1] = {-stride};
        sws_scale(scale, rows, strides, 0, format.height, picture->data, picture->linesize);
        picture->pts = framesEncoded++;
        const int s = avcodec_send_frame(video, picture);
        if (s < 0) return fail("H.264 encoding failed", s, error);
        return drain(video, videoStream, error);
    }

    // Encodes the sound up to sample frame `until`, made as it goes; a short last frame
    // only when flushing.
    bool encodeMusic(int64_t until, bool last, std::string& error) {
        if (!audio) return true;
        while (musicDone < until) {
            const int n = static_cast<int>(std::min<int64_t>(audio->frame_size, until - musicDone));
            if (n < audio->frame_size && !last) break;
            int r = av_frame_make_writable(sound);
            if (r < 0) return fail("out of memory", r, error);
            sound->nb_samples = n;
            piece.resize(static_cast<size_t>(n) * 2);
            track(piece.data(), n);
            const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(piece.data())};
            r = swr_convert(resample, sound->data, n, in, n);
            if (r < 0) return fail("cannot convert the music", r, error);
            sound->pts = musicDone;
            musicDone += n;
            r = avcodec_send_frame(audio, sound);
            if (r < 0) return fail("AAC encoding failed", r, error);
            if (!drain(audio, audioStream, error)) return false;
        }
        return true;
    }

    int64_t musicAt(int64_t frames) const { return frames * kMusicRate / format.fps; }

    void run() {
        for (;;) {
            int index = -1;
            {
                std::unique_lock<std::mutex> guard(lock);
                changed.wait(guard, [&] { return !readyBuffers.empty() || closing; });
                if (readyBuffers.empty()) return;
                index = readyBuffers.front();
                readyBuffers.pop_front();
            }
            std::string error;
            bool ok = encodePicture(buffers[index].data(), error) && encodeMusic(musicAt(framesEncoded), false, error);
            // The muxer keeps a failed write to itself until the end: a full disk stops the
            // capture at the frame it came with, not after the whole span is rendered.
            if (ok && mux->pb->error < 0) ok = fail(cannotWrite(), mux->pb->error, error);
            {
                std::lock_guard<std::mutex> guard(lock);
                freeBuffers.push_back(index);
                if (!ok && failure.empty()) failure = error;
            }
            changed.notify_all();
        }
    }

    bool openVideo(std::string& error) {
        const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
        if (!codec) return fail("this FFmpeg has no libx264 encoder", 0, error);
        video = avcodec_alloc_context3(codec);
        video->width = format.width;
        video->height = format.height;
        video->pix_fmt = AV_PIX_FMT_YUV420P;
        video->time_base = AVRational{1, format.fps};
        video->framerate = AVRational{format.fps, 1};
        video->gop_size = format.fps * 2;  // a key frame every 2 s: seeking in a player stays quick
        // The picture is sRGB from GL, converted with the BT.709 matrix to limited range.
        video->colorspace = AVCOL_SPC_BT709;
        video->color_primaries = AVCOL_PRI_BT709;
        video->color_trc = AVCOL_TRC_BT709;
        video->color_range = AVCOL_RANGE_MPEG;
        if (mux->oformat->flags & AVFMT_GLOBALHEADER) video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        // Encoding shares the machine with the rendering: x264's fastest preset, given back
        // the cheap tools that save the most bits (measured on show frames at 1080p: a
        // third of "veryfast"'s CPU time for a file of about its size).
        av_opt_set(video->priv_data, "preset", "ultrafast", 0);
        av_opt_set(video->priv_data, "x264-params", "cabac=1:deblock=1:8x8dct=1:bframes=2:b-adapt=0", 0);
        av_opt_set_int(video->priv_data, "crf", format.crf, 0);
        int r = avcodec_open2(video, codec, nullptr);
        if (r < 0) return fail("cannot open the H.264 encoder", r, error);
        videoStream = addStream(video);
        if (!videoStream) return fail("out of memory", 0, error);

        picture = av_frame_alloc();
        picture->format = video->pix_fmt;
        picture->width = format.width;
        picture->height = format.height;
        r = av_frame_get_buffer(picture, 0);
        if (r < 0) return fail("out of memory", r, error);
        scale = sws_getContext(format.width, format.height, AV_PIX_FMT_BGRA, format.width, format.height,
                               AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
        if (!scale) return fail("cannot set up the colour conversion", 0, error);
        const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(scale, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
        return true;
    }

    bool openAudio(std::string& error) {
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (!codec) return fail("this FFmpeg has no AAC encoder", 0, error);
        audio = avcodec_alloc_context3(codec);
        audio->sample_rate = kMusicRate;
        audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
        audio->bit_rate = 192000;
        av_channel_layout_default(&audio->ch_layout, 2);
        audio->time_base = AVRational{1, kMusicRate};
        if (mux->oformat->flags & AVFMT_GLOBALHEADER) audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        int r = avcodec_open2(audio, codec, nullptr);
        if (r < 0) return fail("cannot open the AAC encoder", r, error);
        audioStream = addStream(audio);
        if (!audioStream) return fail("out of memory", 0, error);

        sound = av_frame_alloc();
        sound->format = audio->sample_fmt;
        sound->sample_rate = kMusicRate;
        sound->nb_samples = audio->frame_size;
        av_channel_layout_copy(&sound->ch_layout, &audio->ch_layout);
        r = av_frame_get_buffer(sound, 0);
        if (r < 0) return fail("out of memory", r, error);
        r = swr_alloc_set_opts2(&resample, &audio->ch_layout, audio->sample_fmt, kMusicRate, &audio->ch_layout,
                                AV_SAMPLE_FMT_S16, kMusicRate, 0, nullptr);
        if (r < 0 || (r = swr_init(resample)) < 0) return fail("cannot set up the music conversion", r, error);
        return true;
    }
};

CaptureEncoder::CaptureEncoder() : s(std::make_unique<State>()) {}
CaptureEncoder::~CaptureEncoder() = default;

bool CaptureEncoder::open(platform::FileWriter& out, const CaptureFormat& format, CaptureSound sound,
                          std::string& error) {
    State& st = *s;
    av_log_set_level(AV_LOG_WARNING);  // x264's and the muxer's statistics are not for viewers
    st.format = format;
    st.path = out.path();
    st.file = out.temporary();
    st.track = std::move(sound);
    int r = avformat_alloc_output_context2(&st.mux, nullptr, nullptr, st.path.c_str());
    if (r < 0 || !st.mux) return st.fail("cannot tell a video container from the name \"" + platform::printable(st.path) + "\"", r, error);
    // The index is moved to the front at the end by reopening the file under this name.
    av_free(st.mux->url);
    st.mux->url = av_strdup(st.file.c_str());
    if (!st.openVideo(error)) return false;
    if (st.track && !st.openAudio(error)) return false;
    // avio_open follows links: it must find the writer's own new file under the name, not
    // a link planted there since.
    platform::FileIdentity named;
    if (!out.stream() || !platform::file_identity(out.stream(), st.identity) ||
        !platform::file_identity(st.file, named) || named != st.identity)
        return st.fail(st.cannotWrite() + ": its temporary file was replaced by another program", 0, error);
    r = avio_open(&st.mux->pb, st.file.c_str(), AVIO_FLAG_WRITE);
    if (r < 0) return st.fail(st.cannotWrite(), r, error);
    AVDictionary* options = nullptr;
    if (st.mux->priv_data && av_opt_find(st.mux->priv_data, "movflags", nullptr, 0, 0))
        av_dict_set(&options, "movflags", "+faststart", 0);
    r = avformat_write_header(st.mux, &options);
    av_dict_free(&options);
    if (r < 0) return st.fail(st.cannotWrite(), r, error);
    st.headerWritten = true;
    st.packet = av_packet_alloc();

    const size_t frameBytes = static_cast<size_t>(format.width) * format.height * 4;
    st.buffers.assign(kRingFrames, std::vector<uint8_t>(frameBytes));
    for (int i = 0; i < kRingFrames; ++i) st.freeBuffers.push_back(i);
    st.worker = std::thread([&st] { st.run(); });
    return true;
}

uint8_t* CaptureEncoder::nextFrame() {
    State& st = *s;
    std::unique_lock<std::mutex> guard(st.lock);
    st.changed.wait(guard, [&] { return !st.freeBuffers.empty() || !st.failure.empty(); });
    if (!st.failure.empty()) return nullptr;
    st.filling = st.freeBuffers.front();
    st.freeBuffers.pop_front();
    return st.buffers[st.filling].data();
}

void CaptureEncoder::submitFrame() {
    State& st = *s;
    {
        std::lock_guard<std::mutex> guard(st.lock);
        if (st.filling < 0) return;
        st.readyBuffers.push_back(st.filling);
        st.filling = -1;
        ++st.submitted;
    }
    st.changed.notify_all();
}

long CaptureEncoder::framesSubmitted() const {
    std::lock_guard<std::mutex> guard(s->lock);
    return s->submitted;
}

bool CaptureEncoder::finish(std::string& error) {
    State& st = *s;
    if (!st.headerWritten) {
        error = "the capture was never opened";
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(st.lock);
        st.closing = true;
    }
    st.changed.notify_all();
    st.worker.join();
    if (!st.failure.empty()) {
        error = st.failure;
        return false;
    }
    if (st.framesEncoded == 0) {
        error = "no frame was rendered, so no video was written";
        return false;
    }
    // The music ends with the last frame, in a shorter last AAC frame if need be.
    bool ok = st.encodeMusic(st.musicAt(st.framesEncoded), true, error);
    ok = ok && avcodec_send_frame(st.video, nullptr) >= 0 && st.drain(st.video, st.videoStream, error);
    if (ok && st.audio) ok = avcodec_send_frame(st.audio, nullptr) >= 0 && st.drain(st.audio, st.audioStream, error);
    if (!ok) return false;
    int r = av_write_trailer(st.mux);
    if (r < 0) return st.fail(st.cannotWrite(), r, error);
    r = avio_closep(&st.mux->pb);
    if (r < 0) return st.fail(st.cannotWrite(), r, error);
    // The muxer reopens the file by name to move the index to the front: had anything
    // replaced it meanwhile, that would be what the writer renames, not this video.
    platform::FileIdentity named;
    if (!platform::file_identity(st.file, named) || named != st.identity) {
        error = "the unfinished file beside \"" + platform::printable(st.path) + "\" was removed or replaced by another program";
        return false;
    }
    return true;
}
