#include "app/app_state.h"
#include "app/frame_readback.h"
#include "app/startup.h"
#include "gl_test_context.h"

class StartupTargets : public GlTest {};

TEST_F(StartupTargets, SizesFollowTheWindowAndTheSmallOnesAreAQuarter) {
    for (auto size : {std::pair<int, int>{1280, 720}, {2560, 1440}, {1282, 723}}) {
        auto app = std::make_unique<AppState>();
        app->window.width = size.first;
        app->window.height = size.second;
        createShowTargets(*app);
        for (int i : {0, 2, 3, 4, 5, 6}) {
            EXPECT_EQ(app->targets[i].width, size.first);
            EXPECT_EQ(app->targets[i].height, size.second);
        }
        EXPECT_EQ(app->targets[7].width, size.first / 4);
        EXPECT_EQ(app->targets[1].height, size.second / 4);
        EXPECT_EQ(app->targets[8].width, 1024);
        EXPECT_EQ(app->targets[8].height, 1024);
        EXPECT_FLOAT_EQ(app->targets[8].aspect, 1.0f);
        for (const RenderTarget& t : app->targets) EXPECT_TRUE(t.created);
        // The quarter-size target is the multisampled one.
        GLint samples = -1;
        glBindRenderbuffer(GL_RENDERBUFFER, app->targets[7].colorBuffers[0]);
        glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &samples);
        EXPECT_EQ(samples, 4);
        glBindRenderbuffer(GL_RENDERBUFFER, app->targets[1].colorBuffers[0]);
        glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &samples);
        EXPECT_EQ(samples, 0);
    }
}

class CaptureReadback : public GlTest {};

// A capture hands frames on in the order they were drawn, each complete, bottom row first
// and in BGRA, although every read waits in the ring for frames after it.
TEST_F(CaptureReadback, FramesComeOutInOrderBottomRowFirstAsBgra) {
    FrameReadback ring;
    beginReadback(ring, kWidth, kHeight);
    std::vector<uint8_t> pixels(kWidth * kHeight * 4);
    std::vector<int> reds;
    for (int frame = 0; frame < 5; ++frame) {
        if (readbackFull(ring)) {
            ASSERT_TRUE(collectFrame(ring, pixels.data()));
            reds.push_back(pixels[2]);
        }
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClearColor(frame * 40 / 255.0f, 0, 0, 1);  // the bottom half says which frame
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, kHeight / 2, kWidth, kHeight / 2);
        glClearColor(0, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
        readFrame(ring);
    }
    EXPECT_EQ(reds.size(), 2u) << "three frames stay in flight";
    while (collectFrame(ring, pixels.data())) reds.push_back(pixels[2]);
    EXPECT_EQ(reds, (std::vector<int>{0, 40, 80, 120, 160}));
    const uint8_t* top = &pixels[(kHeight - 1) * kWidth * 4];
    EXPECT_EQ(std::vector<int>(top, top + 4), (std::vector<int>{255, 0, 0, 255}));  // blue, as B G R A
    endReadback(ring);
}
