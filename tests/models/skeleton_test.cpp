// The BVH state machine without a window: console report, channels and their fixed
// Z-X-Y composition, end sites, frames, and damaged or unusual files.
#include <gtest/gtest.h>

#include <random>

#include "model_files.h"
#include "models/body.h"
#include "models/skeleton.h"

namespace {

const char* kTwoJoints =
    "HIERARCHY\nROOT hip\n{\n  OFFSET 1 2 3\n  CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n"
    "  JOINT abdomen\n  {\n    OFFSET 0 1 0\n    CHANNELS 3 Yrotation Xrotation Zrotation\n"
    "    End Site\n    {\n      OFFSET 0 0.5 0\n    }\n  }\n}\n"
    "MOTION\nFrames: 2\nFrame Time: 0.0333333\n"
    "10 20 30 0 0 0  0 0 0\n"
    "1 2 3 90 0 0  10 20 30\n";

// Column-major right-handed rotation by degrees (rotation_matrix is row-major: transpose).
mat4 rotation(vec3 axis, float degrees) {
    const mat4 r = rotation_matrix(axis, degrees);
    mat4 t;
    for (int row = 0; row < 4; ++row)
        for (int c = 0; c < 4; ++c) t[4 * c + row] = r[4 * row + c];
    return t;
}

void expect_matrix_near(const mat4& a, const mat4& b) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], 1e-5f) << "element " << i;
}

class Bvh : public ::testing::Test {
protected:
    std::unique_ptr<skeleton> load(const std::string& text) {
        path = dir.write("motion.bvh", text);
        std::unique_ptr<skeleton> s;
        output = capture_stdout([&] { s = std::make_unique<skeleton>(path); });
        return s;
    }
    // Every listed joint must hold the same number of matrices as the root.
    static void expect_whole_frames(const skeleton& s) {
        for (const joint* j : s.joint_list) EXPECT_EQ(static_cast<int>(j->matrices.size()), s.frame_count) << j->name;
    }
    TempFolder dir;
    std::string path, output;
};

}  // namespace

TEST_F(Bvh, ReportsFoundHierarchyFramesAndBodyPartEstimate) {
    auto s = load(kTwoJoints);
    // 18 values / (3 matrices * 3) - 1.
    EXPECT_EQ(output, "File \"" + path + "\" found.\n0\nframesNum = 3\nframetime = 0.0333333\n1 bodyparts\n");
    EXPECT_FLOAT_EQ(s->frame_time, 0.0333333f);
    EXPECT_EQ(s->value_count, 18);
}

TEST_F(Bvh, MissingFileThrowsAfterItsLine) {
    const std::string missing = dir.path() + "/none.bvh";
    std::string out = capture_stdout([&] { EXPECT_THROW(skeleton s(missing), fileNotFound); });
    EXPECT_EQ(out, "File \"" + missing + "\" not found.\n");
    EXPECT_THROW(body b(missing), fileNotFound);
}

TEST_F(Bvh, TreeChannelsAndEndSites) {
    auto s = load(kTwoJoints);
    ASSERT_NE(s->root, nullptr);
    EXPECT_EQ(s->root->name, "hip");
    ASSERT_EQ(s->joint_list.size(), 2u);
    joint* abdomen = s->joint_list[1];
    EXPECT_EQ(abdomen->name, "abdomen");
    EXPECT_EQ(abdomen->parent, s->root);
    EXPECT_EQ(s->root->channels, (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(abdomen->channels, (std::vector<int32_t>{kYrotation, kXrotation, kZrotation}));
    ASSERT_EQ(abdomen->children.size(), 1u);
    const joint* end = abdomen->children[0];
    EXPECT_TRUE(end->name.empty());
    ASSERT_EQ(end->matrices.size(), 1u);  // rest matrix only, no motion
    EXPECT_EQ(end->matrices[0][13], 0.5f);
    EXPECT_EQ(s->root->matrices[0][12], 1.0f);
    EXPECT_EQ(s->frame_count, 3);
    expect_whole_frames(*s);
}

TEST_F(Bvh, RotationsComposeZXYWhateverTheChannelOrder) {
    auto s = load(kTwoJoints);
    // abdomen, frame 2: Yrotation 10, Xrotation 20, Zrotation 30.
    const mat4 expected =
        multiply(multiply(rotation({0, 0, 1}, 30), rotation({1, 0, 0}, 20)), rotation({0, 1, 0}, 10));
    expect_matrix_near(s->joint_list[1]->matrices[2], expected);
    // hip, frame 2: translation (1, 2, 3) then a quarter turn about z.
    const mat4& hip = s->root->matrices[2];
    mat4 turned = rotation({0, 0, 1}, 90);
    turned[12] = 1;
    turned[13] = 2;
    turned[14] = 3;
    expect_matrix_near(hip, turned);
    expect_matrix_near(s->root->matrices[1], translation_matrix({10, 20, 30}));
}

TEST_F(Bvh, KeywordsMayFollowEachOtherOnAnyLine) {
    // "Frame", "Time:" and the value as separate tokens; an extra closing brace at the root.
    auto s = load("HIERARCHY ROOT r { OFFSET 0 0 0 CHANNELS 3 Zrotation Xrotation Yrotation End Site { OFFSET 0 1 0 } } }"
                  " MOTION Frames: 1 Frame\nTime:\n0.0333333 5 6 7");
    EXPECT_FLOAT_EQ(s->frame_time, 0.0333333f);
    EXPECT_EQ(s->current, s->root);
    EXPECT_EQ(s->frame_count, 2);
    s->parse_token("}");
    EXPECT_EQ(s->current, s->root);
}

TEST_F(Bvh, JointWithoutChannelsOrWithExtraNamesTakesOnlyItsAnnouncedValues) {
    // The root announces one channel and names two: the second name is not a channel.
    auto s = load("HIERARCHY ROOT r { OFFSET 0 0 0 CHANNELS 1 Xposition Zrotation JOINT mid { OFFSET 0 1 0 CHANNELS 0 "
                  "JOINT tip { OFFSET 0 1 0 CHANNELS 1 Yposition End Site { OFFSET 0 1 0 } } } }\n"
                  "MOTION\nFrames: 2\nFrame Time: 0.1\n1 2\n3 4\n");
    ASSERT_EQ(s->joint_list.size(), 3u);
    EXPECT_EQ(s->root->channels, std::vector<int32_t>{kXposition});
    EXPECT_EQ(s->frame_count, 3);
    expect_whole_frames(*s);
    expect_matrix_near(s->joint_list[1]->matrices[2], identity_matrix());
    EXPECT_EQ(s->joint_list[0]->matrices[2][12], 3.0f);
    EXPECT_EQ(s->joint_list[2]->matrices[2][13], 4.0f);
}

TEST_F(Bvh, APartialLastFrameIsDropped) {
    // The root completes a third frame, the abdomen only starts it.
    auto s = load(std::string(kTwoJoints) + "5 5 5 0 0 0 1\n");
    EXPECT_EQ(s->frame_count, 3);
    expect_whole_frames(*s);
}

TEST_F(Bvh, WithoutMotionFramesTheBodyDrawsNothing) {
    for (const char* text : {"HIERARCHY ROOT r { OFFSET 0 0 0 CHANNELS 3 Zrotation Xrotation Yrotation "
                             "End Site { OFFSET 0 1 0 } }\nMOTION\nFrames: 0\nFrame Time: 0.1\n",
                             "HIERARCHY ROOT r { OFFSET 0 0 0 }", "MOTION Frames: 3 Frame Time: 0.1 1 2 3", ""}) {
        path = dir.write("still.bvh", text);
        std::unique_ptr<body> b;
        const std::string said = capture_stdout([&] { b = std::make_unique<body>(path); });
        EXPECT_NE(said.find("; the figure is not drawn."), std::string::npos) << said;
        EXPECT_EQ(b->motion_frames(), 0) << text;
        b->draw_joint(b->skeleton->root);  // returns before any GL call
        EXPECT_EQ(b->matrix_stack.size(), 1u);
        b->update();
        EXPECT_EQ(b->frame, 1.0f);
    }
}

TEST_F(Bvh, CrlfAndABlankLineAfterMotionReadLikeLf) {
    auto lf = load(kTwoJoints);
    std::string text = with_crlf(kTwoJoints);
    text.replace(text.find("MOTION\r\n"), 8, "MOTION\r\n\r\n");
    auto crlf = load(text);
    ASSERT_EQ(crlf->frame_count, lf->frame_count);
    for (size_t j = 0; j < lf->joint_list.size(); ++j)
        for (int f = 0; f < lf->frame_count; ++f)
            expect_matrix_near(crlf->joint_list[j]->matrices[f], lf->joint_list[j]->matrices[f]);
}

TEST_F(Bvh, DamagedFilesNeverLeaveUnevenFramesOrACrash) {
    const std::string good = kTwoJoints;
    for (size_t n = 0; n <= good.size(); ++n) {
        auto s = load(good.substr(0, n));
        expect_whole_frames(*s);
    }
    std::mt19937 rng(11);
    const char* words[] = {"ROOT", "JOINT", "End", "Site", "{", "}", "OFFSET", "CHANNELS", "Xrotation",
                           "Zposition", "MOTION", "Frames:", "Frame", "Time:", "-3", "7", "0", "x"};
    for (int round = 0; round < 300; ++round) {
        std::string text = round % 2 ? good : "";
        for (int k = 0; k < 60; ++k) text += std::string(" ") + words[rng() % (sizeof words / sizeof *words)];
        auto s = load(text);
        expect_whole_frames(*s);
        std::unique_ptr<body> b;
        capture_stdout([&] { b = std::make_unique<body>(path); });
        b->frame = static_cast<float>(rng() % 1000) - 500.5f;
        if (b->motion_frames() == 0) b->draw_joint(b->skeleton->root);
    }
}

std::string nested_joints(int depth) {
    std::string text = "HIERARCHY\nROOT r\n{\nOFFSET 0 0 0\nCHANNELS 1 Xrotation\n";
    for (int i = 0; i < depth; ++i) text += "JOINT j\n{\nOFFSET 0 1 0\nCHANNELS 1 Xrotation\n";
    text += "End Site\n{\nOFFSET 0 1 0\n}\n";
    for (int i = 0; i < depth; ++i) text += "}\n";
    text += "}\nMOTION\nFrames: 1\nFrame Time: 0.1\n";
    for (int i = 0; i <= depth; ++i) text += "5 ";
    return text + "\n";
}

TEST_F(Bvh, HierarchyNestedBeyondTheLimitIsRefusedWithALineNotAStackOverflow) {
    auto fits = load(nested_joints(skeleton::kMaxJointDepth - 1));
    ASSERT_TRUE(fits->root);
    EXPECT_FALSE(fits->too_deep);
    EXPECT_EQ(fits->frame_count, 2);
    EXPECT_EQ(fits->joint_list.size(), size_t(skeleton::kMaxJointDepth));

    auto deep = load(nested_joints(100000));
    EXPECT_TRUE(deep->too_deep);
    EXPECT_EQ(deep->root, nullptr);
    EXPECT_TRUE(deep->joint_list.empty());
    EXPECT_NE(output.find("nested deeper than 512 levels"), std::string::npos) << output;
    std::unique_ptr<body> b;
    capture_stdout([&] { b = std::make_unique<body>(path); });
    EXPECT_EQ(b->motion_frames(), 0);
    b->draw_joint(b->skeleton->root);
}
