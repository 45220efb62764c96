// --frame-hashes FILE: a CRC-32 of every finished frame's picture, one line each
// ("frame part-clock crc"), to tell whether two runs drew the same frames: a replay and
// the performance it was recorded from, or two replays.
//
// The file is written as every output is (platform/file_write.h): the lines go into a
// temporary file of this process beside the name, which becomes the file when the process
// exits, however the run ends (--frames, Escape, the window closed, SIGINT, SIGTERM and the
// end of a replay all leave through exit()). A run killed outright leaves the old file as
// it was; its temporary file goes at the next run to that name.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/file_write.h"

struct AppState;

struct FrameHashLog {
    platform::FileWriter file;    // open while the run writes lines
    std::vector<uint8_t> pixels;  // the last frame read back, BGRA, bottom row first
    std::string failure;          // why the lines cannot be written, in one line; empty while they can
    int64_t lines = 0;            // frames written
    ~FrameHashLog();              // not yet closed: the lines are dropped, the name left as it was
};

// Checks the name and starts the file. Refused, left alone: one of inputs (the run's own
// files, see runInputFiles), a folder, a pipe, a device. The name is taken from the current
// folder, so the run may change folders afterwards. False with one line in error.
bool openFrameHashes(FrameHashLog& log, const std::string& path, std::string& error,
                     const std::vector<std::string>& inputs = {});
// Reads the frame's picture (app/window_picture.h: the off-screen picture, or the window's
// back buffer before the swap) and writes its line.
// clock: the part clock the frame showed. False once a write has failed (a full disk):
// log.failure says why, and the process's exit then says it and ends with status 1.
bool logFrameHash(FrameHashLog& log, const AppState& app, float clock);
// Puts the file under its name now rather than at the exit. False with one line in error;
// the name then holds what it held before. A run that drew no frame (it failed first)
// leaves the name as it was.
bool closeFrameHashes(FrameHashLog& log, std::string& error);
// CRC-32 of a picture.
uint32_t pictureCrc(const std::vector<uint8_t>& pixels);
