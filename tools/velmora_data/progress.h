// Progress display of velmora-data: one line redrawn in place on a terminal, plain lines
// at every tenth otherwise (logs, pipes). Used from one thread only.
#pragma once
#include <chrono>
#include <iosfwd>
#include <string>

namespace vdata {

class Progress {
public:
    Progress(std::ostream& out, bool terminal);
    // Starts a counted stage ("frames", 5640).
    void stage(const std::string& name, size_t total);
    void advance(size_t count = 1);
    // A finished step or a note, on its own line.
    void note(const std::string& text);

private:
    void draw();
    std::ostream& out_;
    bool terminal_;
    std::string name_;
    size_t total_ = 0, done_ = 0;
    int lastTenth_ = -1;
    bool lineOpen_ = false;
    std::chrono::steady_clock::time_point start_;
};

// Whether a file descriptor is a terminal (for the choice of display).

}  // namespace vdata
