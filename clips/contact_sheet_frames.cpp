#include "clips/contact_sheet_frames.h"

#include <algorithm>
#include <vector>

#include "app/app_state.h"
#include "app/window_picture.h"
#include "clips/contact_sheet.h"
#include "clips/part_clips.h"
#include "platform/gl.h"

float contactSheetPosition(int index) {
    // Positions where each scene shows its content: past the fades and growth starts.
    static const float positions[25] = {5,   15,  25,  35,  41,  55,  65,  77,  85,  97,  105, 117, 127,
                                        136, 157, 165, 177, 184, 200, 235, 283, 304, 345, 385, 505};
    return positions[index];
}

ContactSheetLayout contactSheetLayout(const Part_Clips& clips) {
    // The window's picture, whatever the scale the targets are drawn at.
    const AppState& app = *clips.owner;
    const int w = app.window.width, h = app.window.height;
    ContactSheetLayout layout;
    layout.cellW = std::min(w, 480);
    layout.cellH = layout.cellW * h / w;
    return layout;
}

void renderContactSheetFrames(Part_Clips& clips, const ContactSheetFrame& frame) {
    AppState& app = *clips.owner;
    const int w = app.window.width, h = app.window.height;
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 4);
    for (int i = 0; i < kSheetColumns * kSheetRows; ++i) {
        const float x = contactSheetPosition(i);
        // A few frames at the same position let the feedback passes settle into this scene.
        for (int step = 0; step < 4; ++step) {
            clips.cttime = clips.fttime = clips.ttime = x;
            clips.clock = std::min(x, 290.0f);  // the part clock stays before the show's end
            app.inputs.time += 0.04f;
            clips.render();
            glFinish();
        }
        bindPictureForReading(app.window);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
        if (app.window.window) platform::swap_window(app.window.window);
        frame(i, x, pixels.data(), w, h);
    }
}
