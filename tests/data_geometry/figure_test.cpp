// The walking figure as the body draws it from the generated motion file and parts
// model: standing on the ground, joined at every joint, facing outwards, looping cleanly,
// and in view of the fog scene's camera.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "figure_pose.h"
#include "generated_pack.h"

using namespace geometry_test;

namespace {

class Figure : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const auto& pack = defaultPack();
        if (!pack.ok) return;
        motion_ = new skeleton(pack.resource("avatar_female_walk.bvh"));
        parts_ = new objmodel;
        parts_->load(pack.resource("human4.obj"), false);
    }
    void SetUp() override {
        ASSERT_TRUE(defaultPack().ok) << defaultPack().error;
        ASSERT_EQ(parts_->object_count(), 19);
        ASSERT_GE(motion_->frame_count, 3);
    }
    static int motionFrames() { return motion_->frame_count - 1; }

    static skeleton* motion_;
    static objmodel* parts_;
};

skeleton* Figure::motion_ = nullptr;
objmodel* Figure::parts_ = nullptr;

double distance(const Vec& a, const Vec& b) {
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

double closest(const PlacedPart& a, const PlacedPart& b) {
    double best = 1e300;
    for (const auto& p : a.points)
        for (const auto& q : b.points) best = std::min(best, distance(p, q));
    return best;
}

const PlacedPart* partOf(const std::vector<PlacedPart>& parts, const std::string& joint) {
    for (const auto& p : parts)
        if (p.joint == joint) return &p;
    return nullptr;
}

}  // namespace

TEST_F(Figure, FeetMeetTheGroundAtEveryFrameAndNothingSinksBelowIt) {
    for (int f = 1; f <= motionFrames(); ++f) {
        double lowest = 1e300, lowestFoot = 1e300;
        for (const auto& part : placeFigure(*motion_, *parts_, f))
            for (const auto& p : part.points) {
                lowest = std::min(lowest, p[1]);
                if (part.joint == "lFoot" || part.joint == "rFoot") lowestFoot = std::min(lowestFoot, p[1]);
            }
        EXPECT_NEAR(lowestFoot, 0.0, 1.0) << "frame " << f;
        EXPECT_GT(lowest, -1.0) << "frame " << f;
    }
}

TEST_F(Figure, EveryPartTouchesThePartOfTheJointItHangsFrom) {
    for (int f : {1, 1 + motionFrames() / 3, 1 + 2 * motionFrames() / 3}) {
        const auto parts = placeFigure(*motion_, *parts_, f);
        ASSERT_EQ(parts.size(), 18u);
        for (const auto& part : parts) {
            // The thighs hang from the hip, which has no part: they join the abdomen's.
            const std::string holder = part.parent == "hip" ? "abdomen" : part.parent;
            const PlacedPart* above = partOf(parts, holder);
            if (!above || above == &part) continue;
            EXPECT_LT(closest(part, *above), 2.5) << part.joint << " and " << holder << ", frame " << f;
        }
    }
}

TEST_F(Figure, NormalsAndWindingFaceOutwardsWhereThePartsAreDrawn) {
    for (const auto& part : placeFigure(*motion_, *parts_, 1)) {
        Vec centre{0, 0, 0};
        for (const auto& p : part.points)
            for (int k = 0; k < 3; ++k) centre[k] += p[k] / part.points.size();
        size_t outward = 0, wound = 0;
        for (size_t i = 0; i < part.points.size(); ++i) {
            double d = 0;
            for (int k = 0; k < 3; ++k) d += (part.points[i][k] - centre[k]) * part.normals[i][k];
            outward += d > 0;
        }
        for (const auto& t : part.triangles) {
            const Vec &a = part.points[t[0]], &b = part.points[t[1]], &c = part.points[t[2]];
            const Vec e{b[0] - a[0], b[1] - a[1], b[2] - a[2]}, g{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
            const Vec n{e[1] * g[2] - e[2] * g[1], e[2] * g[0] - e[0] * g[2], e[0] * g[1] - e[1] * g[0]};
            const Vec& m = part.normals[t[0]];
            wound += n[0] * m[0] + n[1] * m[1] + n[2] * m[2] > 0;
        }
        EXPECT_GT(outward, part.points.size() * 9 / 10) << part.joint;
        EXPECT_GT(wound, part.triangles.size() * 99 / 100) << part.joint << ": wound inside out on screen";
    }
}

TEST_F(Figure, WalkLoopsWithoutAJump) {
    // From the last motion frame back to the first must be a step like any other.
    const int frames = motionFrames();
    const auto change = [](const mat4& a, const mat4& b) {
        double d = 0;
        for (int i = 0; i < 16; ++i) d = std::max(d, static_cast<double>(std::fabs(a[i] - b[i])));
        return d;
    };
    for (const joint* j : motion_->joint_list) {
        double step = 0;
        for (int f = 1; f < frames; ++f) step = std::max(step, change(j->matrices[f], j->matrices[f + 1]));
        const double wrap = change(j->matrices[frames], j->matrices[1]);
        EXPECT_LE(wrap, step * 1.5 + 1e-3) << j->name;
    }
}

TEST_F(Figure, WholeFigureStaysInViewOfTheFogSceneBeforeItsJumpCuts) {
    for (double x : {50.0, 53.0, 55.9}) {
        const double z = x - 52, s = (z + 4) * 0.1 * 0.37 + 1;
        const Mat clip = multiply(perspective(75, kAspect, 0.01, 700),
                                  apply(lookAt({0.881, -2.165, 5}, {0, 0, 0}, {0, 1, 0}),
                                        {{Step::kTranslate, 0, -2.8, 0, 0},
                                         {Step::kTranslate, -0.685, 0, z * 0.45, 0},
                                         {Step::kScale, s, s, s, 0},
                                         {Step::kScale, 0.007, 0.007, 0.007, 0}}));
        const int frame = 1 + static_cast<int>(x * 9 + 1) % motionFrames();
        double top = -1, bottom = 1;
        for (const auto& part : placeFigure(*motion_, *parts_, frame))
            for (const auto& p : part.points) {
                const auto c = transform(clip, p);
                ASSERT_GT(c[3], 0);
                ASSERT_LE(std::fabs(c[0] / c[3]), 1.0) << part.joint << " at x = " << x;
                ASSERT_LE(std::fabs(c[1] / c[3]), 1.0) << part.joint << " at x = " << x;
                top = std::max(top, c[1] / c[3]), bottom = std::min(bottom, c[1] / c[3]);
            }
        EXPECT_GT((top - bottom) / 2, 0.15) << "figure too small at x = " << x;
    }
}
