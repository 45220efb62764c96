// Progress of a capture: wall-clock time only measures, it never steers what is rendered.
#include "capture/capture_progress.h"

#include "platform/tick_clock.h"

namespace {

constexpr int kBarWidth = 30;

std::string clockText(double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

}  // namespace

std::string progressText(long done, long total, double seconds, bool bar) {
    const double fps = seconds > 0 ? done / seconds : 0.0;
    const std::string left = fps > 0 ? clockText((total - done) / fps) : std::string("?");
    char text[160];
    if (bar) {
        std::string cells(kBarWidth, '.');
        const long filled = total > 0 ? done * kBarWidth / total : 0;
        cells.replace(0, static_cast<size_t>(filled), static_cast<size_t>(filled), '#');
        std::snprintf(text, sizeof text, "[%s] %6ld/%ld frames %6.1f fps  %s left", cells.c_str(), done, total, fps,
                      left.c_str());
    } else {
        const long percent = total > 0 ? done * 100 / total : 100;
        std::snprintf(text, sizeof text, "capture: %ld %% (%ld/%ld frames, %.1f fps, %s left)", percent, done, total,
                      fps, left.c_str());
    }
    return text;
}

void startProgress(CaptureProgress& p, long total, bool terminal) {
    p = CaptureProgress{};
    p.total = total;
    p.terminal = terminal;
    p.startTicks = platform::tick_count();
}

void showProgress(CaptureProgress& p, long done, FILE* out) {
    const int64_t now = platform::tick_count();
    const double seconds = (now - p.startTicks) / 1e7;
    if (p.terminal) {
        if (done < p.total && now - p.drawnTicks < 2000000) return;
        p.drawnTicks = now;
        std::fprintf(out, "\r%s\x1b[K", progressText(done, p.total, seconds, true).c_str());
    } else {
        const int steps = p.total > 0 ? static_cast<int>(done * 20 / p.total) : 20;
        if (steps <= p.reportedSteps) return;
        p.reportedSteps = steps;
        std::fprintf(out, "%s\n", progressText(done, p.total, seconds, false).c_str());
    }
    std::fflush(out);
}

void endProgress(const CaptureProgress& p, FILE* out) {
    if (p.terminal) std::fputc('\n', out);
}
