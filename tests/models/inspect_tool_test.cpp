// velmora-inspect run as show makers run it, on a generated file and on the shared data.
#include <gtest/gtest.h>

#include "model_files.h"
#include "run_program.h"

namespace {

std::string run(const std::string& file, int& status) {
    const ProgramRun run = runProgram(VELMORA_INSPECT, {file});
    status = run.status;
    return run.output;
}

}  // namespace

TEST(InspectTool, ReportsObjectsMaterialsAndTheBox) {
    TempFolder dir;
    const std::string path = dir.write("m.obj", "v 0 0 0\nv 2 0 0\nv 2 1 0\nv 0 1 3\nvt 0 0\no a\nf 1 2 3\n"
                                                "o b\nusemtl x\nf 1 3 4\nf 1 2 4\n");
    int status = -1;
    const std::string out = run(path, status);
    EXPECT_EQ(status, 0);
    for (const char* line : {"positions: 4\n", "texture coordinates: 1\n", "vertices after merging: 7\n",
                             "triangles: 3\n", "objects: 2\n", "  object 1: triangles 1-2 (2)\n",
                             "materials: 1\n", "  material 0 \"default\"", "groups: 1\n",
                             "bounding box: min (0, 0, 0) max (2, 1, 3)\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
}

TEST(InspectTool, ReportsBvhJointsFramesAndFrameTime) {
    SKIP_WITHOUT_TESTDATA("bvh");
    int status = -1;
    const std::string out = run(testdata("bvh/louise.bvh"), status);
    EXPECT_EQ(status, 0);
    for (const char* line : {"  Hips: 6 channels\n", "    Chest: 3 channels\n", "joints: 18, end sites: 5\n",
                             "channels per frame: 57\n", "frames: 2998 (announced 2998)\n", "frame time: 0.01 s\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
}

TEST(InspectTool, PlyFilesReportCountsBoxAndHeaderLayout) {
    TempFolder dir;
    const std::string path = dir.write("tri.ply", "ply\nformat ascii 1.0\ncomment made here\nelement vertex 3\n"
                                      "property float x\nproperty float y\nproperty float z\n"
                                      "property uchar red\nproperty uchar green\nproperty uchar blue\n"
                                      "property uchar alpha\nelement face 2\n"
                                      "property list uchar int vertex_indices\nproperty list uchar float texcoord\n"
                                      "end_header\n0 0 0 1 1 1 1\n2 0 0 1 1 1 1\n0 3 -1 1 1 1 1\n"
                                      "3 0 1 2 6 0 0 0 0 0 0\n3 0 1 7 6 0 0 0 0 0 0\n");
    int status = 0;
    const std::string out = run(path, status);
    EXPECT_EQ(status, 0) << out;
    for (const char* line : {"vertices: 3\n", "faces: 2\n", "bounding box: (0, 0, -1) .. (2, 3, 0)\n",
                             "warning: 1 face(s) point outside"})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
    SKIP_WITHOUT_TESTDATA("ply");
    // A file written by others with another header: the tool says the show would misread it.
    EXPECT_NE(run(testdata("ply/test_pos_color_ascii.ply"), status).find("warning: the header"), std::string::npos);
    EXPECT_NE(status, 0);
    // A binary body read as header tokens: the warning shows its bytes escaped, never raw.
    const std::string binary = run(testdata("ply/test_pos_color_binary_le.ply"), status);
    EXPECT_NE(binary.find("warning: the header"), std::string::npos) << binary;
    EXPECT_NE(status, 0);
    for (unsigned char c : binary) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7f)) << int(c) << "\n" << binary;
}

TEST(InspectTool, BvhNestedTooDeepIsRefusedInALine) {
    TempFolder dir;
    std::string text = "HIERARCHY\nROOT r\n{\nOFFSET 0 0 0\nCHANNELS 1 Xrotation\n";
    for (int i = 0; i < 100000; ++i) text += "JOINT j { OFFSET 0 1 0 CHANNELS 1 Xrotation\n";
    int status = 0;
    const std::string out = run(dir.write("deep.bvh", text), status);
    EXPECT_NE(out.find("nested deeper than 512 levels"), std::string::npos) << out.substr(0, 400);
    EXPECT_NE(status, 0);
}

TEST(InspectTool, ControlBytesInAJointNameAreEscaped) {
    TempFolder dir;
    int status = 0;
    const std::string out = run(dir.write("odd.bvh", "HIERARCHY\nROOT ne\x1b[2Jck\n{\nOFFSET 0 0 0\nCHANNELS 1 Xrotation\n"
                                                     "}\nMOTION\nFrames: 1\nFrame Time: 0.1\n5\n"),
                                status);
    EXPECT_NE(out.find("ne\\x1b[2Jck: 1 channels"), std::string::npos) << out;
    EXPECT_EQ(out.find('\x1b'), std::string::npos);
}

TEST(InspectTool, MissingFilesUnknownKindsAndPlyAreClear) {
    int status = 0;
    EXPECT_NE(run("/nonexistent/model.obj", status).find("cannot open /nonexistent/model.obj"), std::string::npos);
    EXPECT_NE(status, 0);
    EXPECT_NE(run("/nonexistent/motion.bvh", status).find("not found"), std::string::npos);
    EXPECT_NE(status, 0);
    EXPECT_NE(run("notes.txt", status).find("unknown file type"), std::string::npos);
    EXPECT_NE(status, 0);
    EXPECT_NE(run("/nonexistent/scul1.ply", status).find("cannot open"), std::string::npos);
    EXPECT_NE(status, 0);
}
