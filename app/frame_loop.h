// The two steps of every frame that belong to the application frame: reading input
// (with the frame clock) and driving the parts.
#pragma once
#include <cstdint>

#include "app/app_state.h"
#include "app/input_source.h"
#include "platform/window.h"

// Frame duration in seconds from two tick counts; a frame longer than 0.35 s counts as 0.05 s.
float frameDuration(int64_t now, int64_t last);

enum class InputAction { Continue, Exit };
// Applies one window event to the application record.
InputAction handleInputEvent(AppState& app, const platform::InputEvent& event);

// How a live event that ends the run ends it: a replay takes these from the devices and
// ignores every other live event.
bool eventEndsRun(const platform::InputEvent& event);
RunEnd runEndFor(const platform::InputEvent& event);
// Alt+Enter in the show's window (not the launcher's): full screen and back, on both
// systems. The keys still reach the show as they always did.
bool togglesFullscreen(const AppState& app, const platform::InputEvent& event);

// Applies a recorded frame's control inputs through the paths the devices use: the mouse
// into the record, keys and wheel through the event handler, MIDI through the driver's
// callback entry. Stops at an input that ends the run (an Escape) and returns Exit.
InputAction applyControlInputs(AppState& app, const ControlInput* inputs, uint32_t count);
// The same for a replayed frame of app's input source; an input that ends the run ends the
// replay there, as it would have ended the performance.
void applyReplayedInputs(AppState& app, const ReplayedFrame& frame);

void pollInput(AppState& app);
void driveParts(AppState& app);

// The picture's framebuffer bound (app/window_picture.h), no program, identity
// texture/projection/modelview, and texturing, blending, depth test and culling off.
void resetGlState(const AppState& app);
