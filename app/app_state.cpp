#include "app/app_state.h"

#include "app/launcher.h"

AppState::AppState() { buildLauncherMenu(menu); }
