#include "app/startup.h"

#include "app/part.h"
#include "platform/tick_clock.h"

void startup(AppState& app) {
    app.loader->inputs = &app.inputs;
    app.loader->load();
    for (Part* part : app.parts) {
        part->inputs = &app.inputs;
        part->owner = &app;
        part->load();
    }
    // The first frame's duration is measured from here, not from the start of loading.
    app.lastTicks = platform::tick_count();
    platform::sleep_ms(5);
}
