// The take file (docs/take-format.md): a versioned header with its own CRC-32, then blocks
// of whole frames written as the show runs, each with a CRC-32, and a closing record.
// Everything is little-endian. A reader trusts nothing: a damaged or cut file plays up to
// its last sound block.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/part.h"
#include "take/take.h"

// 2: the header ends with the controller map the take was played with, and each frame
// draws with the controls its own input step delivered (format 1: the frame after).
constexpr uint32_t kTakeFormat = 2;
// Far beyond any performance (five minutes take about 200 KB): a bigger file is no take.
constexpr uint64_t kTakeMaxBytes = 512ull << 20;
// What a replay holds: every frame's schedule (24 bytes each; 4M frames are 19 hours at
// 60 fps, 100 MB) and one block. The writer makes blocks of about kTakeBlockBytes (a
// block closes once it passes that); one frame holds at most kTakeMaxFrameInputs inputs:
// SDL's queue keeps 65535 events and the controller's 65536 messages
// (MidiIn::kDeferredLimit), plus the pointer. So 16 MB is more than any block written.
constexpr size_t kTakeMaxFrames = size_t(1) << 22;
constexpr uint32_t kTakeMaxFrameInputs = 1u << 17;
constexpr uint32_t kTakeBlockBytes = 1u << 20;
constexpr uint32_t kTakeMaxBlockBytes = 16u << 20;
// The part clocks a live run shows. --start goes down to -1000 s; from there only TRACK
// BACK held with the clock stopped moves it back, 2 ms a frame of at least 20 ms, and
// 1000 s more is nearly three hours of that. Up: the show ends in the frame whose clock
// passes its end, so no frame shows a clock more than one frame's advance past it (the
// speed knob's 7 times real time, with room for the music's steering, over the longest
// frame, 0.35 s). A float clock far beyond (131072 s on) no longer moves by a frame.
constexpr float kTakeClockLowest = -2000.0f;
constexpr float kTakeClockHighest = kShowEnd + 7.2f * 0.35f;

// Encoders, also for building files by hand in tests.
std::string encodeTakeHeader(const TakeHeader& header);
// Appends a frame record and its inputs (count = frame.inputCount) to a block's payload.
void encodeTakeFrame(std::string& payload, const TakeFrame& frame, const TakeInput* inputs);
void encodeTakeEnd(std::string& payload, TakeEnd end, float dt);
std::string encodeTakeBlock(uint32_t firstFrame, uint32_t frames, const std::string& payload);

// Reads a take from a file's bytes. False, with one line in error, when nothing of it
// can be played: not a take, a newer format, a damaged header. Otherwise true, with the
// frames before any damage; take.damage then says where it stops and why, take.trailing
// counts bytes after the closing record. Safe on any bytes; the take keeps a copy.
bool decodeTake(const std::string& bytes, Take& take, std::string& error);
// The same from a file, read a block at a time and kept open for readTakeInputs; refuses
// a folder, a pipe, a device, a file that cannot be read or one too big.
bool readTakeFile(const std::string& path, Take& take, std::string& error);

// The inputs of take.frames[frame], read again from the take's file (a block at a time,
// its checksum checked again). False, with one line in why, when the file no longer holds
// what was read (changed or cut while the take played).
bool readTakeInputs(const Take& take, size_t frame, std::vector<TakeInput>& inputs, std::string& why);
