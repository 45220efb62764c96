// Warming up during loading: every scene, in each of its variants, renders frames into
// small off-screen targets, so the driver compiles its shader variants for every program
// and state combination now, not on the frame where the show first needs them (llvmpipe
// takes up to a second and a half for the first frame's set when its shader cache is
// cold). Then everything the show can see is put back as it was: the part's members, the
// texture slots, the generator's state; the show's own targets are never touched.
#include "platform/gl.h"

#include <algorithm>
#include <vector>

#include "app/app_state.h"
#include "app/frame_loop.h"
#include "app/window_picture.h"
#include "clips/part_clips.h"
#include "platform/runtime_random.h"
#include "platform/tick_clock.h"
#include "render/render_target.h"
#include "render/target_resize.h"

namespace {

// Edit positions that reach every scene and every branch inside one: the carousel and the
// sliding pair, the swarm, the credits before and after they roll, and so on.
const float kWarmUpPositions[] = {5,   15,  25,  35,  41,  55,  65,  77,  85,  92,    97,  105, 117,
                                  127, 136, 145, 157, 165, 172, 177, 184, 200, 215,   225, 235, 283,
                                  300.5f, 304, 335, 345, 385, 505};

// Where the warm-up times whole frames at the window's size for the render scale's start:
// the opening's pictures, a scene of models over footage, the walking figure. The median
// frame stands for the show: a cheap or dear scene alone does not set the start.
const float kProbePositions[] = {5, 97, 215};

// The driver picks code by whether a texture's sides are powers of two: the small targets
// match the show's in that.
int smallSide(int side, int powerOfTwo, int other) { return (side & (side - 1)) == 0 ? powerOfTwo : other; }

void destroyTarget(RenderTarget& t) {
    glDeleteRenderbuffers(3, t.colorBuffers);
    glDeleteRenderbuffers(1, &t.depthBuffer);
    glDeleteFramebuffers(1, &t.drawFramebuffer);
    glDeleteFramebuffers(1, &t.resolveFramebuffer);
    glDeleteTextures(4, t.textures);
    glDeleteTextures(1, &t.depthTexture);
    t = RenderTarget();
}

}  // namespace

void Part_Clips::warmUp() {
    AppState& app = *owner;
    const RenderTarget& shown = app.targets[5];
    const int width = smallSide(shown.width, 32, 36), height = smallSide(shown.height, 16, 20);
    RenderTarget saved[4];
    for (int i = 0; i < 4; ++i) {
        saved[i] = app.targets[2 + i];
        createRenderTarget(app.targets[2 + i], width, height, 0);
    }
    const float savedClock = clock, savedEndClock = endClock;
    const int32_t savedCount = count;
    const uint32_t savedRandom = platform::runtime_random_state();
    ImageTexture slots[17];
    for (int i = 0; i < 17; ++i) slots[i] = textures[i];

    // Forwards, with the second reel's slot still empty before its scenes; then backwards,
    // with it filled (the show keeps it once a scene has filled it) and each scene after
    // another one than the first time (a scene inherits some of its state from the one
    // before). The way back keeps the pictures the way forth loaded.
    warmingUp = true;
    const int n = static_cast<int>(sizeof kWarmUpPositions / sizeof kWarmUpPositions[0]);
    for (int k = 0; k < 2 * n; ++k) {
        warmUpKeepsPictures = k >= n;
        ttime = cttime = fttime = kWarmUpPositions[k < n ? k : 2 * n - 1 - k];
        clock = 100.0f;  // the part clock at which the overlay ant walks
        resetGlState(app);  // every frame of the show starts from the state the driver leaves
        render();
    }
    // A step of the render scale resamples the composite's history with a linear blit,
    // whose shaders the driver would otherwise compile on the first step, mid-show.
    resizeRenderTarget(app.targets[4], width - 2, height - 2, true);
    resetGlState(app);
    glFinish();
    // A live show with auto and room to shrink starts at the scale its frames leave room
    // for. A take starts at 1: its replay must step exactly as the performance did.
    if (renderScale.adaptive() && renderScale.lowestAllowed() < 1.0f && !app.inputSource) {
        for (int i = 0; i < 4; ++i) {
            destroyTarget(app.targets[2 + i]);
            createRenderTarget(app.targets[2 + i], app.window.width, app.window.height, 0);
        }
        std::vector<double> seconds;
        // The first frame at this size is not timed: the driver sets up its new storage then.
        for (int k = -1; k < static_cast<int>(sizeof kProbePositions / sizeof kProbePositions[0]); ++k) {
            ttime = cttime = fttime = kProbePositions[std::max(k, 0)];
            clock = 100.0f;
            resetGlState(app);
            glFinish();
            const int64_t start = platform::tick_count();
            render();
            glFinish();
            if (k >= 0) seconds.push_back(static_cast<double>(platform::tick_count() - start) / platform::kTicksPerSecond);
        }
        std::nth_element(seconds.begin(), seconds.begin() + static_cast<long>(seconds.size() / 2), seconds.end());
        renderScale.startFrom(seconds[seconds.size() / 2]);
        resetGlState(app);
    }
    warmingUp = warmUpKeepsPictures = false;

    for (int i = 0; i < 4; ++i) {
        destroyTarget(app.targets[2 + i]);
        app.targets[2 + i] = saved[i];
    }
    // The slots the scenes fill go back to never having held a picture; the pictures
    // loaded from files get back the sampling they had (a scene sets its background's wrap).
    for (int i = 0; i < 17; ++i) {
        if (textures[i].generated && textures[i].id != slots[i].id) glDeleteTextures(1, &textures[i].id);
        textures[i] = slots[i];
        resetSampling(textures[i]);
    }
    ttime = cttime = fttime = 0.0f;
    theType = 0;
    type = 0;
    clock = savedClock;
    endClock = savedEndClock;
    count = savedCount;
    platform::set_runtime_random_state(savedRandom);
    timing = SceneTiming();
    lastFrameTicks = 0;
    bindPicture(app.window);
}
