// The ant of the overlay, the ants scene and the tower scene: head towards +z, y up,
// left side +x, feet on y = 0, about one unit from mandibles to the tip of the gaster.
// Its legs are two tripods (front and hind of one side, middle of the other) that the
// scenes swing about y in alternation.
#include "scene_models.h"

namespace velmora_data {

namespace {

Mesh segment(Vec3 a, Vec3 b, double r0, double r1, bool tiny) {
    LimbProfile p;
    p.samples = {{0, r0, r0}, {1, r1, r1}};
    return limb(a, b, {1, 0, 0}, p, 1, tiny ? 4 : 5);
}

// One leg from its socket on the thorax: the femur rises to the knee, the tibia and
// tarsus come down to the foot on the ground. side is +1 for the left, -1 for the right.
Mesh leg(double side, double socketZ, double kneeZ, double footZ, double reach, bool tiny) {
    const Vec3 socket{side * 0.05, 0.16, socketZ};
    const Vec3 knee{side * reach * 0.55, 0.29, kneeZ};
    const Vec3 ankle{side * reach * 0.9, 0.07, (kneeZ + footZ) / 2 + (footZ - kneeZ) * 0.3};
    const Vec3 foot{side * reach, 0.0, footZ};
    Mesh m = segment(socket, knee, 0.026, 0.02, tiny);
    append(m, segment(knee, ankle, 0.019, 0.014, tiny));
    append(m, segment(ankle, foot, 0.013, 0.009, tiny));
    return m;
}

}  // namespace

// Kept light: the ants scene draws eighteen of them in immediate mode every frame.
Mesh buildAntBody(bool tiny) {
    const int rings = tiny ? 6 : 8, segments = tiny ? 8 : 10;
    Mesh m = ellipsoid({0, 0.17, -0.36}, {0.15, 0.13, 0.22}, rings, segments);  // gaster
    append(m, ellipsoid({0, 0.15, -0.11}, {0.04, 0.05, 0.05}, rings / 2 + 2, segments / 2));  // petiole
    LimbProfile thorax;
    thorax.samples = {{0, 0.055, 0.05}, {0.5, 0.075, 0.065}, {1, 0.05, 0.05}};
    append(m, limb({0, 0.15, -0.07}, {0, 0.2, 0.15}, {1, 0, 0}, thorax, tiny ? 3 : 4, segments));
    append(m, ellipsoid({0, 0.2, 0.27}, {0.1, 0.08, 0.1}, rings, segments));  // head
    for (double side : {1.0, -1.0}) {
        append(m, segment({side * 0.04, 0.16, 0.35}, {side * 0.012, 0.14, 0.43}, 0.018, 0.008, tiny));  // mandible
        const Vec3 base{side * 0.04, 0.25, 0.33}, elbow{side * 0.12, 0.36, 0.38}, tip{side * 0.17, 0.31, 0.53};
        append(m, segment(base, elbow, 0.012, 0.01, tiny));  // antenna
        append(m, segment(elbow, tip, 0.01, 0.008, tiny));
        append(m, ellipsoid({side * 0.085, 0.22, 0.31}, {0.02, 0.025, 0.025}, 4, 6));  // eye
    }
    return m;
}

Mesh buildAntLegs(bool firstTripod, bool tiny) {
    const double s = firstTripod ? 1.0 : -1.0;
    Mesh m = leg(s, 0.09, 0.2, 0.36, 0.34, tiny);      // front
    append(m, leg(-s, 0.03, 0.05, 0.05, 0.42, tiny));  // middle, other side
    append(m, leg(s, -0.03, -0.12, -0.32, 0.38, tiny));  // hind
    return m;
}

}  // namespace velmora_data
