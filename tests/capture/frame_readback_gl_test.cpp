#include "capture/frame_readback.h"

#include <string>
#include <vector>

#include "app/window_picture.h"
#include "gl_test_context.h"

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
        readFrame(ring, 0);
    }
    EXPECT_EQ(reds.size(), 2u) << "three frames stay in flight";
    while (collectFrame(ring, pixels.data())) reds.push_back(pixels[2]);
    EXPECT_EQ(reds, (std::vector<int>{0, 40, 80, 120, 160}));
    const uint8_t* top = &pixels[(kHeight - 1) * kWidth * 4];
    EXPECT_EQ(std::vector<int>(top, top + 4), (std::vector<int>{255, 0, 0, 255}));  // blue, as B G R A
    endReadback(ring);
}

// Where the picture is drawn off-screen (app/window_picture.h) it is read from there, not
// from the window.
TEST_F(CaptureReadback, FramesAreReadFromTheOffscreenPicture) {
    TGLWindow window;
    window.width = kWidth, window.height = kHeight;
    std::string error;
    ASSERT_TRUE(useOffscreenPicture(window, error)) << error;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClearColor(0, 1, 0, 1);  // the window: green
    glClear(GL_COLOR_BUFFER_BIT);
    bindPicture(window);
    glClearColor(0, 0, 1, 1);  // the picture: blue
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    FrameReadback ring;
    beginReadback(ring, kWidth, kHeight);
    readFrame(ring, window.pictureFramebuffer);
    std::vector<uint8_t> pixels(kWidth * kHeight * 4);
    ASSERT_TRUE(collectFrame(ring, pixels.data()));
    EXPECT_EQ(std::vector<int>(pixels.begin(), pixels.begin() + 4), (std::vector<int>{255, 0, 0, 255}));
    const uint8_t* last = &pixels[pixels.size() - 4];
    EXPECT_EQ(std::vector<int>(last, last + 4), (std::vector<int>{255, 0, 0, 255}));
    endReadback(ring);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &window.pictureFramebuffer);
    glDeleteRenderbuffers(1, &window.pictureColour);
}
