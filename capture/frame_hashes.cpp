#include "capture/frame_hashes.h"

#include "platform/gl.h"

#include <cstdlib>
#include <filesystem>

#include "app/app_state.h"
#include "app/window_picture.h"
#include "capture/output_line.h"
#include "platform/crc32.h"

namespace {

// The log the process's exit puts under its name: one per run, set while it is open.
FrameHashLog* g_exitLog = nullptr;

// Every way a run ends goes through exit(), so this is where the file is finished. A
// failure can only be said and given as the status from here.
void closeAtExit() {
    if (!g_exitLog) return;
    std::string error;
    if (closeFrameHashes(*g_exitLog, error)) return;
    std::fprintf(stderr, "velmora: %s\n", error.c_str());
    std::fflush(nullptr);
    std::_Exit(1);
}

}  // namespace

FrameHashLog::~FrameHashLog() {
    if (g_exitLog == this) g_exitLog = nullptr;
}

bool openFrameHashes(FrameHashLog& log, const std::string& path, std::string& error,
                     const std::vector<std::string>& inputs) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(std::filesystem::u8path(path), ec);
    platform::WriteOptions options;
    options.inputs = inputs;
    if (log.file.open(ec ? path : full.u8string(), options, error) != platform::FileWrite::Written) {
        error = shownLine(error);
        return false;
    }
    log.failure.clear();
    log.lines = 0;
    static bool registered = false;
    if (!registered) registered = std::atexit(closeAtExit) == 0;
    g_exitLog = &log;
    return true;
}

uint32_t pictureCrc(const std::vector<uint8_t>& pixels) {
    return platform::crc32_update(0, pixels.data(), pixels.size());
}

bool logFrameHash(FrameHashLog& log, const AppState& app, float clock) {
    if (!log.file.is_open()) return log.failure.empty();
    int width = 0, height = 0;
    pictureSize(app.window, width, height);
    log.pixels.resize(static_cast<size_t>(width) * height * 4);
    bindPictureForReading(app.window);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, log.pixels.data());
    char line[64];
    const int length = std::snprintf(line, sizeof line, "%d %.6f %08x\n", app.frameCount, clock, pictureCrc(log.pixels));
    log.file.write(line, static_cast<size_t>(length));
    log.lines += 1;
    // Handed to the system every frame: a full disk is noticed at once, not at the end.
    std::string why;
    if (log.file.flush(false, why) != platform::FileWrite::Written && log.failure.empty()) log.failure = shownLine(why);
    return log.failure.empty();
}

bool closeFrameHashes(FrameHashLog& log, std::string& error) {
    if (g_exitLog == &log) g_exitLog = nullptr;
    if (!log.file.is_open()) {
        error = log.failure;
        return log.failure.empty();
    }
    if (log.lines == 0) {
        log.file.abandon();
        return true;
    }
    if (log.file.commit(error) == platform::FileWrite::Written) return true;
    error = shownLine(error);
    return false;
}
