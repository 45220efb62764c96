// Fixture and helpers for the tests of the show's shaders: the four programs built once
// per test program from a copy of the sources, pictures read back from textures and the
// window, and the small statistics the pixel tests compare.
#pragma once
#include <GL/glew.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "gl_test_context.h"
#include "show_passes.h"

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // row 0 first (the bottom row of a GL picture)

    int at(int x, int y, int channel) const { return rgba[(static_cast<size_t>(y) * width + x) * 4 + channel]; }

    // Mean of one channel over [x0, x1) x [y0, y1).
    double mean(int x0, int y0, int x1, int y1, int channel) const {
        double sum = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) sum += at(x, y, channel);
        return sum / ((x1 - x0) * (y1 - y0));
    }
    double deviation(int x0, int y0, int x1, int y1, int channel) const {
        const double m = mean(x0, y0, x1, y1, channel);
        double sum = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) sum += (at(x, y, channel) - m) * (at(x, y, channel) - m);
        return std::sqrt(sum / ((x1 - x0) * (y1 - y0)));
    }
    // Share of the pixels in [x0, x1) x [y0, y1) equal to all four neighbours in one
    // channel: most of a banded picture, little of a dithered one.
    double flatShare(int x0, int y0, int x1, int y1, int channel) const {
        int flat = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const int v = at(x, y, channel);
                if (at(x - 1, y, channel) == v && at(x + 1, y, channel) == v && at(x, y - 1, channel) == v &&
                    at(x, y + 1, channel) == v)
                    ++flat;
            }
        return static_cast<double>(flat) / ((x1 - x0) * (y1 - y0));
    }
    // Longest run of equal values of one channel along row y: the width of a band.
    int longestRun(int y, int channel) const {
        int best = 1, run = 1;
        for (int x = 1; x < width; ++x) {
            run = at(x, y, channel) == at(x - 1, y, channel) ? run + 1 : 1;
            best = std::max(best, run);
        }
        return best;
    }
};

inline Picture readTexture(GLuint texture) {
    Picture p;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &p.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &p.height);
    p.rgba = texturePixels(texture);
    return p;
}

inline Picture readWindow(int width, int height) {
    Picture p;
    p.width = width;
    p.height = height;
    p.rgba.resize(static_cast<size_t>(width) * height * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, p.rgba.data());
    return p;
}

inline std::array<uint8_t, 4> grey(uint8_t v) { return {v, v, v, 255}; }

// A texture of one colour.
inline GLuint flatTexture(uint8_t r, uint8_t g, uint8_t b, int size = 8) {
    return makeTexture(size, size, [=](int, int) { return std::array<uint8_t, 4>{r, g, b, 255}; });
}

// Film-grain-like picture around mid-grey: a fixed pseudo-random pattern.
inline GLuint grainTexture(int width, int height, int spread) {
    return makeTexture(width, height, [=](int x, int y) {
        uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u;
        h ^= h >> 13;
        h *= 0x5bd1e995u;
        h ^= h >> 15;
        return grey(static_cast<uint8_t>(128 + static_cast<int>(h % (2 * spread + 1)) - spread));
    });
}

class ShowShaderTest : public GlTest {
protected:
    static void TearDownTestSuite() {
        if (loaded_) leaveShaderCopy(folder_);
        loaded_ = false;
    }
    void SetUp() override {
        GlTest::SetUp();
        if (IsSkipped()) return;
        if (!loaded_) {
            folder_ = enterShaderCopy();
            ASSERT_FALSE(folder_.empty()) << "could not copy the show's shader sources";
            loadShowPrograms(programs_);
            loaded_ = true;
        }
    }

    ShowPrograms& programs() { return programs_; }

    // Sets the object program up as render() leaves it for the scenes, with the given
    // mode and edit position, knobs untouched unless given.
    void useObject(float mode, float cl = 0.0f, float ttime = 50.0f, std::array<float, 5> knobs = {-1, -1, -1, -1, -1}) {
        const ShaderProgram& p = programs_.object;
        glUseProgram(p.program);
        setUniformFloat(p, "Mode", mode);
        setUniformFloat(p, "cl", cl);
        setUniformFloat(p, "ttime", ttime);
        static const char* const names[5] = {"k0", "k1", "k2", "k3", "k4"};
        for (int i = 0; i < 5; ++i) setUniformFloat(p, names[i], knobs[i]);
    }

    // A picture drawn the way the scenes draw their backgrounds: identity matrices, no
    // program, texturing on, glColor white, the full-screen quad, then depth cleared.
    static void drawBackground(GLuint texture) {
        glUseProgram(0);
        for (GLenum mode : {GL_PROJECTION, GL_MODELVIEW}) {
            glMatrixMode(mode);
            glLoadIdentity();
        }
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
        glColor4f(1, 1, 1, 1);
        drawFullscreenQuad();
        glDisable(GL_TEXTURE_2D);
        glClear(GL_DEPTH_BUFFER_BIT);
    }

private:
    static inline ShowPrograms programs_;
    static inline std::string folder_;
    static inline bool loaded_ = false;
};

// Replaces the whole picture of an existing texture (a target's colour texture).
inline void fillTexture(GLuint texture, int width, int height, const TexelFill& fill) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::array<uint8_t, 4> c = fill(x, y);
            std::copy(c.begin(), c.end(), pixels.begin() + (static_cast<size_t>(y) * width + x) * 4);
        }
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
}
