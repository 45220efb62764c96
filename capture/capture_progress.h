// What a capture shows while it runs: a bar redrawn in place (frames, frames per second,
// time left) when stderr is a terminal, one line every 5 % when it is a file or a pipe.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

struct CaptureProgress {
    long total = 0;          // frames to capture
    bool terminal = false;   // redraw a bar in place
    int64_t startTicks = 0;  // tick clock when the first frame started
    int64_t drawnTicks = 0;  // tick clock of the last redraw
    int reportedSteps = 0;   // 5 % steps already printed as lines
};

// One report: with bar, "[#####.....]  120/900 frames  9.8 fps  1:20 left"; without,
// "capture: 15 % (135/900 frames, 9.8 fps, 1:20 left)". seconds: time since the start.
std::string progressText(long done, long total, double seconds, bool bar);

void startProgress(CaptureProgress& p, long total, bool terminal);
// Prints when a report is due: the bar at most five times a second, lines per 5 % step.
void showProgress(CaptureProgress& p, long done, FILE* out);
// Ends the bar's line so that what follows starts on its own.
void endProgress(const CaptureProgress& p, FILE* out);
