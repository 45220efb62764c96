// Whether the machine can render the show at a requested size: the GL limits of the
// context, and the memory its nine render targets take, checked before anything is made.
#pragma once
#include <cstdint>
#include <string>

struct RenderLimits {
    int32_t maxRenderbuffer = 0;     // GL_MAX_RENDERBUFFER_SIZE
    int32_t maxViewport[2] = {};     // GL_MAX_VIEWPORT_DIMS
    uint64_t physicalBytes = 0;      // the machine's physical memory
};

constexpr int32_t kMinRenderSide = 4;      // a quarter-size target still has a pixel
constexpr int32_t kMaxWindowSide = 16384;  // SDL refuses larger windows ("Window is too large")

// Bytes the show's render targets take at a window of width x height (colour and depth
// renderbuffers, samples included, and the textures they resolve into).
uint64_t showTargetBytes(int32_t width, int32_t height);

// Empty when the size fits; otherwise one line naming the limit and the size asked for.
// Limits left at 0 are not checked (memory before a context exists, say).
std::string renderSizeProblem(int32_t width, int32_t height, const RenderLimits& limits);

// The machine's physical memory; 0 when unknown.
uint64_t physicalMemoryBytes();
// The physical memory and the current context's limits.
RenderLimits queryRenderLimits();
