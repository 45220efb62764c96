// The crt-encode command line: its options reach the stream (entropy kind, strategies,
// normal mode, left-out attributes) and bad arguments or input end with a message and
// a non-zero status instead of a stream.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <tuple>

#include "crt/decoder.h"
#include "round_trip.h"
#include "run_program.h"
#include "special_files.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace {

struct ToolRun {
    int status = -1;
    std::string output;  // standard output and error together
};

// The paths as they are, then the options split at spaces.
ToolRun run_tool(std::vector<std::string> arguments, const std::string& options = "", const char* tool = CRT_ENCODE_PATH) {
    std::istringstream words(options);
    for (std::string word; words >> word;) arguments.push_back(word);
    const ProgramRun run = runProgram(tool, arguments);
    return {run.status, run.output};
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

// The lines of a run's output that start with the tool's name: its messages.
int message_lines(const std::string& output, const std::string& tool) {
    int lines = 0;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) lines += line.compare(0, tool.size(), tool) == 0;
    return lines;
}

// Grows a file until the disk refuses more, leaving no room for another byte.
void fill_disk(const std::string& folder) {
    std::ofstream filler(folder + "/filler", std::ios::binary);
    const std::string block(4096, 'x');
    for (int i = 0; i < 100000 && filler.write(block.data(), block.size()).flush(); ++i) {
    }
}

// A crt stream of the strip, in a folder of its own, under a name crt-decode may also write.
struct ToolFiles {
    TempFolder folder;
    std::string obj = folder.write("strip.obj", readFile(write_strip_obj()));
    std::string stream = folder / "strip.ply";
    ToolFiles() { EXPECT_EQ(run_tool({obj, stream}).status, 0); }
};

}  // namespace

TEST(CrtEncodeTool, OptionsReachTheStream) {
    const std::string input = write_strip_obj(), output = temp_path("strip.crt");
    const ToolRun r = run_tool({input, output},
                               "--entropy stored --prediction plain --coding correlated --normals estimated"
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
    const ToolRun r = run_tool({input, output}, "--stats --fast");
    ASSERT_EQ(r.status, 0) << r.output;
    for (const char* part : {"connectivity symbols", "position raw bits", "normal mode", "color steps", "uv bit counts",
                             "total", "deg from the file's, precision 0.168 deg"})
        EXPECT_NE(r.output.find(part), std::string::npos) << part << "\n" << r.output;
    EXPECT_EQ(crt_test::decode_with_api(read_file(output)).result, 6);
}

TEST(CrtEncodeTool, AttributesCanBeLeftOut) {
    const std::string input = write_strip_obj(), output = temp_path("bare.crt");
    const ToolRun r = run_tool({input, output}, "--normals none --no-colors --no-uvs --postpone never");
    ASSERT_EQ(r.status, 0) << r.output;
    const std::vector<uint8_t> bytes = read_file(output);
    auto d = crt::create_decoder(bytes.data(), bytes.size());
    ASSERT_EQ(d->attributes.size(), 1u);
    EXPECT_EQ(d->attributes.begin()->first, "position");
}

TEST(CrtEncodeTool, BadArgumentsGiveTheUsage) {
    const std::string input = write_strip_obj(), output = temp_path("never.crt");
    const std::vector<std::string> paths{input, output};
    for (const auto& [arguments, options] :
         {std::pair{std::vector<std::string>{}, ""}, std::pair{std::vector<std::string>{input}, ""},
          std::pair{paths, "--bogus"}, std::pair{paths, "--position-bits 0"}, std::pair{paths, "--position-step -1"},
          std::pair{paths, "--entropy huffman"}, std::pair{paths, "--normal-bits"}}) {
        const ToolRun r = run_tool(arguments, options);
        EXPECT_EQ(r.status, 2) << arguments.size() << " paths, " << options << "\n" << r.output;
        EXPECT_NE(r.output.find("usage: crt-encode"), std::string::npos) << options;
    }
}

TEST(CrtEncodeTool, PlyWithTheFaceElementFirstIsEncoded) {
    // Once refused with "face 0 refers to vertex 2 outside the 0 vertices".
    const std::string input = temp_path("face_first.ply"), output = temp_path("face_first.crt");
    std::ofstream(input) << "ply\nformat ascii 1.0\ncomment faces first\nelement face 2\n"
                            "property list uchar int vertex_indices\nelement vertex 4\nproperty float x\n"
                            "property float y\nproperty float z\nend_header\n3 0 1 2\n3 0 2 3\n"
                            "0 0 0\n1 0 0\n1 1 0\n0 1 0\n";
    const ToolRun r = run_tool({input, output});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(crt_test::decode_with_api(read_file(output)).result, 2);
}

TEST(CrtEncodeTool, BadInputEndsWithAMessageAndNoStream) {
    const std::string output = temp_path("none.crt");
    std::remove(output.c_str());
    ToolRun r = run_tool({temp_path("missing.ply"), output});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("cannot open"), std::string::npos) << r.output;

    const std::string points = temp_path("points.obj");
    std::ofstream(points) << "v 0 0 0\nv 1 0 0\n";
    r = run_tool({points, output});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("no triangles"), std::string::npos) << r.output;

    const std::string damaged = temp_path("damaged.ply");
    std::ofstream(damaged) << "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                              "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n"
                              "0 0 0\n1 0 0\n0 1 0\n3 0 1 7\n";
    r = run_tool({damaged, output});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("outside the 3 vertices"), std::string::npos) << r.output;
    EXPECT_TRUE(read_file(output).empty()) << "no stream is written for bad input";

    // The encoder cannot quantise a NaN: the file and the vertex are named.
    const std::string nan = temp_path("nan.obj");
    std::ofstream(nan) << "v 0 0 0\nv 1 0 0\nv nan 1 0\nf 1 2 3\n";
    r = run_tool({nan, output});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find(nan + ": vertex 3 has a position that is not a finite number"), std::string::npos) << r.output;

    // Both tools used to read a pipe or a device to its end: never, or gigabytes later.
    TempFolder folder;
    const SpecialFiles special(folder);
    ASSERT_FALSE(special.pipe.empty());
    std::vector<std::string> inputs = special.devices;
    inputs.push_back(special.pipe);
    for (const std::string& input : inputs) {
        for (const char* tool : {CRT_ENCODE_PATH, CRT_DECODE_PATH}) {
            r = run_tool({input, output}, "", tool);
            EXPECT_EQ(r.status, 1) << tool << " " << input;
            EXPECT_NE(r.output.find("not a regular file"), std::string::npos) << r.output;
        }
    }
}

// Both tools wrote through std::ofstream: a pipe held them for good, a link was written
// through, the input could be its own output, and a full disk left a torn file (or,
// under crt-decode's 64 KB buffer, "written:" with status 0).
TEST(CrtToolOutput, PipesAndDevicesAreRefusedWithoutWaiting) {
    ToolFiles files;
    const SpecialFiles special(files.folder);
    ASSERT_FALSE(special.pipe.empty());
    std::vector<std::string> outputs{special.pipe};
    for (const std::string& device : special.devices)  // a link to a device is replaced, as any link
        if (!std::filesystem::is_symlink(device)) outputs.push_back(device);
    for (const std::string& output : outputs) {
        const ToolRun r = run_tool({files.obj, output});
        EXPECT_EQ(r.status, 1) << output;
        EXPECT_NE(r.output.find("is not a regular file"), std::string::npos) << r.output;
    }
#if !defined(_WIN32)
    const std::string pipe = files.folder / "pipe.ply";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const ToolRun r = run_tool({files.stream, pipe}, "", CRT_DECODE_PATH);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(message_lines(r.output, "crt-decode:"), 1) << r.output;
    EXPECT_NE(r.output.find("is not a regular file"), std::string::npos) << r.output;
#endif
}

TEST(CrtToolOutput, APlantedLinkIsReplacedAndItsTargetKept) {
    ToolFiles files;
    const std::string target = files.folder.write("target", "keep");
    for (const char* tool : {CRT_ENCODE_PATH, CRT_DECODE_PATH}) {
        const std::string link = files.folder / "link.obj";
        std::filesystem::remove(link);
        std::error_code ec;
        std::filesystem::create_symlink(target, link, ec);
        if (ec) GTEST_SKIP() << "no symbolic links here: " << ec.message();
        const bool encode = tool == std::string(CRT_ENCODE_PATH);
        const ToolRun r = run_tool({encode ? files.obj : files.stream, link}, "", tool);
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(readFile(target), "keep") << tool;
        EXPECT_FALSE(std::filesystem::is_symlink(link)) << tool;
        EXPECT_GT(std::filesystem::file_size(link), 40u) << tool;
    }
}

TEST(CrtToolOutput, TheInputIsRefusedAsTheOutput) {
    ToolFiles files;
    const std::string obj = readFile(files.obj), stream = readFile(files.stream);
    const std::string same = files.folder.path() + "/./strip.ply";
    for (const auto& [tool, input, output] :
         {std::tuple{CRT_ENCODE_PATH, files.obj, files.obj}, std::tuple{CRT_DECODE_PATH, files.stream, same}}) {
        const ToolRun r = run_tool({input, output}, "", tool);
        EXPECT_EQ(r.status, 1) << r.output;
        EXPECT_NE(r.output.find("is one of this run's input files"), std::string::npos) << r.output;
    }
    EXPECT_EQ(readFile(files.obj), obj);
    EXPECT_EQ(readFile(files.stream), stream);
}

TEST(CrtToolOutput, AFullDiskIsSaidOnceAndTheOldFileKept) {
    ToolFiles files;
    const SmallDisk disk(files.folder, 64);
    if (disk.path.empty()) GTEST_SKIP() << "no small disk here (not root)";
    const std::string crt = disk.path + "/out.crt", ply = disk.path + "/out.ply";
    writeFile(crt, "old stream");
    writeFile(ply, "old mesh");
    fill_disk(disk.path);
    for (const auto& [tool, name, input, output] :
         {std::tuple{CRT_ENCODE_PATH, "crt-encode:", files.obj, crt},
          std::tuple{CRT_DECODE_PATH, "crt-decode:", files.stream, ply}}) {
        const ToolRun r = run_tool({input, output}, "", tool);
        EXPECT_EQ(r.status, 1) << r.output;
        EXPECT_EQ(message_lines(r.output, name), 1) << r.output;
        EXPECT_NE(r.output.find("the disk is full"), std::string::npos) << r.output;
        EXPECT_EQ(r.output.find("written:"), std::string::npos) << r.output;
    }
    EXPECT_EQ(readFile(crt), "old stream");
    EXPECT_EQ(readFile(ply), "old mesh");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(disk.path), std::filesystem::directory_iterator()), 3)
        << "no temporary file left";
}
