// Timer queries per pass, in a ring of frames.
#include "render/pass_timer.h"

void PassTimer::collect(int frame, int pass) {
    if (!pending_[frame][pass]) return;
    GLuint64 nanoseconds = 0;
    glGetQueryObjectui64v(queries_[frame][pass], GL_QUERY_RESULT, &nanoseconds);
    pending_[frame][pass] = false;
    seconds_[pass] += static_cast<double>(nanoseconds) * 1e-9;
    measured_[pass] += 1;
}

void PassTimer::begin(int pass) {
    if (!enabled || pass < 0 || pass >= kPasses) return;
    if (!created_) {
        glGenQueries(kFramesInFlight * kPasses, &queries_[0][0]);
        created_ = true;
    }
    collect(frame_, pass);  // issued kFramesInFlight frames ago
    glBeginQuery(GL_TIME_ELAPSED, queries_[frame_][pass]);
}

void PassTimer::end(int pass) {
    if (!enabled || !created_ || pass < 0 || pass >= kPasses) return;
    glEndQuery(GL_TIME_ELAPSED);
    pending_[frame_][pass] = true;
}

void PassTimer::frameDone() {
    if (enabled) frame_ = (frame_ + 1) % kFramesInFlight;
}

double PassTimer::meanMs(int pass) const {
    if (pass < 0 || pass >= kPasses || measured_[pass] == 0) return -1.0;
    return seconds_[pass] / static_cast<double>(measured_[pass]) * 1000.0;
}
