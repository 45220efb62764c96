// The take file (docs/take-format.md): a versioned header with its own CRC-32, then blocks
// of whole frames written as the show runs, each with a CRC-32, and a closing record.
// Everything is little-endian. A reader trusts nothing: a damaged or cut file plays up to
// its last sound block.
#pragma once
#include <cstdint>
#include <string>

#include "take/take.h"

constexpr uint32_t kTakeFormat = 1;
// Far beyond any performance (five minutes take about 200 KB): a bigger file is no take.
constexpr uint64_t kTakeMaxBytes = 512ull << 20;

// Encoders, also for building files by hand in tests.
std::string encodeTakeHeader(const TakeHeader& header);
// Appends a frame record and its inputs (count = frame.inputCount) to a block's payload.
void encodeTakeFrame(std::string& payload, const TakeFrame& frame, const TakeInput* inputs);
void encodeTakeEnd(std::string& payload, TakeEnd end, float dt);
std::string encodeTakeBlock(uint32_t firstFrame, uint32_t frames, const std::string& payload);

// Reads a take from a file's bytes. False, with one line in error, when nothing of it
// can be played: not a take, a newer format, a damaged header. Otherwise true, with the
// frames before any damage; take.damage then says where it stops and why.
bool decodeTake(const std::string& bytes, Take& take, std::string& error);
// The same from a file; refuses a folder, a file that cannot be read or one too big.
bool readTakeFile(const std::string& path, Take& take, std::string& error);
