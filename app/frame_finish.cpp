#include "app/frame_finish.h"

#include <GL/glew.h>

#include "app/frame_loop.h"

void finishFrame(AppState& app) {
    resetGlState();
    app.frameCount += 1;
    // The state every part starts its frame with.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    for (GLenum mode : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(mode);
        glLoadIdentity();
    }
}
