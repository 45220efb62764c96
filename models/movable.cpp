// The movable base: its z-mirrored starting transform and the empty default slots.
#include "models/movable.h"

#include <algorithm>

movable::movable() : model_matrix(identity_matrix()) {
    // Scene objects start mirrored in z; a joint's rigid part undoes it (element 10 = 1).
    model_matrix[10] = -1.0f;
}

movable::~movable() = default;

void movable::draw() {}

void movable::update() {}

void movable::compute_bounds() {}

bool bounding_box(const vec3* points, size_t count, vec3& centre, vec3& size) {
    if (count == 0) return false;
    vec3 lo = points[0], hi = points[0];
    for (size_t i = 1; i < count; ++i) {
        lo.x = std::min(lo.x, points[i].x);
        lo.y = std::min(lo.y, points[i].y);
        lo.z = std::min(lo.z, points[i].z);
        hi.x = std::max(hi.x, points[i].x);
        hi.y = std::max(hi.y, points[i].y);
        hi.z = std::max(hi.z, points[i].z);
    }
    centre = {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2};
    size = {hi.x - lo.x, hi.y - lo.y, hi.z - lo.z};
    return true;
}
