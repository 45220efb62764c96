// A real OpenGL context for GL tests (compatibility profile, like the show's), on a
// hidden window. Run the tests under xvfb-run; without a display the fixture skips.
#pragma once
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

struct SDL_Window;

class GlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    // RGBA pixels of the current read framebuffer, bottom row first.
    static std::vector<uint8_t> readPixels(int x, int y, int width, int height);
    // Number of pixels in the region whose channel c exceeds threshold.
    static int countAbove(const std::vector<uint8_t>& rgba, int channel, int threshold);

    static constexpr int kWidth = 256;
    static constexpr int kHeight = 256;

private:
    static SDL_Window* window_;
    static void* context_;
};
