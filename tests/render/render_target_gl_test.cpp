// Render targets on a real GL context: every colour output and the depth reach their
// textures, multisampled targets average, attachTextures(target, 1) leaves outputs 1 and 2
// alone, and the full-screen quad covers exactly the viewport.
#include "gl_helpers.h"
#include "gl_test_context.h"
#include "render/pass_timer.h"
#include "render/render_target.h"
#include "render/target_resize.h"

#include <array>

namespace {

const char* const kVertex = "#version 120\nvoid main() { gl_Position = gl_Vertex; gl_TexCoord[0] = gl_MultiTexCoord0; }\n";
// Three outputs of different colours, so that a swapped or missing attachment shows.
const char* const kThreeOutputs =
    "#version 120\n"
    "void main() {\n"
    "  gl_FragData[0] = vec4(1.0, 0.0, 0.0, 1.0);\n"
    "  gl_FragData[1] = vec4(0.0, 1.0, 0.0, 1.0);\n"
    "  gl_FragData[2] = vec4(0.0, 0.0, 1.0, 1.0);\n"
    "}\n";

constexpr std::array<uint8_t, 4> kRed = {255, 0, 0, 255}, kGreen = {0, 255, 0, 255}, kBlue = {0, 0, 255, 255};
constexpr std::array<uint8_t, 4> kMarker = {51, 102, 153, 255};

class RenderTargetGl : public GlTest {
protected:
    static constexpr int kSize = 32;
    RenderTarget target;

    void create(int samples) {
        createRenderTarget(target, kSize, kSize, samples);
        // Fill the resolve textures with a marker, so an output that never arrives shows.
        const GLenum all[3] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2};
        glBindFramebuffer(GL_FRAMEBUFFER, target.resolveFramebuffer);
        glDrawBuffers(3, all);
        glClearColor(kMarker[0] / 255.0f, kMarker[1] / 255.0f, kMarker[2] / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 1);
    }
    void drawThreeOutputs(float depth = 0.0f) {
        const GLenum all[3] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2};
        glBindFramebuffer(GL_FRAMEBUFFER, target.drawFramebuffer);
        glDrawBuffers(3, all);
        glViewport(0, 0, target.width, target.height);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const GLuint program = buildProgram(kVertex, kThreeOutputs);
        ASSERT_TRUE(linked(program));
        glUseProgram(program);
        glEnable(GL_DEPTH_TEST);
        glBegin(GL_QUADS);
        glVertex3f(-1, -1, depth);
        glVertex3f(1, -1, depth);
        glVertex3f(1, 1, depth);
        glVertex3f(-1, 1, depth);
        glEnd();
        glDisable(GL_DEPTH_TEST);
        glUseProgram(0);
        glDeleteProgram(program);
    }
    // Every pixel of the texture has this colour.
    static ::testing::AssertionResult filledWith(GLuint texture, const std::array<uint8_t, 4>& colour) {
        const std::vector<uint8_t> pixels = texturePixels(texture);
        if (pixels.empty()) return ::testing::AssertionFailure() << "empty texture";
        for (size_t i = 0; i < pixels.size(); i += 4)
            for (int c = 0; c < 4; ++c)
                if (pixels[i + c] != colour[c])
                    return ::testing::AssertionFailure() << "pixel " << i / 4 << " channel " << c << " is "
                                                         << int(pixels[i + c]) << ", expected " << int(colour[c]);
        return ::testing::AssertionSuccess();
    }
};

}  // namespace

TEST_F(RenderTargetGl, EachOfThreeOutputsAndTheDepthResolveIntoTheirTextures) {
    create(0);
    EXPECT_EQ(attachTextures(target, 3), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    drawThreeOutputs(0.5f);
    resolveRenderTarget(target, 3);
    EXPECT_TRUE(filledWith(target.textures[1], kRed));
    EXPECT_TRUE(filledWith(target.textures[2], kGreen));
    EXPECT_TRUE(filledWith(target.textures[3], kBlue));
    // NDC depth 0.5 lands at window depth 0.75.
    std::vector<float> depth(kSize * kSize, -1.0f);
    glBindTexture(GL_TEXTURE_2D, target.depthTexture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    EXPECT_NEAR(depth[0], 0.75f, 1e-3f);
    EXPECT_NEAR(depth[kSize * kSize - 1], 0.75f, 1e-3f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderTargetGl, CountIsClampedToOneToThree) {
    create(0);
    drawThreeOutputs();
    resolveRenderTarget(target, 0);
    EXPECT_TRUE(filledWith(target.textures[1], kRed));
    EXPECT_TRUE(filledWith(target.textures[2], kMarker));
    EXPECT_TRUE(filledWith(target.textures[3], kMarker));
    resolveRenderTarget(target, -4);
    EXPECT_TRUE(filledWith(target.textures[2], kMarker));
    resolveRenderTarget(target, 5);
    EXPECT_TRUE(filledWith(target.textures[2], kGreen));
    EXPECT_TRUE(filledWith(target.textures[3], kBlue));
}

TEST_F(RenderTargetGl, AttachingOneTextureLeavesOutputsOneAndTwoAsTheyWere) {
    create(0);
    // A copy of the record whose textures 2 and 3 are new: attaching one texture must not
    // touch attachments 1 and 2, so the resolve still lands in the original textures.
    RenderTarget copy = target;
    glGenTextures(1, &copy.textures[2]);
    glGenTextures(1, &copy.textures[3]);
    for (GLuint texture : {copy.textures[2], copy.textures[3]}) {
        glBindTexture(GL_TEXTURE_2D, texture);
        std::vector<uint8_t> marker;
        for (int i = 0; i < kSize * kSize; ++i) marker.insert(marker.end(), kMarker.begin(), kMarker.end());
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kSize, kSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, marker.data());
    }
    attachTextures(copy, 1);
    GLint attached = 0;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME,
                                          &attached);
    EXPECT_EQ(static_cast<GLuint>(attached), target.textures[2]);
    drawThreeOutputs();
    resolveRenderTarget(copy, 3);
    EXPECT_TRUE(filledWith(target.textures[1], kRed));
    EXPECT_TRUE(filledWith(target.textures[2], kGreen));
    EXPECT_TRUE(filledWith(target.textures[3], kBlue));
    EXPECT_TRUE(filledWith(copy.textures[2], kMarker));
    EXPECT_TRUE(filledWith(copy.textures[3], kMarker));
}

TEST_F(RenderTargetGl, FourSamplesAverageAlongAnEdgeSingleSampleDoesNot) {
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    if (maxSamples < 4) GTEST_SKIP() << "this GL offers " << maxSamples << " samples";
    for (int samples : {0, 4}) {
        RenderTarget t;
        createRenderTarget(t, kSize, kSize, samples);
        glBindFramebuffer(GL_FRAMEBUFFER, t.drawFramebuffer);
        glDrawBuffer(GL_COLOR_ATTACHMENT0);
        glViewport(0, 0, kSize, kSize);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3f(1, 1, 1);
        glBegin(GL_TRIANGLES);  // a diagonal edge crossing pixels part-way
        glVertex2f(-1, -1);
        glVertex2f(1, -1);
        glVertex2f(-1, 0.9f);
        glEnd();
        resolveRenderTarget(t, 1);
        const std::vector<uint8_t> pixels = texturePixels(t.textures[1]);
        int partial = 0, full = 0;
        for (size_t i = 0; i < pixels.size(); i += 4) {
            if (pixels[i] == 255) ++full;
            if (pixels[i] > 0 && pixels[i] < 255) ++partial;
        }
        EXPECT_GT(full, kSize * kSize / 3) << samples << " samples";
        if (samples == 0)
            EXPECT_EQ(partial, 0);
        else
            EXPECT_GE(partial, kSize / 2) << "the edge pixels of a 4-sample target are averaged";
    }
}

TEST_F(RenderTargetGl, AspectIsWidthOverHeight) {
    RenderTarget fresh;
    EXPECT_FALSE(fresh.created);
    EXPECT_EQ(fresh.aspect, 1.0f);
    createRenderTarget(target, 480, 270, 0);
    EXPECT_TRUE(target.created);
    EXPECT_FLOAT_EQ(target.aspect, 480.0f / 270.0f);
    EXPECT_EQ(textureWidth(target.textures[0]), 480) << "the spare texture has the target's size";
    RenderTarget square;
    createRenderTarget(square, 1024, 1024, 0);
    EXPECT_EQ(square.aspect, 1.0f);
}

TEST_F(RenderTargetGl, FullscreenQuadFillsTheViewportWithTheTextureUpright) {
    // A 2 x 2 texture, one colour per corner, row 0 at the bottom.
    const uint8_t texels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    glViewport(64, 32, 100, 80);
    drawFullscreenQuad();
    glDisable(GL_TEXTURE_2D);
    const auto inside = readPixels(64, 32, 100, 80);
    const auto pixel = [&](int x, int y) { return std::vector<uint8_t>(&inside[(y * 100 + x) * 4], &inside[(y * 100 + x) * 4 + 3]); };
    EXPECT_EQ(pixel(0, 0), (std::vector<uint8_t>{255, 0, 0}));
    EXPECT_EQ(pixel(99, 0), (std::vector<uint8_t>{0, 255, 0}));
    EXPECT_EQ(pixel(0, 79), (std::vector<uint8_t>{0, 0, 255}));
    EXPECT_EQ(pixel(99, 79), (std::vector<uint8_t>{255, 255, 255}));
    // Every pixel of the viewport and nothing outside it.
    const auto whole = readPixels(0, 0, kWidth, kHeight);
    int lit = 0;
    for (size_t i = 0; i < whole.size(); i += 4)
        if (whole[i] | whole[i + 1] | whole[i + 2]) ++lit;
    EXPECT_EQ(lit, 100 * 80);
    glDeleteTextures(1, &texture);
}

TEST_F(RenderTargetGl, PassTimesAreReadBackFramesLaterWithoutGlErrors) {
    PassTimer timer;
    EXPECT_EQ(timer.meanMs(1), -1.0);
    timer.begin(1);  // off: no query is made
    timer.end(1);
    timer.enabled = true;
    for (int frame = 0; frame < 8; ++frame) {
        for (int pass : {1, 3}) {
            timer.begin(pass);
            drawFullscreenQuad();
            timer.end(pass);
        }
        timer.frameDone();
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_GE(timer.meanMs(1), 0.0) << "read back once the ring came round";
    EXPECT_GE(timer.meanMs(3), 0.0);
    EXPECT_EQ(timer.meanMs(0), -1.0) << "a pass never timed has no figure";
}

TEST_F(RenderTargetGl, ResizingScalesTheKeptPictureAndEmptiesTheRest) {
    create(0);
    // A left-to-right ramp in the kept texture, the marker in the others.
    std::vector<uint8_t> ramp(kSize * kSize * 4);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            uint8_t* p = &ramp[(y * kSize + x) * 4];
            p[0] = static_cast<uint8_t>(x * 8);
            p[1] = 100;
            p[2] = static_cast<uint8_t>(255 - x * 8);
            p[3] = 200;
        }
    glBindTexture(GL_TEXTURE_2D, target.textures[1]);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, ramp.data());
    glEnable(GL_SCISSOR_TEST);  // the show's state may have it on: the resize must not clip
    glScissor(0, 0, 1, 1);
    resizeRenderTarget(target, 16, 8, true);
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    glDisable(GL_SCISSOR_TEST);
    EXPECT_EQ(target.width, 16);
    EXPECT_EQ(target.height, 8);
    EXPECT_FLOAT_EQ(target.aspect, 2.0f);
    const std::vector<uint8_t> kept = texturePixels(target.textures[1]);
    ASSERT_EQ(kept.size(), 16u * 8 * 4);
    for (int x = 0; x < 16; ++x) {
        const uint8_t* p = &kept[(4 * 16 + x) * 4];
        EXPECT_NEAR(p[0], x * 16 + 4, 3) << x;  // two source texels per texel, averaged
        EXPECT_EQ(p[1], 100);
        EXPECT_EQ(p[3], 200) << "the trail mask in alpha goes along";
    }
    for (int i : {0, 2, 3}) EXPECT_TRUE(filledWith(target.textures[i], {0, 0, 0, 0})) << i;
    // Drawing and resolving work at the new size.
    drawThreeOutputs();
    resolveRenderTarget(target, 3);
    EXPECT_TRUE(filledWith(target.textures[3], kBlue));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const GLuint name = target.textures[1];
    resizeRenderTarget(target, 16, 8, true);  // the same size: nothing happens
    EXPECT_EQ(target.textures[1], name);
}

TEST_F(RenderTargetGl, ResizingWithoutEmptyingStillScalesTheKeptPictureAndDraws) {
    // The show's steps leave the new storage uncleared; the kept picture and the
    // attachments must be as with emptying.
    create(0);
    std::vector<uint8_t> ramp(kSize * kSize * 4);
    for (int i = 0; i < kSize * kSize; ++i) {
        uint8_t* p = &ramp[i * 4];
        p[0] = static_cast<uint8_t>((i % kSize) * 8), p[1] = 100, p[2] = 0, p[3] = 200;
    }
    glBindTexture(GL_TEXTURE_2D, target.textures[1]);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, ramp.data());
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    resizeRenderTarget(target, 16, 8, true, false);
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    glDisable(GL_SCISSOR_TEST);
    EXPECT_EQ(target.width, 16);
    EXPECT_EQ(target.height, 8);
    const std::vector<uint8_t> kept = texturePixels(target.textures[1]);
    ASSERT_EQ(kept.size(), 16u * 8 * 4);
    for (int x = 0; x < 16; ++x) EXPECT_NEAR(kept[(4 * 16 + x) * 4], x * 16 + 4, 3) << x;
    for (int i : {0, 2, 3}) EXPECT_EQ(textureWidth(target.textures[i]), 16) << i;
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(attachTextures(target, 3), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    drawThreeOutputs();
    resolveRenderTarget(target, 3);
    EXPECT_TRUE(filledWith(target.textures[2], kGreen));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
