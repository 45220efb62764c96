// The walking figure's layout: its joints (names the body's part table knows, rest
// offsets in centimetres, facing +z with its left side towards +x) and the part table
// that says in which frame each body-part object is drawn at its joint.
#pragma once
#include <vector>

#include "mesh.h"

namespace velmora_data {

struct FigureJoint {
    const char* name;
    int parent;        // index in the joint list, -1 for the root
    Vec3 offset;       // from the parent joint, in the parent's frame
    bool endSite;      // has an end site instead of child joints
    Vec3 endOffset;
};

// Depth-first, in the order the BVH file lists them (which is also the order in which
// each frame's channel values are written).
const std::vector<FigureJoint>& figureJoints();
int figureJointIndex(const char* name);  // -1 when unknown

// A row of the body's part table: the placement inside the joint's frame.
struct PartRow {
    const char* joint;
    Vec3 translate;
    double scale;
    int object;
};
const std::vector<PartRow>& partRows();

// Body parts are scaled by this factor and mirrored in y after the joint transform.
constexpr double kBodyPartScale = 42.596;

// Maps a body-part object's own coordinates to the joint frame it is drawn in:
// q = 42.596 * (x, -y, z) of (translate + scale * p).
Affine partToJoint(const PartRow& row);

// Both shins draw the same object from different table offsets. The shared shin is
// built where it sits in the right shin's frame, shifted by -half of that difference,
// and the skeleton moves each knee joint so that the visible shin lines up with the
// thigh and foot at rest: this is the shift of the visible shin from its joint.
Vec3 shinShift(bool left);

}  // namespace velmora_data
