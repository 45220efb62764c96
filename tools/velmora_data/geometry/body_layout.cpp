// The figure's skeleton offsets and the body-part placement table.
#include "body_layout.h"

#include <cstring>

namespace velmora_data {

namespace {

const PartRow& rowFor(const char* joint) {
    for (const auto& r : partRows())
        if (std::strcmp(r.joint, joint) == 0) return r;
    return partRows().front();
}

}  // namespace

const std::vector<PartRow>& partRows() {
    static const std::vector<PartRow> rows = {
        {"head", {0, -0.18, 0}, 1.0, 18},          {"neck", {0, -0.08, 0}, 1.0, 17},
        {"chest", {0, -0.23, 0.049}, 1.09, 16},    {"abdomen", {0, 0.035, -0.03}, 1.04, 6},
        {"rThigh", {0, 0, 0}, 1.0, 4},             {"rCollar", {-0.07, -0.053, 0}, 1.0, 14},
        {"lCollar", {0.07, -0.053, 0}, 1.0, 15},   {"lShldr", {0.119, -0.06, 0}, 1.1, 12},
        {"rShldr", {-0.1, -0.06, 0}, 1.1, 13},     {"rForeArm", {-0.1, -0.06, -0.02}, 1.1, 10},
        {"lForeArm", {0.154, -0.06, -0.02}, 1.1, 11}, {"lHand", {0.14, -0.07, 0}, 1.1, 9},
        {"rHand", {-0.14, -0.07, 0}, 1.1, 8},      {"lThigh", {0, 0, 0.046}, 1.0, 5},
        {"rShin", {-0.032, 0.031, -0.058}, 1.0, 3}, {"lShin", {0.032, 0.021, 0.033}, 1.0, 3},
        {"lFoot", {0.042, 0.05, 0.14}, 1.0, 1},    {"rFoot", {-0.042, 0.05, 0.02}, 1.0, 0},
    };
    return rows;
}

Affine partToJoint(const PartRow& row) {
    const double k = kBodyPartScale;
    return scaling({k, -k, k}) * translation(row.translate) * scaling({row.scale, row.scale, row.scale});
}

Vec3 shinShift(bool left) {
    const Vec3 l = partToJoint(rowFor("lShin")).t, r = partToJoint(rowFor("rShin")).t;
    const Vec3 half = (l - r) * 0.5;
    return left ? half : -half;
}

const std::vector<FigureJoint>& figureJoints() {
    static const std::vector<FigureJoint> joints = [] {
        const Vec3 dl = shinShift(true), dr = shinShift(false);
        const Vec3 none{};
        return std::vector<FigureJoint>{
            {"hip", -1, {0, 0, 0}, false, none},
            {"abdomen", 0, {0, 6, -0.5}, false, none},
            {"chest", 1, {0, 18, -1}, false, none},
            {"neck", 2, {0, 22, -0.5}, false, none},
            {"head", 3, {0, 10, 1.5}, true, {0, 15, 0}},
            {"lCollar", 2, {3, 19, -1}, false, none},
            {"lShldr", 5, {14, -1, 0}, false, none},
            {"lForeArm", 6, {2.5, -27, 0}, false, none},
            {"lHand", 7, {1, -24, 1}, true, {0.5, -17, 0.5}},
            {"rCollar", 2, {-3, 19, -1}, false, none},
            {"rShldr", 9, {-14, -1, 0}, false, none},
            {"rForeArm", 10, {-2.5, -27, 0}, false, none},
            {"rHand", 11, {-1, -24, 1}, true, {-0.5, -17, 0.5}},
            {"lThigh", 0, {9, -3, 0}, false, none},
            {"lShin", 13, Vec3{0, -42, 0} - dl, false, none},
            {"lFoot", 14, dl + Vec3{0, -41, 0}, true, {0, -5, 14}},
            {"rThigh", 0, {-9, -3, 0}, false, none},
            {"rShin", 16, Vec3{0, -42, 0} - dr, false, none},
            {"rFoot", 17, dr + Vec3{0, -41, 0}, true, {0, -5, 14}},
        };
    }();
    return joints;
}

int figureJointIndex(const char* name) {
    const auto& j = figureJoints();
    for (size_t i = 0; i < j.size(); ++i)
        if (std::strcmp(j[i].name, name) == 0) return static_cast<int>(i);
    return -1;
}

}  // namespace velmora_data
