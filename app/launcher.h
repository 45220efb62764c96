// The launcher: a 380 x 240 window with a four-entry menu (banner, resolution,
// display mode, run) drawn in the stroke font and clicked with the mouse.
#pragma once
#include "app/app_state.h"

enum LauncherEntry { kBannerEntry = 0, kResolutionEntry = 1, kModeEntry = 2, kRunEntry = 3, kDisplayEntry = 4 };

void buildLauncherMenu(LauncherMenu& menu);

// Hit test, clicks and the run test: the part of a launcher frame that is pure logic.
// presses: left-button presses since the last frame (the poll's events), each a click on
// the entry under mouseY, even when released before the frame; without any, a button
// held now that was up at the last frame is one click.
void updateLauncherMenu(LauncherMenu& menu, float mouseY, bool buttonLeft, int presses = 0);
// Advances the animation clock and banner colour and wraps every selection.
void animateMenu(LauncherMenu& menu);

void drawLauncher(AppState& app);
void drawMenu(LauncherMenu& menu);

// The window size and mode that the menu's selections stand for.
void launcherChoice(const LauncherMenu& menu, int& width, int& height, bool& fullscreen);
// With more than one display: an entry choosing among them (named as the system names
// them), preset to `chosen` when it is one of them.
void addDisplayEntry(LauncherMenu& menu, const std::vector<std::string>& names, int chosen);
// The display chosen in the menu; -1 when it offers no choice.
int launcherDisplay(const LauncherMenu& menu);
// Presets the menu from command-line choices where they match an entry.
void presetLauncherMenu(LauncherMenu& menu, const LaunchOptions& options);
