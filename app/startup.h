// Runs once between opening the real window and the first frame.
#pragma once
#include "app/app_state.h"

void startup(AppState& app);
// The nine render targets at their sizes and sample counts, in their creation order.
void createShowTargets(AppState& app);
