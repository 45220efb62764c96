// The real BVH files of the shared test data, read in place: joints, channels, frames and
// frame time checked against the files (see ../shared/testdata/bvh/PROVENANCE.md).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "model_files.h"
#include "models/skeleton.h"

namespace {

struct BvhExpectation {
    const char* file;
    int joints, end_sites, channels_per_frame, frames;
    float frame_time;
};

const BvhExpectation kBvhFiles[] = {
    {"cmu_60_10_scaled_daz.bvh", 43, 14, 132, 1197, 0.008333f},  // Poser-style names, LF, tabs
    {"cmu_02_01_walk_mb.bvh", 31, 7, 96, 343, 0.008333f},        // CRLF
    {"walk_cmu_mb.bvh", 31, 7, 96, 344, 0.0083333f},             // mixed CRLF/LF, ".0083333"
    {"louise.bvh", 18, 5, 57, 2998, 0.01f},                      // CRLF, the rigid-part joint names
    {"milad_6ch.bvh", 59, 13, 354, 422, 0.008f},                 // 6 channels everywhere, blank line after MOTION
};

void count(const joint* j, int& joints, int& end_sites, int& channels) {
    if (j->children.empty())
        ++end_sites;
    else
        ++joints;
    channels += static_cast<int>(j->channels.size());
    for (const joint* c : j->children) count(c, joints, end_sites, channels);
}

std::unique_ptr<skeleton> load_quietly(const std::string& path) {
    std::unique_ptr<skeleton> s;
    capture_stdout([&] { s = std::make_unique<skeleton>(path); });
    return s;
}

class BvhTestdata : public ::testing::TestWithParam<BvhExpectation> {};

}  // namespace

TEST_P(BvhTestdata, JointsChannelsFramesAndFrameTimeMatchTheFile) {
    SKIP_WITHOUT_TESTDATA("bvh");
    const BvhExpectation& e = GetParam();
    auto s = load_quietly(testdata(std::string("bvh/") + e.file));
    ASSERT_NE(s->root, nullptr);
    int joints = 0, end_sites = 0, channels = 0;
    count(s->root, joints, end_sites, channels);
    EXPECT_EQ(joints, e.joints);
    EXPECT_EQ(end_sites, e.end_sites);
    EXPECT_EQ(channels, e.channels_per_frame);
    EXPECT_EQ(static_cast<int>(s->joint_list.size()), e.joints);
    EXPECT_EQ(s->frame_count, 1 + e.frames);
    EXPECT_EQ(s->announced_frames, e.frames);
    EXPECT_FLOAT_EQ(s->frame_time, e.frame_time);
    EXPECT_EQ(s->value_count, static_cast<int64_t>(e.channels_per_frame) * e.frames);
    for (const joint* j : s->joint_list) ASSERT_EQ(static_cast<int>(j->matrices.size()), 1 + e.frames) << j->name;
    // The root's first frame translation is the first three numbers of the motion data.
    std::ifstream in(testdata(std::string("bvh/") + e.file));
    std::string word;
    while (in >> word && word != "Time:") {
    }
    float frame_time = 0, x = 0, y = 0, z = 0;
    in >> frame_time >> x >> y >> z;
    EXPECT_FLOAT_EQ(s->root->matrices[1][12], x);
    EXPECT_FLOAT_EQ(s->root->matrices[1][13], y);
    EXPECT_FLOAT_EQ(s->root->matrices[1][14], z);
}

INSTANTIATE_TEST_SUITE_P(Files, BvhTestdata, ::testing::ValuesIn(kBvhFiles), [](const auto& info) {
    std::string name = info.param.file;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

TEST(BvhTestdataDetail, SixChannelJointsTakeTheirOwnTranslations) {
    SKIP_WITHOUT_TESTDATA("bvh");
    const std::string path = testdata("bvh/milad_6ch.bvh");
    auto s = load_quietly(path);
    std::ifstream in(path);
    std::string word;
    while (in >> word && word != "Time:") {
    }
    float frame_time = 0;
    in >> frame_time;
    std::vector<float> row(354);
    for (float& v : row) in >> v;
    // Listed joint k takes values 6k..6k+5 of the row; the first three are its translation.
    for (size_t k = 0; k < s->joint_list.size(); ++k) {
        const mat4& m = s->joint_list[k]->matrices[1];
        ASSERT_FLOAT_EQ(m[12], row[6 * k]) << s->joint_list[k]->name;
        ASSERT_FLOAT_EQ(m[13], row[6 * k + 1]);
        ASSERT_FLOAT_EQ(m[14], row[6 * k + 2]);
    }
}

TEST(BvhTestdataDetail, JointsOfThePartTableGetEmptyUnmirroredRigidParts) {
    SKIP_WITHOUT_TESTDATA("bvh");
    // Other/obj/ does not exist here: every part is created empty and nothing throws.
    std::string out;
    std::unique_ptr<skeleton> s;
    out = capture_stdout([&] { s = std::make_unique<skeleton>(testdata("bvh/louise.bvh")); });
    int parts = 0;
    for (const joint* j : s->joint_list) {
        if (!j->part) continue;
        ++parts;
        EXPECT_EQ(j->part->model_matrix[10], 1.0f);
        EXPECT_TRUE(j->part->positions.empty());
        EXPECT_TRUE(j->part->has_mesh);
    }
    EXPECT_EQ(parts, 14);  // every table name but Chest2
    EXPECT_NE(out.find("framesNum = 2999\nframetime = 0.01\n"), std::string::npos) << out;
}
