// Runs once between opening the real window and the first frame.
#pragma once
#include "app/app_state.h"

void startup(AppState& app);
