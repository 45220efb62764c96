// Runs once between opening the real window and the first frame.
#pragma once
#include <string>

#include "app/app_state.h"

// Why the working directory is not a show's folder, in words for one line (with the folder's
// name), or empty when it is one. A show's folder has its shader folder "shaders" (a link
// to one will do): without it the show draws nothing but a list of missing shaders. The
// frame archive (bin.txt, bin.bin) and the other assets may be missing, as while a show is
// made: their loaders say so and the show plays without them.
std::string notAShowFolder();

void startup(AppState& app);
// Right before the first frame: a take (the input source) puts its start in place, and the
// first frame sees the controller as that start left it.
void beginInputSource(AppState& app);
// The nine render targets at their sizes and sample counts, in their creation order.
void createShowTargets(AppState& app);
