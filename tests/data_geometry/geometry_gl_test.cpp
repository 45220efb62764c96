// The generated models drawn for real: the figure as the fog scene draws it must come out
// as one connected silhouette, and every scene model must show up under its scene's camera.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "clips/ply_mesh.h"
#include "generated_pack.h"
#include "gl_test_context.h"
#include "models/body.h"
#include "models/objmodel.h"
#include "scene_views.h"

using namespace geometry_test;

namespace {

// An off-screen target of the show's shape, larger than the test window.
class Target {
public:
    Target(int width, int height) : width_(width), height_(height) {
        glGenFramebuffers(1, &fbo_);
        glGenRenderbuffers(2, rb_);
        glBindRenderbuffer(GL_RENDERBUFFER, rb_[0]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        glBindRenderbuffer(GL_RENDERBUFFER, rb_[1]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, rb_[0]);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, rb_[1]);
        glViewport(0, 0, width, height);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glColor4f(1, 1, 1, 1);
    }
    ~Target() {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &fbo_);
        glDeleteRenderbuffers(2, rb_);
    }
    bool complete() const { return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE; }
    // True where something was drawn (the red channel of a white model on black).
    std::vector<bool> lit() const {
        std::vector<uint8_t> rgba(static_cast<size_t>(width_) * height_ * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        std::vector<bool> on(static_cast<size_t>(width_) * height_);
        for (size_t i = 0; i < on.size(); ++i) on[i] = rgba[4 * i] > 0;
        return on;
    }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    int width_, height_;
    GLuint fbo_ = 0, rb_[2] = {};
};

struct Components {
    int count = 0;
    int largest = 0;
    int total = 0;
    int minX = 1 << 30, maxX = -1, minY = 1 << 30, maxY = -1;
};

// 8-connected regions of lit pixels.
Components components(const std::vector<bool>& on, int width, int height) {
    Components c;
    std::vector<bool> seen(on.size());
    std::vector<int> stack;
    for (int start = 0; start < static_cast<int>(on.size()); ++start) {
        if (!on[start] || seen[start]) continue;
        ++c.count;
        int size = 0;
        stack.push_back(start);
        seen[start] = true;
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            ++size;
            const int x = i % width, y = i / width;
            c.minX = std::min(c.minX, x), c.maxX = std::max(c.maxX, x);
            c.minY = std::min(c.minY, y), c.maxY = std::max(c.maxY, y);
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
                    const int n = ny * width + nx;
                    if (on[n] && !seen[n]) seen[n] = true, stack.push_back(n);
                }
        }
        c.total += size;
        c.largest = std::max(c.largest, size);
    }
    return c;
}

class GeometryGl : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(defaultPack().ok) << defaultPack().error;
    }
};

}  // namespace

TEST_F(GeometryGl, FogSceneFigureIsOneConnectedSilhouetteInView) {
    const auto& pack = defaultPack();
    objmodel human;
    ASSERT_TRUE(human.load(pack.resource("human4.obj"), false));
    body figure(pack.resource("avatar_female_walk.bvh"));
    figure.parts_model = &human;
    for (double x : {50.3, 52.0, 53.7, 55.9}) {
        Target target(1280, 720);
        ASSERT_TRUE(target.complete());
        // The fog scene's camera and placement, before its jump cuts start at 56.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(75, kAspect, 0.01, 700);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(0.881, -2.165, 5, 0, 0, 0, 0, 1, 0);
        glTranslatef(0, -2.8f, 0);
        const float z = static_cast<float>(x) - 52, s = (z + 4) * 0.1f * 0.37f + 1;
        glTranslatef(-0.685f, 0, z * 0.45f);
        glScalef(s, s, s);
        glScalef(0.007f, 0.007f, 0.007f);
        figure.frame = static_cast<float>(x) * 9 + 1;
        glPushMatrix();
        figure.draw_joint(figure.skeleton->root);
        glPopMatrix();

        const Components c = components(target.lit(), target.width(), target.height());
        EXPECT_EQ(c.count, 1) << "x = " << x << ": the figure falls apart into " << c.count << " pieces";
        EXPECT_GT(c.maxY - c.minY, target.height() / 8) << "x = " << x;
        EXPECT_GT(c.minX, 0);
        EXPECT_GT(c.minY, 0);
        EXPECT_LT(c.maxX, target.width() - 1);
        EXPECT_LT(c.maxY, target.height() - 1);
    }
}

TEST_F(GeometryGl, EveryModelShowsUnderItsSceneCamera) {
    const auto& pack = defaultPack();
    for (const auto& v : sceneViews()) {
        Target target(1280, 720);  // the ants' legs are a pixel or two wide even so
        ASSERT_TRUE(target.complete());
        loadOnGl(v);
        if (v.file.substr(v.file.size() - 4) == ".ply") {
            PlyMesh mesh;
            ASSERT_TRUE(loadPlyMesh(pack.resource(v.file), mesh));
            glBegin(GL_TRIANGLES);
            for (const auto& f : mesh.faces)
                for (int k : f.index) glVertex3fv(&mesh.vertices[k].f[3]);
            glEnd();
        } else {
            objmodel m;
            ASSERT_TRUE(m.load(pack.resource(v.file), false));
            m.build_parts();
            m.draw_immediate();
        }
        const Components c = components(target.lit(), target.width(), target.height());
        const double extent = std::max(double(c.maxX - c.minX) / target.width(), double(c.maxY - c.minY) / target.height());
        EXPECT_GE(extent, v.minExtent * 0.8) << v.label << ": " << c.total << " pixels";
    }
}
