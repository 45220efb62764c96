// MP3 encoding of the show's music through libmp3lame, with the encoder-delay (LAME tag)
// frame written back at the start so decoders give exactly the encoded length.
#pragma once
#include <string>
#include <vector>

namespace vdata {

// Encodes interleaved stereo float samples (-1..1) at `rate` Hz, constant `kbps`, into
// MP3 bytes. `quality` is LAME's algorithm choice: 2 slow and best, 5 its default, 7
// fast. Returns false with a message when the encoder refuses.
bool encodeMp3(const std::vector<float>& stereo, int rate, int kbps, int quality, std::vector<unsigned char>& mp3,
               std::string& error);

}  // namespace vdata
