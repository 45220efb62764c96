// GPU time of each pass of a frame, from timer queries. A query is read back a few frames
// after it was issued, when the driver has long finished it, so the render thread never
// waits for the GPU on its account.
#pragma once
#include "platform/gl.h"

#include <cstdint>

class PassTimer {
public:
    static constexpr int kPasses = 4;

    // Off until enabled: queries cost a little, and only the --timing report reads them.
    bool enabled = false;

    void begin(int pass);
    void end(int pass);
    // Called once per frame after its passes.
    void frameDone();

    // Mean GPU milliseconds of the pass over the frames measured, or -1 without any.
    double meanMs(int pass) const;

private:
    static constexpr int kFramesInFlight = 4;
    void collect(int frame, int pass);

    GLuint queries_[kFramesInFlight][kPasses] = {};
    bool pending_[kFramesInFlight][kPasses] = {};
    int frame_ = 0;
    bool created_ = false;
    double seconds_[kPasses] = {};
    int64_t measured_[kPasses] = {};
};
