// Walk cycle: the pelvis rides over the stance leg, the feet roll heel to toe on the
// ground and swing through, the arms and spine counter-swing. Legs are solved from the
// foot placements, so the stance foot stays put while the show slides the figure.
#include "walk_cycle.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "body_layout.h"

namespace velmora_data {

namespace {

const double kPi = 3.14159265358979323846;
const double kDeg = 180.0 / kPi;

// Stance covers the first 60 % of a foot's cycle; the flat foot travels 44 units
// backwards under the body meanwhile, the distance the fog scene slides the figure
// (0.45 per second at its 0.007-0.0075 scale) in that time.
const double kStance = 0.6;
const double kStride = 44.0;
const double kAnkleHeight = 7.0;     // ankle above the sole
const double kHeelBack = 5.0;        // heel contact behind the ankle
const double kBallForward = 15.5;    // push-off pivot: under the toes, ahead of the ankle
const double kFootSpread = 8.0;      // feet land slightly inside the hip sockets
const double kToeOut = 6.0;          // degrees

double ease(double u) {
    u = std::clamp(u, 0.0, 1.0);
    return u * u * (3 - 2 * u);
}

// Angle difference in degrees, brought into -180..180 (limbs hang near the +-180 seam).
double wrapDegrees(double a) {
    while (a > 180) a -= 360;
    while (a <= -180) a += 360;
    return a;
}

Affine eulerZXY(double z, double x, double y) { return rotationZ(z) * rotationX(x) * rotationY(y); }

// Angles (degrees) of R = Rz * Rx * Ry.
void toEulerZXY(const Affine& r, double& z, double& x, double& y) {
    x = std::asin(std::clamp(r.m[7], -1.0, 1.0)) * kDeg;
    z = std::atan2(-r.m[1], r.m[4]) * kDeg;
    y = std::atan2(-r.m[6], r.m[8]) * kDeg;
}

Affine rotationPart(const Affine& a) {
    Affine r = a;
    r.t = {};
    return r;
}

Affine transposed(const Affine& a) {
    Affine r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[3 * i + j] = a.m[3 * j + i];
    return r;
}

struct FootPose {
    Vec3 ankle;    // world, relative to the body's walking-in-place origin
    double pitch;  // degrees, positive lifts the heel
};

// Rotates (0, y, z) about x by degrees.
Vec3 pitched(double y, double z, double degrees) {
    const double a = degrees / kDeg;
    return {0, y * std::cos(a) - z * std::sin(a), y * std::sin(a) + z * std::cos(a)};
}

FootPose stancePose(double u, double side) {
    const double flatZ = kStride / 2 - kStride * u;
    FootPose p;
    if (u < 0.15) {  // heel strike: the foot rolls down about the heel
        p.pitch = -12.0 * (1 - ease(u / 0.15));
        const Vec3 heel{0, 0, flatZ - kHeelBack};
        p.ankle = heel + pitched(kAnkleHeight, kHeelBack, p.pitch);
    } else if (u < 0.7) {
        p.pitch = 0;
        p.ankle = {0, kAnkleHeight, flatZ};
    } else {  // push-off: the heel rises about the ball
        p.pitch = 35.0 * ease((u - 0.7) / 0.3);
        const Vec3 ball{0, 0, flatZ + kBallForward};
        p.ankle = ball + pitched(kAnkleHeight, -kBallForward, p.pitch);
    }
    p.ankle.x = side * kFootSpread;
    return p;
}

FootPose footPose(double phase, double side) {
    phase -= std::floor(phase);
    if (phase < kStance) return stancePose(phase / kStance, side);
    const double s = (phase - kStance) / (1 - kStance);
    const FootPose off = stancePose(1, side), on = stancePose(0, side);
    FootPose p;
    const double e = (1 - std::cos(kPi * s)) / 2;
    p.ankle.x = side * kFootSpread;
    p.ankle.z = off.ankle.z + (on.ankle.z - off.ankle.z) * e;
    p.ankle.y = off.ankle.y + (on.ankle.y - off.ankle.y) * s + 6.0 * std::sin(kPi * std::pow(s, 0.8));
    p.pitch = off.pitch + (on.pitch - off.pitch) * ease(std::pow(s, 0.7));
    return p;
}

// Two-bone leg: thigh rotation (Z, X) and knee bend X that put the ankle at `target`.
void solveLeg(const Affine& root, int thighIndex, const FootPose& foot, double side, double out[9]) {
    const auto& j = figureJoints();
    const Vec3 a = j[thighIndex + 1].offset;  // hip socket to knee joint, in the thigh's frame
    const Vec3 b = j[thighIndex + 2].offset;  // knee joint to ankle, in the shin's frame
    const Vec3 socket = root.point(j[thighIndex].offset);
    const Affine rootRot = rotationPart(root);
    const Vec3 v = transposed(rootRot).vector(foot.ankle - socket);
    const double reach = length(v);

    const auto spanFor = [&](double beta) { return length(a + rotationX(beta).vector(b)); };
    const double straight = wrapDegrees((std::atan2(a.z, a.y) - std::atan2(b.z, b.y)) * kDeg);
    double beta = straight;
    if (reach < spanFor(straight)) {
        double lo = straight, hi = 170.0;  // the span shrinks as the knee bends
        for (int i = 0; i < 60; ++i) {
            const double mid = (lo + hi) / 2;
            (spanFor(mid) > reach ? lo : hi) = mid;
        }
        beta = (lo + hi) / 2;
    }
    const Vec3 u = a + rotationX(beta).vector(b);
    const double wy = -std::sqrt(v.x * v.x + v.y * v.y), wz = v.z;
    const double zeta = std::atan2(v.x, -v.y) * kDeg;
    const double alpha = wrapDegrees((std::atan2(wz, wy) - std::atan2(u.z, u.y)) * kDeg);
    out[0] = zeta, out[1] = alpha, out[2] = 0;
    out[3] = 0, out[4] = beta, out[5] = 0;

    const Affine shinWorld = rootRot * eulerZXY(zeta, alpha, 0) * rotationX(beta);
    const Affine footWorld = rotationY(side * kToeOut) * rotationX(foot.pitch);
    toEulerZXY(transposed(shinWorld) * footWorld, out[6], out[7], out[8]);
}

void putJoint(std::vector<double>& ch, const char* name, double z, double x, double y) {
    const size_t at = 3 + 3 * static_cast<size_t>(figureJointIndex(name));
    ch[at] = z, ch[at + 1] = x, ch[at + 2] = y;
}

}  // namespace

std::vector<double> walkFrame(int f) {
    const double phi = static_cast<double>(((f % kWalkFrames) + kWalkFrames) % kWalkFrames) / kWalkFrames;
    const auto cycle = [&](double shift) { return std::cos(2 * kPi * (phi - shift)); };
    std::vector<double> ch(3 + 3 * figureJoints().size(), 0.0);

    // Pelvis: sways over the stance foot and rides highest at mid-stance (0.3 and 0.8,
    // left heel strike at 0); turns to bring the forward leg's hip ahead; the swing
    // side drops.
    const double sway = 1.4 * cycle(0.3);
    const double height = 91.6 + 1.1 * std::cos(4 * kPi * (phi - 0.3));
    const double list = 3.0 * cycle(0.3), tilt = 2.0, turn = -4.0 * cycle(0.0);
    ch[0] = sway, ch[1] = height, ch[2] = 0;
    ch[3] = list, ch[4] = tilt, ch[5] = turn;

    // Spine turns against the pelvis so the shoulders counter-rotate; the head keeps
    // looking ahead.
    putJoint(ch, "abdomen", -0.5 * list, -1.0, -0.8 * turn);
    putJoint(ch, "chest", -0.4 * list, 1.5, -0.9 * turn);
    const double shoulderTurn = turn - 0.8 * turn - 0.9 * turn;
    putJoint(ch, "neck", -0.05 * list, -2.0, -0.5 * shoulderTurn);
    putJoint(ch, "head", 0, 1.0, -0.5 * shoulderTurn);

    // Arms swing against the legs, a little more forward than back, elbows bending
    // further on the forward swing.
    const double swingL = cycle(0.5), swingR = cycle(0.0);
    putJoint(ch, "lCollar", 0, 0, -3.0 * swingL);
    putJoint(ch, "rCollar", 0, 0, 3.0 * swingR);
    putJoint(ch, "lShldr", 5.0, -(3.0 + 16.0 * swingL), 0);
    putJoint(ch, "rShldr", -5.0, -(3.0 + 16.0 * swingR), 0);
    putJoint(ch, "lForeArm", 0, -(14.0 + 10.0 * std::max(0.0, swingL)), 0);
    putJoint(ch, "rForeArm", 0, -(14.0 + 10.0 * std::max(0.0, swingR)), 0);
    putJoint(ch, "lHand", 0, -6.0, 0);
    putJoint(ch, "rHand", 0, -6.0, 0);

    const Affine root = translation({sway, height, 0}) * eulerZXY(list, tilt, turn);
    for (int side : {1, -1}) {
        const char* thigh = side > 0 ? "lThigh" : "rThigh";
        const int t = figureJointIndex(thigh);
        double out[9];
        solveLeg(root, t, footPose(side > 0 ? phi : phi + 0.5, side), side, out);
        for (int k = 0; k < 3; ++k) putJoint(ch, figureJoints()[t + k].name, out[3 * k], out[3 * k + 1], out[3 * k + 2]);
    }
    return ch;
}

std::vector<Affine> figurePose(const std::vector<double>& ch) {
    const auto& joints = figureJoints();
    std::vector<Affine> world(joints.size());
    for (size_t i = 0; i < joints.size(); ++i) {
        Affine local = translation(joints[i].offset);
        if (i == 0) local = local * translation({ch[0], ch[1], ch[2]});
        local = local * eulerZXY(ch[3 + 3 * i], ch[4 + 3 * i], ch[5 + 3 * i]);
        world[i] = joints[i].parent < 0 ? local : world[joints[i].parent] * local;
    }
    return world;
}

std::string walkBvhText() {
    const auto& joints = figureJoints();
    std::string out = "HIERARCHY\n";
    char buf[128];
    const auto offset = [&](int depth, Vec3 o) {
        std::snprintf(buf, sizeof buf, "%sOFFSET %.4f %.4f %.4f\n", std::string(depth, '\t').c_str(), o.x, o.y, o.z);
        out += buf;
    };
    // Children follow their parent directly in the joint list, so the tree is written
    // by walking the list and closing braces as the depth falls.
    std::vector<int> depth(joints.size());
    int open = 0;
    for (size_t i = 0; i < joints.size(); ++i) {
        const auto& j = joints[i];
        depth[i] = j.parent < 0 ? 0 : depth[j.parent] + 1;
        for (; open > depth[i]; --open) out += std::string(open - 1, '\t') + "}\n";
        const std::string tab(depth[i], '\t');
        out += tab + (j.parent < 0 ? "ROOT " : "JOINT ") + j.name + "\n" + tab + "{\n";
        offset(depth[i] + 1, j.offset);
        out += tab + (j.parent < 0 ? "\tCHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n"
                                   : "\tCHANNELS 3 Zrotation Xrotation Yrotation\n");
        open = depth[i] + 1;
        if (j.endSite) {
            out += tab + "\tEnd Site\n" + tab + "\t{\n";
            offset(depth[i] + 2, j.endOffset);
            out += tab + "\t}\n";
        }
    }
    for (; open > 0; --open) out += std::string(open - 1, '\t') + "}\n";
    out += "MOTION\nFrames: " + std::to_string(kWalkFrames) + "\nFrame Time: 0.111111\n";
    for (int f = 0; f < kWalkFrames; ++f) {
        const auto ch = walkFrame(f);
        for (size_t k = 0; k < ch.size(); ++k) {
            double v = ch[k];
            if (std::fabs(v) < 0.00005) v = 0;  // no "-0.0000"
            std::snprintf(buf, sizeof buf, "%s%.4f", k ? " " : "", v);
            out += buf;
        }
        out += '\n';
    }
    return out;
}

}  // namespace velmora_data
