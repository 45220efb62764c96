// A video file decoded whole through libavformat and libavcodec, for the capture tests:
// its size, a hash of every picture's luma and how much sound it holds.
#pragma once
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <functional>
#include <string>
#include <vector>

struct Decoded {
    bool opened = false;
    int width = 0, height = 0;
    std::vector<size_t> frames;  // a hash of each decoded picture's luma
    long musicSamples = -1;      // -1: no sound track
    int musicRate = 0;
};

// Decodes every packet of both streams.
inline Decoded decode(const std::string& path) {
    Decoded d;
    AVFormatContext* file = nullptr;
    if (avformat_open_input(&file, path.c_str(), nullptr, nullptr) < 0) return d;
    avformat_find_stream_info(file, nullptr);
    AVCodecContext* codecs[8] = {};
    for (unsigned i = 0; i < file->nb_streams && i < 8; ++i) {
        const AVCodecParameters* p = file->streams[i]->codecpar;
        codecs[i] = avcodec_alloc_context3(avcodec_find_decoder(p->codec_id));
        avcodec_parameters_to_context(codecs[i], p);
        avcodec_open2(codecs[i], nullptr, nullptr);
        if (p->codec_type == AVMEDIA_TYPE_AUDIO) d.musicSamples = 0, d.musicRate = p->sample_rate;
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const auto take = [&](AVCodecContext* c) {
        while (avcodec_receive_frame(c, frame) >= 0) {
            if (c->codec_type == AVMEDIA_TYPE_AUDIO) {
                d.musicSamples += frame->nb_samples;
                continue;
            }
            d.width = frame->width, d.height = frame->height;
            std::string luma;
            for (int y = 0; y < frame->height; ++y)
                luma.append(reinterpret_cast<const char*>(frame->data[0] + y * frame->linesize[0]), frame->width);
            d.frames.push_back(std::hash<std::string>()(luma));
        }
    };
    while (av_read_frame(file, packet) >= 0) {
        if (packet->stream_index < 8 && avcodec_send_packet(codecs[packet->stream_index], packet) >= 0)
            take(codecs[packet->stream_index]);
        av_packet_unref(packet);
    }
    for (AVCodecContext*& c : codecs)
        if (c) avcodec_send_packet(c, nullptr), take(c), avcodec_free_context(&c);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&file);
    d.opened = true;
    return d;
}

