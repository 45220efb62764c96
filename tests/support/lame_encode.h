// Test MP3s made with LAME: interleaved 16-bit samples at 128 kbit/s.
#pragma once
#include <string>
#include <vector>

// With tag, the Info/LAME tag frame is written back at the start, so decoders drop the
// encoder's delay and padding. False when the file cannot be written.
bool encodeMp3(const std::string& path, const std::vector<short>& pcm, int rate, int channels, bool tag);
