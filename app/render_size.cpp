#include "app/render_size.h"

#include "platform/gl.h"

#include <cinttypes>
#include <cstdio>

#include "platform/memory.h"

namespace {

// One target's bytes per pixel: three RGBA8 colour and one 32-bit depth renderbuffer
// (times the samples), and four RGBA8 colour textures plus a 32-bit depth texture.
uint64_t targetBytes(int64_t width, int64_t height, int samples) {
    const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    return pixels * (4 * 4 * static_cast<uint64_t>(samples > 1 ? samples : 1) + 5 * 4);
}

std::string sized(int32_t width, int32_t height) { return std::to_string(width) + "x" + std::to_string(height); }

}  // namespace

uint64_t showTargetBytes(int32_t width, int32_t height) {
    // Six full-size targets, two quarter-size ones (one of them 4x multisampled) and a
    // fixed 1024 x 1024 one: the set created at startup.
    return 6 * targetBytes(width, height, 0) + targetBytes(width / 4, height / 4, 4) +
           targetBytes(width / 4, height / 4, 0) + targetBytes(1024, 1024, 0);
}

std::string renderSizeProblem(int32_t width, int32_t height, const RenderLimits& limits) {
    if (width < 1 || height < 1) return "the size " + sized(width, height) + " has no pixels";
    if (width > kMaxWindowSide || height > kMaxWindowSide)
        return "the size " + sized(width, height) + " exceeds the largest window SDL opens, " +
               std::to_string(kMaxWindowSide) + " pixels a side";
    // Two targets are a quarter of the window a side: below 4 pixels they would have none,
    // and every frame would draw into an incomplete framebuffer.
    if (width < kMinRenderSide || height < kMinRenderSide)
        return "the size " + sized(width, height) + " is below the smallest the show renders, " +
               sized(kMinRenderSide, kMinRenderSide) + " (its quarter-size targets need a pixel)";
    if (limits.maxRenderbuffer > 0 && (width > limits.maxRenderbuffer || height > limits.maxRenderbuffer))
        return "the size " + sized(width, height) + " exceeds this OpenGL's largest render buffer, " +
               std::to_string(limits.maxRenderbuffer) + " pixels a side (GL_MAX_RENDERBUFFER_SIZE)";
    if (limits.maxViewport[0] > 0 && (width > limits.maxViewport[0] || height > limits.maxViewport[1]))
        return "the size " + sized(width, height) + " exceeds this OpenGL's largest viewport, " +
               sized(limits.maxViewport[0], limits.maxViewport[1]) + " (GL_MAX_VIEWPORT_DIMS)";
    const uint64_t need = showTargetBytes(width, height);
    if (limits.physicalBytes > 0 && need > limits.physicalBytes / 4) {
        char line[256];
        std::snprintf(line, sizeof line,
                      "the size %s needs %" PRIu64 " MB of render targets, more than a quarter of this "
                      "machine's %" PRIu64 " MB of memory",
                      sized(width, height).c_str(), need >> 20, limits.physicalBytes >> 20);
        return line;
    }
    return {};
}

uint64_t physicalMemoryBytes() { return platform::physical_memory_bytes(); }

RenderLimits queryRenderLimits() {
    RenderLimits limits;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &limits.maxRenderbuffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, limits.maxViewport);
    limits.physicalBytes = physicalMemoryBytes();
    return limits;
}
