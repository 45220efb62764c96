// The body without a window: frame selection and blending, update's wrap, the part table.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "model_files.h"
#include "models/body.h"

TEST(BodyFrames, SelectionWithAHundredFrames) {
    struct Case {
        float frame;
        int a, b;
        float t;
    };
    for (const Case& c : {Case{1.0f, 2, 3, 0.0f}, Case{0.0f, 1, 2, 0.0f}, Case{99.5f, 100, 1, 0.5f},
                          Case{250.25f, 51, 52, 0.25f}, Case{-0.5f, 100, 1, 0.5f}}) {
        const frame_blend f = select_frame(c.frame, 100);
        EXPECT_EQ(f.a, c.a) << c.frame;
        EXPECT_EQ(f.b, c.b) << c.frame;
        EXPECT_FLOAT_EQ(f.t, c.t) << c.frame;
    }
    // Never the rest matrix, never past the last frame, whatever the value.
    for (float frame : {1e12f, -1e12f, NAN, INFINITY, 2147483648.0f}) {
        const frame_blend f = select_frame(frame, 100);
        EXPECT_GE(f.a, 1);
        EXPECT_LE(f.a, 100);
        EXPECT_GE(f.b, 1);
        EXPECT_LE(f.b, 100);
    }
}

TEST(BodyFrames, UpdateWrapsToOneAfterTheLastFrame) {
    TempFolder dir;
    std::string bvh = "HIERARCHY ROOT r { OFFSET 0 0 0 CHANNELS 1 Zrotation End Site { OFFSET 0 1 0 } }\n"
                      "MOTION\nFrames: 100\nFrame Time: 0.01\n";
    for (int i = 0; i < 100; ++i) bvh += std::to_string(i) + "\n";
    const std::string path = dir.write("hundred.bvh", bvh);
    std::unique_ptr<body> b;
    capture_stdout([&] { b = std::make_unique<body>(path); });
    ASSERT_EQ(b->motion_frames(), 100);
    EXPECT_EQ(b->frame, 1.0f);
    b->update();
    EXPECT_EQ(b->frame, 2.0f);
    b->frame = 100.0f;  // 101 is not less than 101 matrices
    b->update();
    EXPECT_EQ(b->frame, 1.0f);
}

TEST(BodyParts, TableNamesTheFigureJointsAndSkipsObjectsTwoAndSeven) {
    EXPECT_EQ(body_part_for("hip"), nullptr);
    EXPECT_EQ(body_part_for("Head"), nullptr);  // names compare exactly
    EXPECT_EQ(body_part_for("rShin")->object, 3);
    EXPECT_EQ(body_part_for("lShin")->object, 3);
    EXPECT_FLOAT_EQ(body_part_for("chest")->scale, 1.09f);
    EXPECT_FLOAT_EQ(body_part_for("lForeArm")->translation[0], 0.154f);
    std::set<int> objects;
    for (const char* name : {"head", "neck", "chest", "abdomen", "rThigh", "rCollar", "lCollar", "lShldr", "rShldr",
                             "rForeArm", "lForeArm", "lHand", "rHand", "lThigh", "rShin", "lShin", "lFoot", "rFoot"})
        objects.insert(body_part_for(name)->object);
    EXPECT_EQ(objects.size(), 17u);
    EXPECT_EQ(objects.count(2) + objects.count(7), 0u);
}
