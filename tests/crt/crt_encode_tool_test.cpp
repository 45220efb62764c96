// The crt-encode command line: its options reach the stream (entropy kind, strategies,
// normal mode, left-out attributes) and bad arguments or input end with a message and
// a non-zero status instead of a stream.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "crt/decoder.h"
#include "round_trip.h"

namespace {

struct ToolRun {
    int status = -1;
    std::string output;  // standard output and error together
};

ToolRun run_tool(const std::string& arguments, const char* tool = CRT_ENCODE_PATH) {
    ToolRun r;
    const std::string command = std::string(tool) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.output.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string temp_path(const std::string& name) { return ::testing::TempDir() + "crt_encode_tool_" + name; }

// A coloured, textured quad strip with normals, written as OBJ.
std::string write_strip_obj() {
    const std::string path = temp_path("strip.obj");
    std::ofstream out(path);
    out << "# strip\n";
    for (int i = 0; i < 4; ++i) {
        out << "v " << i << " 0 0 " << i * 0.25 << " 0.5 1\n";
        out << "v " << i << " 1 0.1 1 0.5 " << i * 0.25 << "\n";
        out << "vt " << i / 3.0 << " 0\nvt " << i / 3.0 << " 1\n";
    }
    out << "vn 0 0 1\n";
    for (int i = 0; i < 3; ++i) {
        const int a = 2 * i + 1, b = a + 1, c = a + 2, d = a + 3;
        out << "f " << a << "/" << a << "/1 " << c << "/" << c << "/1 " << d << "/" << d << "/1 " << b << "/" << b
            << "/1\n";
    }
    return path;
}

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(CrtEncodeTool, OptionsReachTheStream) {
    const std::string input = write_strip_obj(), output = temp_path("strip.crt");
    const ToolRun r = run_tool(input + " " + output +
                           " --entropy stored --prediction plain --coding correlated --normals estimated"
                           " --position-bits 12 --color-bits 4 --uv-step 0.01");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("6 triangles"), std::string::npos) << r.output;
    const std::vector<uint8_t> bytes = read_file(output);
    auto d = crt::create_decoder(bytes.data(), bytes.size());
    EXPECT_EQ(d->stream.entropy, 0);
    ASSERT_EQ(d->attributes.size(), 4u);
    EXPECT_EQ(d->attributes.at("position")->strategy, crt::kCorrelated);
    EXPECT_EQ(d->attributes.at("uv")->strategy, crt::kCorrelated);
    EXPECT_FLOAT_EQ(d->attributes.at("uv")->step, 0.01f);
    const crt_test::ApiDecode decoded = crt_test::decode_with_api(bytes);
    ASSERT_EQ(decoded.result, 6) << decoded.error;
    EXPECT_NEAR(decoded.colors[3], 1.0f, 1e-6) << "three-channel colours decode opaque";

    auto normals = crt::create_decoder(bytes.data(), bytes.size());
    std::vector<float> positions(decoded.vertex_count * 3), n(decoded.vertex_count * 3);
    std::vector<uint32_t> indices(18);
    crt::OutputArrays arrays;
    arrays.positions = positions.data();
    arrays.normals = n.data();
    arrays.indices = indices.data();
    ASSERT_EQ(crt::decode_mesh(*normals, arrays), 6);
    EXPECT_EQ(static_cast<const crt::NormalAttr&>(*normals->attributes.at("normal")).mode, crt::NormalAttr::estimated);
}

TEST(CrtEncodeTool, StatsListEveryPartAndFastStreamsDecode) {
    const std::string input = write_strip_obj(), output = temp_path("stats.crt");
    const ToolRun r = run_tool(input + " " + output + " --stats --fast");
    ASSERT_EQ(r.status, 0) << r.output;
    for (const char* part : {"connectivity symbols", "position raw bits", "normal mode", "color steps", "uv bit counts",
                             "total", "deg from the file's, precision 0.168 deg"})
        EXPECT_NE(r.output.find(part), std::string::npos) << part << "\n" << r.output;
    EXPECT_EQ(crt_test::decode_with_api(read_file(output)).result, 6);
}

TEST(CrtEncodeTool, AttributesCanBeLeftOut) {
    const std::string input = write_strip_obj(), output = temp_path("bare.crt");
    const ToolRun r = run_tool(input + " " + output + " --normals none --no-colors --no-uvs --postpone never");
    ASSERT_EQ(r.status, 0) << r.output;
    const std::vector<uint8_t> bytes = read_file(output);
    auto d = crt::create_decoder(bytes.data(), bytes.size());
    ASSERT_EQ(d->attributes.size(), 1u);
    EXPECT_EQ(d->attributes.begin()->first, "position");
}

TEST(CrtEncodeTool, BadArgumentsGiveTheUsage) {
    const std::string input = write_strip_obj(), output = temp_path("never.crt");
    for (const std::string& args : {std::string(""), input, input + " " + output + " --bogus",
                                   input + " " + output + " --position-bits 0",
                                   input + " " + output + " --position-step -1",
                                   input + " " + output + " --entropy huffman",
                                   input + " " + output + " --normal-bits"}) {
        const ToolRun r = run_tool(args);
        EXPECT_EQ(r.status, 2) << args << "\n" << r.output;
        EXPECT_NE(r.output.find("usage: crt-encode"), std::string::npos) << args;
    }
}

TEST(CrtEncodeTool, BadInputEndsWithAMessageAndNoStream) {
    const std::string output = temp_path("none.crt");
    std::remove(output.c_str());
    ToolRun r = run_tool(temp_path("missing.ply") + " " + output);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("cannot open"), std::string::npos) << r.output;

    const std::string points = temp_path("points.obj");
    std::ofstream(points) << "v 0 0 0\nv 1 0 0\n";
    r = run_tool(points + " " + output);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("no triangles"), std::string::npos) << r.output;

    const std::string damaged = temp_path("damaged.ply");
    std::ofstream(damaged) << "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                              "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n"
                              "0 0 0\n1 0 0\n0 1 0\n3 0 1 7\n";
    r = run_tool(damaged + " " + output);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("outside the 3 vertices"), std::string::npos) << r.output;
    EXPECT_TRUE(read_file(output).empty()) << "no stream is written for bad input";

    // The encoder cannot quantise a NaN: the file and the vertex are named.
    const std::string nan = temp_path("nan.obj");
    std::ofstream(nan) << "v 0 0 0\nv 1 0 0\nv nan 1 0\nf 1 2 3\n";
    r = run_tool(nan + " " + output);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find(nan + ": vertex 3 has a position that is not a finite number"), std::string::npos) << r.output;

    // Both tools used to read a pipe or a device to its end: never, or gigabytes later.
    const std::string pipe = temp_path("pipe.obj");
    std::remove(pipe.c_str());
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& input : {pipe, std::string("/dev/zero")}) {
        for (const char* tool : {CRT_ENCODE_PATH, CRT_DECODE_PATH}) {
            r = run_tool(input + " " + output, tool);
            EXPECT_EQ(r.status, 1) << tool << " " << input;
            EXPECT_NE(r.output.find("not a regular file"), std::string::npos) << r.output;
        }
    }
    std::remove(pipe.c_str());
}
