#include "app/app_state.h"
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
