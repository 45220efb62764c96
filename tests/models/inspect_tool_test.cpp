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

TEST(InspectTool, PlyFilesReportCountsBoxAndWhatWasPassedOver) {
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
    for (const char* line : {"vertices: 3\n", "faces: 2\n", "triangles: 1\n", "bounding box: (0, 0, -1) .. (2, 3, 0)\n",
                             "1 face(s) point outside the 3 vertices and are left out"})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
    // Faces first, an extra element and property: read, and what was not read named.
    const std::string extras = dir.write("extras.ply", "ply\nformat ascii 1.0\nelement face 1\n"
                                         "property list uchar int vertex_indices\nelement vertex 3\n"
                                         "property float x\nproperty float y\nproperty float z\nproperty float nx\n"
                                         "property float ny\nproperty float nz\nproperty float quality\n"
                                         "element edge 1\nproperty int vertex1\nproperty int vertex2\nend_header\n"
                                         "3 0 1 2\n0 0 0 0 0 1 9\n1 0 0 0 0 1 9\n0 1 0 0 0 1 9\n0 1\n");
    const std::string extra_out = run(extras, status);
    EXPECT_EQ(status, 0) << extra_out;
    for (const char* line : {"triangles: 1\n", "colours: none", "normals: per vertex\n",
                             "passed over: vertex property quality, element edge (1 records)\n"})
        EXPECT_NE(extra_out.find(line), std::string::npos) << line << "\n" << extra_out;

    SKIP_WITHOUT_TESTDATA("ply");
    // Files written by others (see ../shared/testdata/ply/PROVENANCE.md), ASCII and binary.
    for (const char* file : {"ply/test_pos_color_ascii.ply", "ply/test_pos_color_binary_le.ply"}) {
        const std::string got = run(testdata(file), status);
        EXPECT_EQ(status, 0) << got;
        for (const char* line :
             {"vertices: 114\n", "faces: 224\n", "triangles: 224\n", "colours: red green blue alpha"})
            EXPECT_NE(got.find(line), std::string::npos) << line << "\n" << got;
        for (unsigned char c : got) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7f)) << int(c) << "\n" << got;
    }
    const std::string bunny = run(testdata("meshes/bun_zipper.ply"), status);
    EXPECT_NE(bunny.find("passed over: vertex property confidence, vertex property intensity\n"), std::string::npos)
        << bunny;
    // A file cut short: what the show would make up is said, and the check fails.
    TempFolder cut;
    const std::string whole = readFile(testdata("ply/test_pos_color_binary_le.ply"));
    const std::string cut_out = run(cut.write("cut.ply", whole.substr(0, whole.size() - 100)), status);
    EXPECT_NE(cut_out.find("of 224; what is not read reads as zeros"), std::string::npos) << cut_out;
    EXPECT_NE(status, 0);
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
