// Runs once between opening the real window and the first frame.
#pragma once
#include "app/app_state.h"

void startup(AppState& app);
// Right before the first frame: a take (the input source) puts its start in place, and the
// first frame sees the controller as that start left it.
void beginInputSource(AppState& app);
// The nine render targets at their sizes and sample counts, in their creation order.
void createShowTargets(AppState& app);
