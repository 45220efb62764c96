// body: the articulated figure. Plays the motion of a BVH skeleton and draws one object of
// an OBJ parts model at each joint named in its body-part table, through the fixed-function
// matrix stack; the joint matrices themselves are composed on the CPU.
#pragma once
#include <deque>
#include <memory>
#include <string>

#include "models/movable.h"
#include "models/objmodel.h"
#include "models/skeleton.h"

// Where a joint's part goes: translation and uniform scale inside the joint's frame, then
// object `object` of the parts model.
struct body_part_placement {
    const char* joint;
    float translation[3];
    float scale;
    int object;
};

// The placement for a joint name, or nullptr when the joint gets no part.
const body_part_placement* body_part_for(const std::string& joint_name);

// The two motion matrices a frame value blends and the blend weight, for F motion frames
// (F >= 1): entry a = (n mod F) + 1 and b = ((n + 1) mod F) + 1 with n the integer part of
// frame, t its fractional part. Entry 0, the rest matrix, is never selected.
struct frame_blend {
    int a;
    int b;
    float t;
};
frame_blend select_frame(float frame, int motion_frames);

class body : public movable {
public:
    // Reads the BVH file; fileNotFound propagates and the body is not created.
    explicit body(const std::string& path);

    // Advances one animation frame, wrapping to 1 after the last.
    void update() override;
    // Draws the joint and, recursively, every joint below it that has children. Draws
    // nothing when the skeleton has no motion frame.
    void draw_joint(joint* j);
    // Motion frames of the skeleton (root matrices - 1).
    int motion_frames() const;

    std::deque<mat4> matrix_stack;        // one identity, plus one entry per joint level being drawn
    float frame = 1.0f;                   // integer part picks the frame, fraction blends to the next
    objmodel* parts_model = nullptr;      // not owned; objects 0-18 are the body parts
    std::unique_ptr<::skeleton> skeleton;
};
