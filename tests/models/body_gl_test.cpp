// The articulated body on a real context: the motion of the Poser-style test file drives a
// parts model of 19 small boxes, and each box must land on screen where the joint
// matrices put its joint (computed here independently as plain S * rest * local products).
#include <cmath>
#include <memory>

#include "gl_test_context.h"
#include "model_files.h"
#include "models/body.h"

namespace {

constexpr float kScale = 42.596f;
constexpr int kObjects = 19;

struct Expected {
    int object;
    float x, y;  // world position of the part's centre
};

vec3 transform_point(const mat4& m, vec3 p) {
    return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
            m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
}

void expected_parts(const joint* j, const mat4& parent, const frame_blend& f, std::vector<Expected>& out) {
    const mat4 ma = multiply(multiply(parent, j->matrices[0]), j->matrices[f.a]);
    const mat4 mb = multiply(multiply(parent, j->matrices[0]), j->matrices[f.b]);
    mat4 m;
    for (int i = 0; i < 16; ++i) m[i] = ma[i] + (mb[i] - ma[i]) * f.t;
    if (const body_part_placement* p = body_part_for(j->name)) {
        // Scaled by 42.596, mirrored in y, then translated inside the joint's frame.
        const vec3 c = transform_point(
            m, {kScale * p->translation[0], -kScale * p->translation[1], kScale * p->translation[2]});
        out.push_back({p->object, c.x, c.y});
    }
    for (const joint* child : j->children)
        if (!child->children.empty()) expected_parts(child, m, f, out);
}

// A parts model of 19 objects where only object `solid` has a box (half size 0.004:
// a few pixels wide once the body scales it by 42.596 and the view fits the figure).
std::string parts_obj(int solid) {
    std::string obj;
    for (int k = 0; k < kObjects; ++k) {
        obj += "o part" + std::to_string(k) + "\n";
        if (k != solid) continue;
        for (int i = 0; i < 8; ++i)
            obj += std::string("v ") + (i & 1 ? "0.004" : "-0.004") + (i & 2 ? " 0.004" : " -0.004") +
                   (i & 4 ? " 0.004\n" : " -0.004\n");
        obj += "f -8 -7 -5 -6\nf -4 -3 -1 -2\nf -8 -7 -3 -4\nf -6 -5 -1 -2\nf -8 -6 -2 -4\nf -7 -5 -1 -3\n";
    }
    return obj;
}

class BodyGl : public GlTest {};

}  // namespace

TEST_F(BodyGl, EachBoxLandsOnItsNamedJoint) {
    SKIP_WITHOUT_TESTDATA("bvh");
    std::unique_ptr<body> figure;
    capture_stdout([&] { figure = std::make_unique<body>(testdata("bvh/cmu_60_10_scaled_daz.bvh")); });
    ASSERT_EQ(figure->motion_frames(), 1197);
    TempFolder dir;
    for (float frame : {1.0f, 600.5f}) {
        figure->frame = frame;
        std::vector<Expected> expected;
        expected_parts(figure->skeleton->root, identity_matrix(), select_frame(frame, 1197), expected);
        ASSERT_EQ(expected.size(), 18u);  // every row of the part table is a joint of this file
        // An orthographic view around the expected positions, with a margin.
        float lo_x = 1e9f, hi_x = -1e9f, lo_y = 1e9f, hi_y = -1e9f;
        for (const Expected& e : expected) {
            lo_x = std::min(lo_x, e.x), hi_x = std::max(hi_x, e.x);
            lo_y = std::min(lo_y, e.y), hi_y = std::max(hi_y, e.y);
        }
        const float half = std::max(hi_x - lo_x, hi_y - lo_y) * 0.55f + 0.1f, cx = (lo_x + hi_x) / 2, cy = (lo_y + hi_y) / 2;
        auto to_pixel = [&](float v, float c) { return (v - c + half) / (2 * half) * kWidth; };

        for (int object = 0; object < kObjects; ++object) {
            objmodel parts;
            const std::string path = dir.write("parts.obj", parts_obj(object));
            capture_stdout([&] { parts.load(path, false); });
            figure->parts_model = &parts;
            glClear(GL_COLOR_BUFFER_BIT);
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glOrtho(cx - half, cx + half, cy - half, cy + half, -1000, 1000);
            glMatrixMode(GL_MODELVIEW);
            glColor3f(1, 1, 1);
            glPushMatrix();
            figure->draw_joint(figure->skeleton->root);
            glPopMatrix();
            EXPECT_EQ(figure->matrix_stack.size(), 1u);
            const auto pixels = readPixels(0, 0, kWidth, kHeight);

            // Every lit pixel belongs to an expected placement of this object, and each
            // placement has lit pixels centred on it.
            std::vector<Expected> mine;
            for (const Expected& e : expected)
                if (e.object == object) mine.push_back(e);
            std::vector<double> sx(mine.size()), sy(mine.size());
            std::vector<int> n(mine.size()), stray(1);
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    if (pixels[4 * (y * kWidth + x)] < 128) continue;
                    bool claimed = false;
                    for (size_t i = 0; i < mine.size() && !claimed; ++i)
                        if (std::abs(x + 0.5f - to_pixel(mine[i].x, cx)) < 10 &&
                            std::abs(y + 0.5f - to_pixel(mine[i].y, cy)) < 10) {
                            sx[i] += x + 0.5, sy[i] += y + 0.5, ++n[i];
                            claimed = true;
                        }
                    if (!claimed) ++stray[0];
                }
            EXPECT_EQ(stray[0], 0) << "object " << object << " frame " << frame;
            for (size_t i = 0; i < mine.size(); ++i) {
                ASSERT_GT(n[i], 3) << "object " << object << " frame " << frame;
                EXPECT_NEAR(sx[i] / n[i], to_pixel(mine[i].x, cx), 1.5) << "object " << object;
                EXPECT_NEAR(sy[i] / n[i], to_pixel(mine[i].y, cy), 1.5) << "object " << object;
            }
        }
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}
