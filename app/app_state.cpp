#include "app/app_state.h"

#include "app/launcher.h"
#include "app/take_session.h"

AppState::AppState() { buildLauncherMenu(menu); }
AppState::~AppState() = default;
