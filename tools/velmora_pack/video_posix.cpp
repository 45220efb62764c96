// Video frames on Linux, through FFmpeg's libraries: libavformat reads the container,
// libavcodec decodes, libswscale brings each frame to RGB with the video's own colour
// matrix and range. A damaged frame stops the packing rather than being packed concealed.
#include "footage.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cstring>

#include "platform/printable.h"

namespace {

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Demuxers that open a lone picture or a text file as a one-stream "video".
bool isStillOrTextFormat(const char* name) {
    const size_t length = std::strlen(name);
    return std::strcmp(name, "image2") == 0 || std::strcmp(name, "tty") == 0 ||
           (length > 5 && std::strcmp(name + length - 5, "_pipe") == 0);
}

class FfmpegVideo final : public VideoFrames {
public:
    explicit FfmpegVideo(std::string path) : path_(std::move(path)) {}
    ~FfmpegVideo() override {
        sws_freeContext(sws_);
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        avcodec_free_context(&codec_);
        avformat_close_input(&format_);
    }

    VideoOpen open(std::string& why);
    VideoRead next(RgbFrame& out, std::string& why) override;
    int64_t expectedFrames() const override { return expected_; }
    std::string decoder() const override { return std::string(codec_->codec->name) + " through FFmpeg"; }

private:
    VideoRead failed(const std::string& what, std::string& why) {
        why = platform::printable(path_) + ": " + what + " after frame " + std::to_string(delivered_);
        return VideoRead::Failed;
    }
    VideoRead convert(RgbFrame& out, std::string& why);

    std::string path_;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    SwsContext* sws_ = nullptr;
    int stream_ = -1;
    bool draining_ = false;
    int64_t expected_ = 0;
    int64_t delivered_ = 0;
    int swsWidth_ = 0, swsHeight_ = 0, swsFormat_ = -1;  // the frames sws_ was made for
};

VideoOpen FfmpegVideo::open(std::string& why) {
    const std::string name = platform::printable(path_);
    int r = avformat_open_input(&format_, path_.c_str(), nullptr, nullptr);
    if (r < 0) {
        why = name + " is neither a folder of pictures nor a video FFmpeg reads (" + avError(r) + ")";
        return VideoOpen::NotAVideo;
    }
    if (isStillOrTextFormat(format_->iformat->name)) {
        why = name + " is neither a folder of pictures nor a video (a lone picture goes in a folder of frames)";
        return VideoOpen::NotAVideo;
    }
    if ((r = avformat_find_stream_info(format_, nullptr)) < 0) {
        why = name + ": not a video FFmpeg can read (" + avError(r) + ")";
        return VideoOpen::NotAVideo;
    }
    for (unsigned s = 0; s < format_->nb_streams && stream_ < 0; ++s) {
        const AVStream* stream = format_->streams[s];
        // A cover picture in a sound file is a video stream of one frame.
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC))
            stream_ = static_cast<int>(s);
    }
    if (stream_ < 0) {
        why = name + " is neither a folder of pictures nor a video: it has no video stream";
        return VideoOpen::NotAVideo;
    }
    const AVStream* stream = format_->streams[stream_];
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder) {
        why = name + ": this build of FFmpeg has no decoder for its " + avcodec_get_name(stream->codecpar->codec_id) +
              " video";
        return VideoOpen::NoDecoder;
    }
    codec_ = avcodec_alloc_context3(decoder);
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    if (!codec_ || !packet_ || !frame_ || avcodec_parameters_to_context(codec_, stream->codecpar) < 0) {
        why = name + ": out of memory opening the video";
        return VideoOpen::NoDecoder;
    }
    codec_->thread_count = 0;  // as many as there are processors
    // A bitstream error is an error, not a frame with grey or smeared blocks concealed in it.
    codec_->err_recognition |= AV_EF_EXPLODE;
    if ((r = avcodec_open2(codec_, decoder, nullptr)) < 0) {
        why = name + ": the " + decoder->name + " decoder would not open (" + avError(r) + ")";
        return VideoOpen::NoDecoder;
    }
    if (stream->nb_frames > 0) {
        expected_ = stream->nb_frames;
    } else if (format_->duration > 0 && stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0) {
        expected_ = av_rescale_q(format_->duration, AVRational{1, AV_TIME_BASE}, av_inv_q(stream->avg_frame_rate));
    }
    return VideoOpen::Opened;
}

VideoRead FfmpegVideo::next(RgbFrame& out, std::string& why) {
    for (;;) {
        int r = avcodec_receive_frame(codec_, frame_);
        if (r == 0) return convert(out, why);
        if (r == AVERROR_EOF) return VideoRead::End;
        if (r != AVERROR(EAGAIN)) return failed("a frame does not decode (" + avError(r) + ")", why);
        r = av_read_frame(format_, packet_);
        if (r == AVERROR_EOF && !draining_) {
            draining_ = true;
            r = avcodec_send_packet(codec_, nullptr);  // the frames the decoder still holds
        } else if (r < 0) {
            return failed("the file cannot be read (" + avError(r) + ")", why);
        } else if (packet_->stream_index != stream_) {
            av_packet_unref(packet_);
            continue;
        } else {
            const bool corrupt = packet_->flags & AV_PKT_FLAG_CORRUPT;
            r = corrupt ? AVERROR_INVALIDDATA : avcodec_send_packet(codec_, packet_);
            av_packet_unref(packet_);
        }
        if (r < 0) return failed("a frame does not decode (" + avError(r) + ")", why);
    }
}

VideoRead FfmpegVideo::convert(RgbFrame& out, std::string& why) {
    if ((frame_->flags & AV_FRAME_FLAG_CORRUPT) || frame_->decode_error_flags)
        return failed("a damaged frame", why);
    const int width = frame_->width, height = frame_->height;
    if (width <= 0 || height <= 0) return failed("a frame without a size", why);
    if (!sws_ || width != swsWidth_ || height != swsHeight_ || frame_->format != swsFormat_) {
        sws_freeContext(sws_);
        const AVPixelFormat format = static_cast<AVPixelFormat>(frame_->format);
        // Plain flags keep swscale on its SIMD path for an unscaled conversion (a sixth of
        // the time); the finer chroma of SWS_FULL_CHR_H_INT would be subsampled again by the
        // 4:2:0 JPEG anyway.
        sws_ = sws_getContext(width, height, format, width, height, AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr,
                              nullptr);
        if (!sws_) return failed(std::string("frames in ") + av_get_pix_fmt_name(format) + " cannot be converted", why);
        // Unmarked video is BT.601 below 720 lines and BT.709 from there, as players take it.
        const int matrix = frame_->colorspace != AVCOL_SPC_UNSPECIFIED ? frame_->colorspace
                           : height >= 720                             ? SWS_CS_ITU709
                                                                       : SWS_CS_ITU601;
        const int fullRange = frame_->color_range == AVCOL_RANGE_JPEG;
        sws_setColorspaceDetails(sws_, sws_getCoefficients(matrix), fullRange, sws_getCoefficients(SWS_CS_DEFAULT), 1, 0,
                                 1 << 16, 1 << 16);
        swsWidth_ = width;
        swsHeight_ = height;
        swsFormat_ = frame_->format;
    }
    out.width = width;
    out.height = height;
    out.rgb.resize(static_cast<size_t>(width) * height * 3);
    uint8_t* planes[4] = {out.rgb.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {width * 3, 0, 0, 0};
    sws_scale(sws_, frame_->data, frame_->linesize, 0, height, planes, strides);
    av_frame_unref(frame_);
    ++delivered_;
    return VideoRead::Frame;
}

}  // namespace

std::unique_ptr<VideoFrames> openVideo(const std::string& path, VideoOpen& status, std::string& why) {
    // Errors are said once, in the tool's words; FFmpeg's own lines would come on top.
    av_log_set_level(AV_LOG_QUIET);
    auto video = std::make_unique<FfmpegVideo>(path);
    status = video->open(why);
    if (status != VideoOpen::Opened) return nullptr;
    return video;
}
