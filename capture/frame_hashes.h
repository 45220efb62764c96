// --frame-hashes FILE: a CRC-32 of every finished frame's picture, one line each
// ("frame part-clock crc"), to tell whether two runs drew the same frames: a replay and
// the performance it was recorded from, or two replays.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct AppState;

struct FrameHashLog {
    std::FILE* file = nullptr;
    std::vector<uint8_t> pixels;  // the last frame read back, BGRA, bottom row first
};

// Creates (or replaces) the file. False with one line in error.
bool openFrameHashes(FrameHashLog& log, const std::string& path, std::string& error);
// Reads the picture in the window's back buffer (call before the swap) and writes its line.
// clock: the part clock the frame showed.
void logFrameHash(FrameHashLog& log, const AppState& app, float clock);
// CRC-32 of a picture.
uint32_t pictureCrc(const std::vector<uint8_t>& pixels);
