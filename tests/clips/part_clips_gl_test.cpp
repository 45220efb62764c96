#include <memory>

#include "app/app_state.h"
#include "app/startup.h"
#include "clips/part_clips.h"
#include "gl_test_context.h"
#include "midi/nano_kontrol2.h"

namespace {

// A Part_Clips on a small window-sized set of targets, without loading any asset.
struct ClipsRig {
    std::unique_ptr<AppState> app = std::make_unique<AppState>();
    std::unique_ptr<Part_Clips> clips = std::make_unique<Part_Clips>();
    ClipsRig() {
        app->window.width = 64;
        app->window.height = 36;
        app->window.aspect = 64.0f / 36.0f;
        createShowTargets(*app);
        clips->owner = app.get();
        clips->inputs = &app->inputs;
        app->inputs.controller = &app->nano_kontrol2;
        for (float& k : app->inputs.knobs) k = -1;
        for (float& k : app->inputs.knobsHigh) k = -1;
    }
    // The scene for edit position x, read back from the scene target's first output.
    std::vector<uint8_t> sceneAt(float x) {
        RenderTarget& t = app->targets[2];
        attachTextures(t, 3);
        glBindFramebuffer(GL_FRAMEBUFFER, t.drawFramebuffer);
        glViewport(0, 0, t.width, t.height);
        clips->clock = x;
        clips->dispatchScene();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, t.drawFramebuffer);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
        std::vector<uint8_t> px(4);
        glReadPixels(t.width / 2, t.height / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return px;
    }
};

}  // namespace

class PartClipsGl : public GlTest {};

TEST_F(PartClipsGl, DispatchClearsWithTheScenesColourAndDarkRedOutside) {
    ClipsRig rig;
    // Nothing is loaded here: the terrain scene shows only its white clear, the title scene
    // only its second, black clear.
    EXPECT_EQ(rig.sceneAt(285.0f)[1], 255);
    EXPECT_EQ(rig.sceneAt(509.999f)[0], 0);
    const std::vector<uint8_t> outside = rig.sceneAt(510.0f);
    EXPECT_NEAR(outside[0], 128, 1);                // no scene: dark red
    EXPECT_EQ(outside[1], 0);
    EXPECT_NEAR(rig.sceneAt(-1.0f)[0], 128, 1);
}

TEST_F(PartClipsGl, UpdateLooksUpTheClockBeforeAdvancingIt) {
    ClipsRig rig;
    rig.app->dt = 0.02f;
    rig.clips->clock = 0.0f;
    rig.clips->update();
    EXPECT_FLOAT_EQ(rig.clips->cttime, 12.0005f);  // the edit's first frame
    EXPECT_EQ(rig.clips->fttime, rig.clips->cttime);
    EXPECT_FLOAT_EQ(rig.clips->ttime, 12.0f);  // the unbuilt remap: identity, to the millisecond
    EXPECT_FLOAT_EQ(rig.clips->clock, 0.02f);
    rig.app->keys[4] = true;  // A: back to the start of the edit
    rig.clips->update();
    EXPECT_EQ(rig.clips->clock, -100.0f);
    rig.clips->update();
    EXPECT_FLOAT_EQ(rig.clips->cttime, 12.0005f);
}

TEST_F(PartClipsGl, FrameNamesEndTheShowAfter296Seconds) {
    ClipsRig rig;
    rig.clips->endClock = 296.0f;
    EXPECT_EQ(rig.clips->frameName("c://videos//outputN", 12), "c://videos//outputN00012_n.jpg");
    rig.clips->endClock = 296.001f;
    EXPECT_EXIT(rig.clips->frameName("c://videos//outputN", 12), testing::ExitedWithCode(0), "");
}

TEST_F(PartClipsGl, MissingArchiveKeepsEveryTexture) {
    ClipsRig rig;
    rig.clips->archive.open(testing::TempDir() + "no-archive-here");
    rig.clips->fetchFrames(50, 55.0f);
    EXPECT_FALSE(rig.clips->textures[textureVideo].loaded);
    EXPECT_FALSE(rig.clips->textures[textureNoise].loaded);
}
