// The last step of each frame before the buffer swap: the GL state the next frame starts
// with, the periodic camera save and the controller's values mapped into SceneInputs.
#pragma once
#include "app/app_state.h"

void finishFrame(AppState& app);
// The controller values mapped to -1..1 (and the fader steps), as the parts read them.
void mapControllerInputs(const NanoKONTROL2& controller, SceneInputs& inputs);
