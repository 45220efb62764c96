// libmp3lame wrapper: the whole piece is encoded in memory, then the first frame (which
// LAME leaves empty) is replaced by the final tag carrying the delay and padding.
#include "tools/velmora_data/mp3_writer.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace vdata {

bool encodeMp3(const std::vector<float>& stereo, int rate, int kbps, int quality, std::vector<unsigned char>& mp3,
               std::string& error) {
    mp3.clear();
    // MPEG-1 layer III carries these three rates; anything else would be resampled.
    if (rate != 32000 && rate != 44100 && rate != 48000) {
        error = "MP3 cannot carry " + std::to_string(rate) + " Hz without resampling";
        return false;
    }
    if (stereo.size() % 2 != 0) {
        error = "stereo samples come in pairs";
        return false;
    }
    std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> gf(lame_init(), lame_close);
    if (!gf) {
        error = "lame_init failed";
        return false;
    }
    lame_set_in_samplerate(gf.get(), rate);
    lame_set_out_samplerate(gf.get(), rate);
    lame_set_num_channels(gf.get(), 2);
    lame_set_mode(gf.get(), JOINT_STEREO);
    lame_set_brate(gf.get(), kbps);
    lame_set_VBR(gf.get(), vbr_off);
    lame_set_quality(gf.get(), std::clamp(quality, 0, 9));
    lame_set_bWriteVbrTag(gf.get(), 1);  // reserve the tag frame that carries delay and padding
    if (lame_init_params(gf.get()) < 0) {
        error = "lame_init_params refused " + std::to_string(rate) + " Hz at " + std::to_string(kbps) + " kbit/s";
        return false;
    }
    const size_t frames = stereo.size() / 2;
    const size_t chunk = 48000;
    // LAME's documented worst case for its output buffer: 1.25 x samples + 7200.
    std::vector<unsigned char> buffer(chunk * 5 / 4 + 7200);
    for (size_t at = 0; at < frames; at += chunk) {
        const int count = static_cast<int>(std::min(chunk, frames - at));
        const int got = lame_encode_buffer_interleaved_ieee_float(gf.get(), stereo.data() + 2 * at, count, buffer.data(),
                                                                  static_cast<int>(buffer.size()));
        if (got < 0) {
            error = "lame_encode_buffer failed with code " + std::to_string(got);
            return false;
        }
        mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + got);
    }
    const int tail = lame_encode_flush(gf.get(), buffer.data(), static_cast<int>(buffer.size()));
    if (tail < 0) {
        error = "lame_encode_flush failed with code " + std::to_string(tail);
        return false;
    }
    mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + tail);
    unsigned char tag[4096];
    const size_t tagSize = lame_get_lametag_frame(gf.get(), tag, sizeof tag);
    if (tagSize == 0 || tagSize > sizeof tag || tagSize > mp3.size()) {
        error = "the encoder gave no usable tag frame";
        return false;
    }
    std::memcpy(mp3.data(), tag, tagSize);
    return true;
}

}  // namespace vdata
