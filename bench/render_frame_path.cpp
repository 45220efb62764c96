// The per-frame archive road: finding an entry among thousands, turning a JPEG frame into
// a texture, and the show's full-screen passes. Each pair runs the shipped code beside an
// earlier form (a linear scan with the data file reopened per read; OpenCV's decode with a
// new texture per picture; an RGB upload) so they compare as ratios. Needs a display: run
// under xvfb-run.
#include "platform/picture_decode.h"
#include "render/frame_archive.h"
#include "render/frame_archive_writer.h"
#include "render/image_texture.h"
#include "render/shader_program.h"
#include "gl_bench.h"
#include "show_passes.h"

#include <GL/glew.h>
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

constexpr int kEntries = 12000;  // about the number of frames the show's archive holds

std::string entryName(int k) {
    char name[48];
    std::snprintf(name, sizeof name, "c://videos//outputN%05d_n.jpg", k);
    return name;
}

std::string frameName(int width, const char* which) { return "frame" + std::to_string(width) + which; }

std::vector<unsigned char> frameJpeg(int width, int height, int seed = 7) {
    cv::Mat picture(height, width, CV_8UC3);
    cv::RNG generator(seed);
    generator.fill(picture, cv::RNG::UNIFORM, 0, 256);
    cv::GaussianBlur(picture, picture, cv::Size(9, 9), 3);  // photo-like, not noise
    std::vector<unsigned char> bytes;
    cv::imencode(".jpg", picture, bytes, {cv::IMWRITE_JPEG_QUALITY, 85});
    return bytes;
}

// One archive of small entries plus the two frame sizes, written once per run.
struct BenchArchive {
    std::string base = (std::filesystem::temp_directory_path() / ("velmora-bench-" + std::to_string(getpid()))).string();
    FrameArchive archive;
    BenchArchive() {
        FrameArchiveWriter writer(base);
        for (int k = 0; k < kEntries; ++k) writer.addBytes(entryName(k), {static_cast<unsigned char>(k), 1, 2, 3});
        // Two different pictures per size: a slot asked for the picture it shows does nothing.
        for (int size : {640, 960, 1920})
            for (const char* which : {"a", "b"})
                writer.addBytes(frameName(size, which), frameJpeg(size, size * 9 / 16, which[0]));
        writer.finish();
        archive.open(base);
    }
    ~BenchArchive() {
        std::remove((base + ".txt").c_str());
        std::remove((base + ".bin").c_str());
    }
};

BenchArchive& benchArchive() {
    static BenchArchive instance;
    return instance;
}

// The straightforward reader: first match of a linear scan, data file opened per read.
void readByScan(const FrameArchive& archive, const std::string& name, std::vector<unsigned char>& bytes) {
    bytes.clear();
    for (const ArchiveEntry& entry : archive.entries) {
        if (entry.name != name) continue;
        std::ifstream data(archive.dataPath, std::ios::binary);
        data.seekg(static_cast<std::streamoff>(entry.offset));
        bytes.resize(entry.length);
        data.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(entry.length));
        return;
    }
}

void BM_ArchiveRead_Lookup(benchmark::State& state) {
    const FrameArchive& archive = benchArchive().archive;
    std::vector<unsigned char> bytes;
    int k = 0;
    for (auto _ : state) {
        readArchiveEntry(archive, entryName(k), bytes);
        k = (k + 7919) % kEntries;
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_ArchiveRead_Lookup);

void BM_ArchiveRead_ScanAndReopen(benchmark::State& state) {
    const FrameArchive& archive = benchArchive().archive;
    std::vector<unsigned char> bytes;
    int k = 0;
    for (auto _ : state) {
        readByScan(archive, entryName(k), bytes);
        k = (k + 7919) % kEntries;
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_ArchiveRead_ScanAndReopen);

// The shipped road: loadTextureFromArchive (TurboJPEG into RGBA, the pixels replaced in
// the texture's storage), two pictures in turn. Items are pictures.
void BM_FrameToTexture(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const std::string names[2] = {frameName(size, "a"), frameName(size, "b")};
    ImageTexture texture;
    int k = 0;
    for (auto _ : state) {
        loadTextureFromArchive(texture, benchArchive().archive, names[k ^= 1]);
        glFinish();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FrameToTexture)->Arg(640)->Arg(960)->Arg(1920)->Unit(benchmark::kMillisecond)->UseRealTime();

// The road before it: OpenCV's decode to BGR, a conversion to RGBA, a texture re-specified
// for every picture.
void BM_FrameToTexture_OpenCv(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const std::string names[2] = {frameName(size, "a"), frameName(size, "b")};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    std::vector<unsigned char> bytes;
    int k = 0;
    for (auto _ : state) {
        readArchiveEntry(benchArchive().archive, names[k ^= 1], bytes);
        cv::Mat picture = cv::imdecode(bytes, cv::IMREAD_UNCHANGED), rgba;
        cv::cvtColor(picture, rgba, cv::COLOR_BGR2RGBA);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, rgba.cols, rgba.rows, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data);
        glFinish();
    }
    glDeleteTextures(1, &texture);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FrameToTexture_OpenCv)->Arg(640)->Arg(960)->Arg(1920)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same frame through an RGB upload, as a 3-byte texture: the road as first built.
void BM_FrameToTexture_RgbUpload(benchmark::State& state) {
    const std::string name = frameName(static_cast<int>(state.range(0)), "a");
    GLuint texture = 0;
    glGenTextures(1, &texture);
    std::vector<unsigned char> bytes;
    for (auto _ : state) {
        readArchiveEntry(benchArchive().archive, name, bytes);
        cv::Mat picture = cv::imdecode(bytes, cv::IMREAD_UNCHANGED);
        cv::cvtColor(picture, picture, cv::COLOR_BGR2RGB);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, picture.cols, picture.rows, 0, GL_RGB, GL_UNSIGNED_BYTE, picture.data);
        glFinish();
    }
    glDeleteTextures(1, &texture);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FrameToTexture_RgbUpload)->Arg(640)->Arg(960)->Arg(1920)->Unit(benchmark::kMillisecond)->UseRealTime();

// Decoding alone, the work the prefetch threads take off the render thread.
void BM_Decode(benchmark::State& state) {
    std::vector<unsigned char> bytes;
    readArchiveEntry(benchArchive().archive, frameName(960, "a"), bytes);
    platform::RgbaPicture picture;
    std::string message;
    for (auto _ : state) {
        if (state.range(0) == 0) {
            platform::decode_picture(bytes.data(), bytes.size(), picture, message);
        } else {
            cv::Mat bgr = cv::imdecode(bytes, cv::IMREAD_UNCHANGED), rgba;
            cv::cvtColor(bgr, rgba, cv::COLOR_BGR2RGBA);
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(state.range(0) == 0 ? "960x540 TurboJPEG to RGBA" : "960x540 OpenCV to BGR, then RGBA");
}
BENCHMARK(BM_Decode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Upload alone, from pixels already converted: where the roads differ. 3: RGB, 4: RGBA8,
// 5: RGBA8 into the existing storage, as a prefetched picture reaches its texture.
void BM_Upload(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    std::vector<unsigned char> pixels(1920 * 1080 * 4, 90);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1920, 1080, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    for (auto _ : state) {
        if (kind == 5)
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 1920, 1080, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        else if (kind == 4)
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1920, 1080, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        else
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1920, 1080, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        glFinish();
    }
    glDeleteTextures(1, &texture);
    state.SetLabel(kind == 5 ? "1920x1080 RGBA8 in place" : kind == 4 ? "1920x1080 RGBA8" : "1920x1080 RGB");
}
BENCHMARK(BM_Upload)->Arg(3)->Arg(4)->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// One uniform set by name, looked up afresh as the setters do; a frame sets a few dozen.
void BM_SetUniformFloatByName(benchmark::State& state) {
    const char* vertex = "#version 120\nvoid main() { gl_Position = gl_Vertex; }\n";
    const char* fragment =
        "#version 120\nuniform float k0, k1, k2, k3, k4, k5, ttime, cttime, fttime, fullttime, type;\n"
        "void main() { gl_FragColor = vec4(k0 + k1 + k2 + k3 + k4 + k5 + ttime + cttime + fttime + fullttime + type); }\n";
    const GLuint vs = glCreateShader(GL_VERTEX_SHADER), fs = glCreateShader(GL_FRAGMENT_SHADER);
    glShaderSource(vs, 1, &vertex, nullptr);
    glShaderSource(fs, 1, &fragment, nullptr);
    glCompileShader(vs);
    glCompileShader(fs);
    const GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    glUseProgram(program);
    float value = 0.0f;
    for (auto _ : state) setUniformFloat(program, "fullttime", value += 1.0f);
    glUseProgram(0);
    glDeleteProgram(program);
}
BENCHMARK(BM_SetUniformFloatByName);

// The show's full-screen passes at 1280 x 720 on pictures like the show's, each drawn
// and finished per iteration: the per-pass cost that the --timing report shows as GPU
// time, without the scene in front of it.
struct ShowPassBench {
    std::string folder = enterShaderCopy();
    ShowPrograms programs;
    PassTargets targets;
    PassInputs in;
    ShowPassBench() {
        loadShowPrograms(programs);
        createPassTargets(targets, 1280, 720);
        const auto photo = [](int seed) {
            return [seed](int x, int y) {
                const uint8_t v = static_cast<uint8_t>((x * 7 + y * 13 + seed * 31) % 251);
                return std::array<uint8_t, 4>{v, static_cast<uint8_t>(255 - v), static_cast<uint8_t>(v / 2), 255};
            };
        };
        in.video = makeTexture(960, 540, photo(1));
        in.video2 = makeTexture(960, 540, photo(2));
        in.noise = makeTexture(960, 540, photo(3));
        in.overlay = makeTexture(960, 540, photo(4));
        in.blue = makeTexture(64, 64, photo(5));
        beginScene(targets, 0.2f, 0.3f, 0.4f, 1.0f);
        endScene(targets);
    }
    ~ShowPassBench() { leaveShaderCopy(folder); }
};

void BM_ShowPass(benchmark::State& state) {
    static ShowPassBench bench;
    const int pass = static_cast<int>(state.range(0));
    bench.in.ttime = bench.in.cttime = bench.in.fttime = static_cast<float>(state.range(1));
    const auto run = [&] {
        if (pass == 0) runComposite(bench.programs, bench.targets, bench.in);
        if (pass == 1) runPost(bench.programs, bench.targets, bench.in);
        if (pass == 2) runPrint(bench.programs, bench.targets, bench.in);
        glFinish();
    };
    run();  // the driver prepares the pass's shaders on its first draw
    for (auto _ : state) run();
    static const char* const names[3] = {"composite", "post", "print alone"};
    state.SetLabel(std::string(names[pass]) + " 1280x720, edit position " + std::to_string(state.range(1)));
}
// At 50 the edit shows one reel; past 380 the post pass double-exposes the second.
BENCHMARK(BM_ShowPass)->Args({0, 50})->Args({1, 50})->Args({1, 400})->Args({2, 50})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // The final pass draws into the window: it has the passes' size.
    return runGlBenchmarks(argc, argv, 1280, 720, true);
}
