// velmora-pack's progress bar: one line redrawn in place on a terminal, shown only for an
// input that takes a while, and nothing at all when the output goes to a file or a pipe.
#pragma once
#include <chrono>
#include <cstdint>
#include <string>

class PackProgress {
public:
    // total: the frames expected; 0 when unknown (the bar then counts without a gauge).
    PackProgress(std::string label, int64_t total);
    ~PackProgress() { clear(); }
    PackProgress(const PackProgress&) = delete;
    PackProgress& operator=(const PackProgress&) = delete;

    void step();
    // Wipes the bar, so the line that follows starts on a clean line.
    void clear();

private:
    std::string label_;
    int64_t total_, done_ = 0;
    bool terminal_, shown_ = false;
    std::chrono::steady_clock::time_point start_, drawn_;
};
