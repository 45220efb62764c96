// Reading finished frames back from GL without stalling it: each frame is read into a
// pixel buffer object and mapped only when all of them are in flight, frames later, when
// the GPU has long finished writing it.
#pragma once
#include "platform/gl.h"

#include <cstdint>

constexpr int kReadbackDepth = 3;  // frames in flight

struct FrameReadback {
    int width = 0;                          // pixels
    int height = 0;
    GLuint buffers[kReadbackDepth] = {};    // GL_PIXEL_PACK_BUFFERs, used in turn
    long started = 0;                       // frames whose read was started
    long collected = 0;                     // frames copied out
};

// Creates the buffers for frames of width x height.
void beginReadback(FrameReadback& r, int width, int height);
// True when every buffer holds a frame not yet collected: collect one before reading more.
bool readbackFull(const FrameReadback& r);
// Starts reading the picture drawn into framebuffer (BGRA, bottom row first): an
// off-screen picture's colour attachment 0, or with 0 the window's draw buffer.
void readFrame(FrameReadback& r, GLuint framebuffer);
// Copies the oldest frame not yet collected (width * height * 4 bytes) into pixels.
// Returns false when there is none or GL could not map it.
bool collectFrame(FrameReadback& r, uint8_t* pixels);
void endReadback(FrameReadback& r);
