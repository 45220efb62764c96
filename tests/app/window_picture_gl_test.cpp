// The off-screen picture that pictures read back are drawn into where a window's own
// pixels are not all there (Windows): whole at any size, apart from the window, shown in
// the window with its shape kept.
#include <SDL.h>

#include <memory>

#include "app/app_state.h"
#include "app/frame_loop.h"
#include "app/window_picture.h"
#include "gl_test_context.h"

class WindowPicture : public GlTest {
protected:
    void TearDown() override {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        if (window.pictureFramebuffer) glDeleteFramebuffers(1, &window.pictureFramebuffer);
        if (window.pictureColour) glDeleteRenderbuffers(1, &window.pictureColour);
    }
    // The picture drawn so far: the whole of it, BGRA, bottom row first.
    std::vector<uint8_t> readPicture() {
        bindPictureForReading(window);
        std::vector<uint8_t> pixels(static_cast<size_t>(window.width) * window.height * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, window.width, window.height, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
    TGLWindow window;
};

// Wider than the test's 256 x 256 window: the columns past the window's edge read back
// as drawn, and the window's own pixels stay as they were.
TEST_F(WindowPicture, APictureLargerThanTheWindowReadsBackWholeAndLeavesTheWindowAlone) {
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    window.width = 300, window.height = 200;
    std::string error;
    ASSERT_TRUE(useOffscreenPicture(window, error)) << error;
    ASSERT_NE(window.pictureFramebuffer, 0u);
    bindPicture(window);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(299, 0, 1, 200);  // the last column, past the window
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    const std::vector<uint8_t> picture = readPicture();
    for (int y : {0, 199}) {
        const uint8_t* last = &picture[(static_cast<size_t>(y) * 300 + 299) * 4];
        EXPECT_EQ(std::vector<int>(last, last + 4), (std::vector<int>{255, 0, 0, 255})) << "blue, alpha 1, row " << y;
        const uint8_t* first = &picture[static_cast<size_t>(y) * 300 * 4];
        EXPECT_EQ(std::vector<int>(first, first + 4), (std::vector<int>{0, 0, 255, 255})) << "red, row " << y;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    const std::vector<uint8_t> own = readPixels(128, 128, 1, 1);
    EXPECT_EQ(std::vector<int>(own.begin(), own.end()), (std::vector<int>{0, 255, 0, 255})) << "the window's pixels";
}

// Every pass of a frame starts from resetGlState and the part's own binds: the picture.
TEST_F(WindowPicture, TheFramesStateBindsThePicture) {
    auto app = std::make_unique<AppState>();
    app->window.width = 64, app->window.height = 32;
    std::string error;
    ASSERT_TRUE(useOffscreenPicture(app->window, error)) << error;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    resetGlState(*app);
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), app->window.pictureFramebuffer);
    int w = 0, h = 0;
    pictureSize(app->window, w, h);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 32);
    window = app->window;  // deleted by TearDown
}

// A 128 x 64 picture in the 256 x 256 window: twice its size, centred, black above and below.
TEST_F(WindowPicture, ShownInTheWindowScaledWithItsShapeKept) {
    window.window = reinterpret_cast<platform::GlWindow*>(SDL_GL_GetCurrentWindow());
    ASSERT_NE(window.window, nullptr);
    window.width = 128, window.height = 64;
    std::string error;
    ASSERT_TRUE(useOffscreenPicture(window, error)) << error;
    bindPicture(window);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    presentPicture(window);
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), window.pictureFramebuffer) << "the picture stays bound";
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    const std::vector<uint8_t> column = readPixels(128, 0, 1, 256);
    for (int y : {0, 63, 64, 191, 192, 255}) {
        const int red = column[static_cast<size_t>(y) * 4], green = column[static_cast<size_t>(y) * 4 + 1];
        const bool inside = y >= 64 && y < 192;
        EXPECT_EQ(red, inside ? 255 : 0) << "row " << y;
        EXPECT_EQ(green, 0) << "row " << y;
    }
}
