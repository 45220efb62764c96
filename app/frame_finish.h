// The last step of each frame before the buffer swap.
#pragma once
#include "app/app_state.h"

void finishFrame(AppState& app);
