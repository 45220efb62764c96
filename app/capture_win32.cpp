// Capture to video needs FFmpeg's encoders, which the Windows build does not have: the
// request is refused before any window opens (the caller prints the line and exits 2).
#include "app/capture.h"

#include "app/launch_options.h"

bool prepareCapture(LaunchOptions&, std::string& error) {
    error = "--capture is not available in the Windows build (it encodes with FFmpeg); capture on Linux";
    return false;
}

int runCapture(AppState&) { return 1; }  // never reached: prepareCapture refuses first
