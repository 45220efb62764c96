#include "app/app_state.h"

#include "app/input_source.h"
#include "app/launcher.h"

AppState::AppState() { buildLauncherMenu(menu); }
AppState::~AppState() = default;
