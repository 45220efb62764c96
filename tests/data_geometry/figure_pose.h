// The walking figure as the body draws it, computed without GL: every body-part object of
// the parts model placed at its joint for a motion frame (joint matrix, scale 42.596, y
// mirror, the part table's translation and scale).
#pragma once
#include <string>
#include <vector>

#include "models/body.h"
#include "models/objmodel.h"
#include "scene_views.h"

namespace geometry_test {

struct PlacedPart {
    std::string joint;
    std::string parent;  // joint that the part's joint hangs from
    int object = -1;
    Mat placement{};     // part coordinates to figure coordinates (BVH units)
    std::vector<Vec> points;   // the object's vertices, placed
    std::vector<Vec> normals;  // their normals, placed and normalised
    std::vector<std::array<int, 3>> triangles;  // into points
};

// The parts drawn for integer frame `frame` (as body::frame; entry 0 is the rest pose),
// in drawing order, each once even where the body draws it once per child.
std::vector<PlacedPart> placeFigure(const skeleton& s, const objmodel& parts, int frame);

}  // namespace geometry_test
