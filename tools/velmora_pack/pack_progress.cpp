// The bar waits half a second before it appears (short inputs pass without one) and is
// redrawn at most ten times a second: a terminal is slow next to a 160x90 frame.
#include "pack_progress.h"

#include <algorithm>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// Asked here rather than of platform::is_terminal, whose file would bring the console
// window's user32 calls into a tool that has no window.
bool outputIsTerminal() {
#ifdef _WIN32
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
#else
    return isatty(STDOUT_FILENO) != 0;
#endif
}

constexpr auto kQuietStart = std::chrono::milliseconds(500);
constexpr auto kRedraw = std::chrono::milliseconds(100);
constexpr int kBarWidth = 30;
constexpr int kLineWidth = 79;  // wiped with spaces: a Windows console may not know ANSI erase

}  // namespace

PackProgress::PackProgress(std::string label, int64_t total)
    : label_(std::move(label)), total_(total), terminal_(outputIsTerminal()),
      start_(std::chrono::steady_clock::now()) {}

void PackProgress::step() {
    ++done_;
    if (!terminal_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < kQuietStart || (shown_ && now - drawn_ < kRedraw)) return;
    drawn_ = now;
    shown_ = true;
    std::string line = "  " + label_.substr(0, 30) + " ";
    if (total_ > 0) {
        const int64_t shown = std::min(done_, total_);
        const int filled = static_cast<int>(shown * kBarWidth / total_);
        line += "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] " + std::to_string(done_) +
                "/" + std::to_string(total_);
    } else {
        line += std::to_string(done_) + " frames";
    }
    if (static_cast<int>(line.size()) > kLineWidth) line.resize(kLineWidth);
    std::fprintf(stdout, "\r%-*s", kLineWidth, line.c_str());
    std::fflush(stdout);
}

void PackProgress::clear() {
    if (!shown_) return;
    std::fprintf(stdout, "\r%*s\r", kLineWidth, "");
    std::fflush(stdout);
    shown_ = false;
}
