#include "app/startup.h"

#include <cstdio>

#include "app/part.h"
#include "platform/audio.h"
#include "platform/tick_clock.h"

void startup(AppState& app) {
    loadCameraFile(app.camera, "FreeCam.bin");  // missing: the camera keeps its initial values

    app.loader->inputs = &app.inputs;
    app.loader->load();

    MidiIn::printDeviceNames();
    app.inputs.controller = &app.nano_kontrol2;
    if (!app.options.midi) {
        printf("MIDI: disabled (--no-midi).\n");
    } else if (!app.nano_kontrol2.start()) {
        printf("nano_kontrol2.start() failed...\n");
    }

    for (Part* part : app.parts) {
        part->inputs = &app.inputs;
        part->owner = &app;
        part->load();
    }

    // The first frame's duration is measured from here, not from the start of loading,
    // and the music starts only now, with the first frame.
    app.lastTicks = platform::tick_count();
    platform::sleep_ms(5);
    if (platform::audio_init(app.options.audio)) {
        app.musicSample = platform::music_load("music//Zo-velmora.mp3");
        app.musicChannel = app.musicSample;
        platform::music_play(app.musicChannel);
        platform::music_set_position(app.musicChannel, 0);
    }
}
