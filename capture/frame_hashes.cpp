#include "capture/frame_hashes.h"

#include "platform/gl.h"

#include <cerrno>
#include <cstring>

#include "app/app_state.h"
#include "platform/crc32.h"

bool openFrameHashes(FrameHashLog& log, const std::string& path, std::string& error) {
    log.file = std::fopen(path.c_str(), "w");
    if (!log.file) error = "cannot write \"" + path + "\": " + std::strerror(errno);
    return log.file != nullptr;
}

uint32_t pictureCrc(const std::vector<uint8_t>& pixels) {
    return platform::crc32_update(0, pixels.data(), pixels.size());
}

void logFrameHash(FrameHashLog& log, const AppState& app, float clock) {
    if (!log.file) return;
    int width = app.window.width, height = app.window.height;
    if (app.window.window) platform::drawable_size(app.window.window, width, height);
    log.pixels.resize(static_cast<size_t>(width) * height * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, log.pixels.data());
    // One line a frame, flushed: a run that ends in exit() or a crash still leaves them.
    std::fprintf(log.file, "%d %.6f %08x\n", app.frameCount, clock, pictureCrc(log.pixels));
    std::fflush(log.file);
}
