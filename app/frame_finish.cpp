#include "app/frame_finish.h"

#include "platform/gl.h"

#include <cstdio>

#include "app/frame_loop.h"
#include "app/input_source.h"

namespace {

float mapped(const NanoKONTROL2& c, int number) { return 2.0f * c.value(number) / 127.0f - 1.0f; }

}  // namespace

void mapControllerInputs(const NanoKONTROL2& c, SceneInputs& in) {
    for (int i = 0; i < 3; ++i) {
        in.faders[i] = mapped(c, 5 + i);
        in.faderSteps[i] = static_cast<int32_t>(c.value(5 + i));
        in.knobsHigh[i] = mapped(c, 21 + i);
    }
    for (int i = 0; i < 6; ++i) in.knobs[i] = mapped(c, 16 + i);
}

void finishFrame(AppState& app) {
    stepLearn(app);  // its prompt over the finished picture
    if (app.options.glCheck) {
        for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) {
            printf("GL error 0x%04x in frame %d\n", e, app.frameCount + 1);
            ++app.glErrors;
        }
    }
    resetGlState(app);
    app.frameCount += 1;
    // A camera that cannot be kept is said once, not every 30 frames: the run goes on. A
    // replay's camera is the take's: the performer's own stays as it was.
    const bool replaying = app.inputSource && app.inputSource->replaying();
    if (app.frameCount % 30 == 0 && !replaying && !saveCameraFile(app.camera, "FreeCam.bin") && !app.cameraUnsaved) {
        app.cameraUnsaved = true;
        printf("FreeCam.bin cannot be written in the show's folder; the camera will not be kept for the next run\n");
    }
    // The state every part starts its frame with.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    mapControllerInputs(app.nano_kontrol2, app.inputs);
    for (GLenum mode : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(mode);
        glLoadIdentity();
    }
}
