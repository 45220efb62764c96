#include "app/startup.h"

#include <cstdio>
#include <filesystem>

#include "app/frame_finish.h"
#include "app/input_source.h"
#include "app/part.h"
#include "platform/audio.h"
#include "platform/printable.h"
#include "platform/tick_clock.h"

std::string notAShowFolder() {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_directory("shaders", ec)) return {};
    const std::string here = "\"" + platform::printable(fs::current_path(ec).u8string()) + "\"";
    if (fs::exists("bin.txt", ec) || fs::exists("bin.bin", ec))
        return here + " holds no shaders/ folder, which the show draws with";
    return "there is no show in " + here + " (no shaders/, bin.txt or bin.bin)";
}

void createShowTargets(AppState& app) {
    const int w = app.window.width, h = app.window.height;
    // The creation order is part of the show's GL state history; sizes follow the window.
    createRenderTarget(app.targets[2], w, h, 0);  // the scene
    createRenderTarget(app.targets[3], w, h, 0);  // a second picture for the post pass
    createRenderTarget(app.targets[4], w, h, 0);  // the composite, and its feedback
    createRenderTarget(app.targets[5], w, h, 0);  // the post pass, and its feedback
    createRenderTarget(app.targets[6], w, h, 0);
    createRenderTarget(app.targets[0], w, h, 0);
    createRenderTarget(app.targets[7], w / 4, h / 4, 4);
    createRenderTarget(app.targets[1], w / 4, h / 4, 0);
    createRenderTarget(app.targets[8], 1024, 1024, 0);
}

void startup(AppState& app) {
    loadCameraFile(app.camera, "FreeCam.bin");  // missing: the camera keeps its initial values

    app.loader->inputs = &app.inputs;
    app.loader->load();
    createShowTargets(app);

    app.inputs.controller = &app.nano_kontrol2;
    // The mapped values start at 0, which reads as a speed knob at its middle (4x speed):
    // map the untouched controller now, or the first frame runs four times too fast.
    mapControllerInputs(app.nano_kontrol2, app.inputs);
    // Opened before the list is printed, so that the list can mark the port in use.
    if (!app.options.midi) {
        printf("MIDI: disabled (--no-midi).\n");
    } else if (!app.nano_kontrol2.start(app.options.midiPort)) {
        printf("nano_kontrol2.start() failed...\n");
    }
    MidiIn::printDeviceNames(app.nano_kontrol2.openedDevice());
    beginLearn(app);

    for (Part* part : app.parts) {
        part->inputs = &app.inputs;
        part->owner = &app;
        part->load();
    }

    // Decoding the whole track takes a quarter of a second: done before the clock starts,
    // so that the first frame and the first note still start together.
    // Batch modes play nothing: a capture takes its sound from the file itself.
    if (!app.options.batch() && platform::audio_init(app.options.audio)) {
        // As far as the show can play it: a longer track is not decoded and kept.
        app.musicSample = platform::music_load("music//Zo-velmora.mp3",
                                               static_cast<int64_t>((kShowEnd + 1.0f) * platform::kMusicRate));
        app.musicChannel = app.musicSample;
        // A cut track plays without a fault and then stops: say so before the silence does.
        const double seconds = platform::music_length(app.musicChannel) / double(platform::kMusicBytesPerSecond);
        if (app.musicChannel && seconds < kShowEnd - 5.0f)
            printf("Audio: \"music//Zo-velmora.mp3\" holds %.1f s of music, and the show runs %.0f s; the rest "
                   "plays in silence.\n", seconds, kShowEnd);
    }
    // The first frame's duration is measured from here, not from the start of loading,
    // and the music starts only now, with the first frame.
    app.lastTicks = platform::tick_count();
    platform::sleep_ms(5);
    // Playing starts at byte 0; a seek to 0 on top would skip the device's queue ahead
    // and lose the first notes.
    if (app.musicChannel) platform::music_play(app.musicChannel);
}

void beginInputSource(AppState& app) {
    if (!app.inputSource) return;
    app.inputSource->begin(app);
    mapControllerInputs(app.nano_kontrol2, app.inputs);
}
