// The body's frame selection, matrix blending and part placement.
#include "models/body.h"

#include "platform/gl.h"

#include <algorithm>
#include <cmath>

namespace {

// The figure's unit: BVH offsets times this give the parts model's units.
constexpr float kBodyScale = 42.596f;

const body_part_placement kPlacements[] = {
    {"head", {0, -0.18f, 0}, 1.0f, 18},
    {"neck", {0, -0.08f, 0}, 1.0f, 17},
    {"chest", {0, -0.23f, 0.049f}, 1.09f, 16},
    {"abdomen", {0, 0.035f, -0.03f}, 1.04f, 6},
    {"rThigh", {0, 0, 0}, 1.0f, 4},
    {"rCollar", {-0.07f, -0.053f, 0}, 1.0f, 14},
    {"lCollar", {0.07f, -0.053f, 0}, 1.0f, 15},
    {"lShldr", {0.119f, -0.06f, 0}, 1.1f, 12},
    {"rShldr", {-0.1f, -0.06f, 0}, 1.1f, 13},
    {"rForeArm", {-0.1f, -0.06f, -0.02f}, 1.1f, 10},
    {"lForeArm", {0.154f, -0.06f, -0.02f}, 1.1f, 11},
    {"lHand", {0.14f, -0.07f, 0}, 1.1f, 9},
    {"rHand", {-0.14f, -0.07f, 0}, 1.1f, 8},
    {"lThigh", {0, 0, 0.046f}, 1.0f, 5},
    // Both shins draw object 3; objects 2 and 7 are never drawn.
    {"rShin", {-0.032f, 0.031f, -0.058f}, 1.0f, 3},
    {"lShin", {0.032f, 0.021f, 0.033f}, 1.0f, 3},
    {"lFoot", {0.042f, 0.05f, 0.14f}, 1.0f, 1},
    {"rFoot", {-0.042f, 0.05f, 0.02f}, 1.0f, 0},
};

// S * rest * local: the local matrix's translation goes through S * rest's rotation, then
// its rotation is applied.
mat4 joint_transform(const mat4& parent, const mat4& rest, const mat4& local) {
    mat4 m = multiply(parent, rest);
    for (int r = 0; r < 3; ++r) m[12 + r] += m[r] * local[12] + m[4 + r] * local[13] + m[8 + r] * local[14];
    multiply_rotation(m, local);
    return m;
}

}  // namespace

const body_part_placement* body_part_for(const std::string& joint_name) {
    for (const body_part_placement& p : kPlacements)
        if (joint_name == p.joint) return &p;
    return nullptr;
}

frame_blend select_frame(float frame, int motion_frames) {
    if (motion_frames < 1 || !std::isfinite(frame)) return {1, motion_frames > 1 ? 2 : 1, 0.0f};
    // In double with a floor so that negative or very large frames still land in 1..F.
    const double whole = std::floor(static_cast<double>(frame));
    double n = std::fmod(whole, static_cast<double>(motion_frames));
    if (n < 0) n += motion_frames;
    const int a = static_cast<int>(n) + 1;
    const int b = (static_cast<int>(n) + 1) % motion_frames + 1;
    return {a, b, static_cast<float>(static_cast<double>(frame) - whole)};
}

body::body(const std::string& path) : skeleton(std::make_unique<::skeleton>(path)) {
    matrix_stack.push_back(identity_matrix());
}

int body::motion_frames() const {
    if (!skeleton || !skeleton->root) return 0;
    const int n = static_cast<int>(skeleton->root->matrices.size()) - 1;
    return n > 0 ? n : 0;
}

void body::update() {
    frame += 1.0f;
    if (frame >= static_cast<float>(motion_frames() + 1)) frame = 1.0f;
}

void body::draw_joint(joint* j) {
    const int frames = motion_frames();
    if (!j || frames < 1) return;
    const frame_blend f = select_frame(frame, frames);
    // A joint with fewer matrices than the root (not from this skeleton's joint list)
    // has nothing to show for this frame.
    if (j->matrices.size() <= static_cast<size_t>(std::max(f.a, f.b))) return;
    if (matrix_stack.empty()) matrix_stack.push_back(identity_matrix());

    const mat4& top = matrix_stack.back();
    const mat4 ma = joint_transform(top, j->matrices[0], j->matrices[f.a]);
    const mat4 mb = joint_transform(top, j->matrices[0], j->matrices[f.b]);
    // A linear blend of the two matrices, not a rotation interpolation.
    mat4 m;
    for (int i = 0; i < 16; ++i) m[i] = ma[i] + (mb[i] - ma[i]) * f.t;
    matrix_stack.push_back(m);

    const body_part_placement* placement = body_part_for(j->name);
    for (joint* child : j->children) {
        // The part is drawn once per child: a joint with three children draws it three times.
        glPushMatrix();
        glMultMatrixf(m.data());
        glScalef(kBodyScale, kBodyScale, kBodyScale);
        name = j->name;
        glScalef(1.0f, -1.0f, 1.0f);
        glPushMatrix();
        if (placement && parts_model) {
            glTranslatef(placement->translation[0], placement->translation[1], placement->translation[2]);
            glScalef(placement->scale, placement->scale, placement->scale);
            parts_model->draw_object(placement->object);
        }
        glPopMatrix();
        glPopMatrix();
        if (!child->children.empty()) draw_joint(child);
    }
    matrix_stack.pop_back();
}
