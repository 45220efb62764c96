// Progress display of velmora-data.
#include "tools/velmora_data/progress.h"

#include <cstdio>
#include <ostream>

namespace vdata {

Progress::Progress(std::ostream& out, bool terminal)
    : out_(out), terminal_(terminal), start_(std::chrono::steady_clock::now()) {}

void Progress::stage(const std::string& name, size_t total) {
    if (lineOpen_) out_ << "\n";
    lineOpen_ = false;
    name_ = name;
    total_ = total;
    done_ = 0;
    lastTenth_ = -1;
    draw();
}

void Progress::advance(size_t count) {
    done_ += count;
    draw();
}

void Progress::note(const std::string& text) {
    if (lineOpen_) out_ << "\n";
    lineOpen_ = false;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%6.1f s] ", seconds);
    out_ << stamp << text << std::endl;
}

void Progress::draw() {
    const size_t total = total_ ? total_ : 1;
    const int percent = static_cast<int>(done_ * 100 / total);
    if (terminal_) {
        const int width = 30, filled = static_cast<int>(done_ * width / total);
        out_ << "\r  " << name_ << " [" << std::string(filled, '#') << std::string(width - filled, '.') << "] " << done_ << "/"
             << total_ << " (" << percent << "%)" << std::flush;
        lineOpen_ = true;
        if (done_ >= total_) {
            out_ << "\n";
            lineOpen_ = false;
        }
    } else {
        const int tenth = percent / 10;
        if (tenth != lastTenth_) {
            lastTenth_ = tenth;
            out_ << "  " << name_ << " " << done_ << "/" << total_ << " (" << percent << "%)" << std::endl;
        }
    }
}

}  // namespace vdata
