#include "lame_encode.h"

#include <lame/lame.h>

#include <cstdio>

bool encodeMp3(const std::string& path, const std::vector<short>& pcm, int rate, int channels, bool tag) {
    lame_t lame = lame_init();
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, channels);
    lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, 128);
    lame_set_bWriteVbrTag(lame, tag ? 1 : 0);
    std::FILE* f = std::fopen(path.c_str(), "wb+");
    if (!f || lame_init_params(lame) < 0) {
        if (f) std::fclose(f);
        lame_close(lame);
        return false;
    }
    const int frames = static_cast<int>(pcm.size()) / channels;
    std::vector<unsigned char> mp3(pcm.size() * 2 + 10000);
    const int n = channels == 1 ? lame_encode_buffer(lame, pcm.data(), nullptr, frames, mp3.data(), (int)mp3.size())
                                : lame_encode_buffer_interleaved(lame, const_cast<short*>(pcm.data()), frames,
                                                                 mp3.data(), (int)mp3.size());
    bool ok = n >= 0 && std::fwrite(mp3.data(), 1, static_cast<size_t>(n), f) == static_cast<size_t>(n);
    const int tail = lame_encode_flush(lame, mp3.data(), (int)mp3.size());
    ok = ok && tail >= 0 && std::fwrite(mp3.data(), 1, static_cast<size_t>(tail), f) == static_cast<size_t>(tail);
    lame_mp3_tags_fid(lame, f);  // the tag frame back at the start, when there is one
    ok = std::fclose(f) == 0 && ok;
    lame_close(lame);
    return ok;
}
