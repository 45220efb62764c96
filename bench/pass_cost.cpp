// The show's full-screen passes beside trivial passes of the same shape: the same size,
// the same pictures read the same way (whole texels or filtered) as often, into the same
// kind of target (a texture, or the window). The ratio of a pass to its twin is what its
// own work costs on top of moving the pixels. Each iteration draws one pass and waits for
// it; the time is the processor time of the whole process (llvmpipe draws on threads of
// its own), which stays steady on a shared machine where wall time does not. The driver's
// timer query (what --timing reports) is the counter gpu_ms. Needs a display: run under
// xvfb-run. --size WxH sets the frame (default 1280x720).
#include <GL/glew.h>
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "render/picture_copy.h"
#include "render/picture_enlarge.h"
#include "render/render_target.h"
#include "render/shader_program.h"
#include "render/target_resize.h"
#include "gl_bench.h"
#include "show_passes.h"

namespace {

int g_width = 1280, g_height = 720;

double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

template <typename Draw>
void timePass(benchmark::State& state, Draw draw) {
    draw();  // the driver prepares the pass's shaders on its first draw
    glFinish();
    GLuint query = 0;
    glGenQueries(1, &query);
    double gpu = 0.0, wall = 0.0;
    for (auto _ : state) {
        const double start = processSeconds();
        const auto wallStart = std::chrono::steady_clock::now();
        glBeginQuery(GL_TIME_ELAPSED, query);
        draw();
        glEndQuery(GL_TIME_ELAPSED);
        glFinish();
        state.SetIterationTime(processSeconds() - start);
        wall += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count();
        GLuint64 ns = 0;
        glGetQueryObjectui64v(query, GL_QUERY_RESULT, &ns);
        gpu += static_cast<double>(ns) * 1e-6;
    }
    glDeleteQueries(1, &query);
    state.counters["gpu_ms"] = benchmark::Counter(gpu / static_cast<double>(state.iterations()));
    // Wall time follows the other programs' load; beside the processor time it shows how
    // much of the pass llvmpipe's threads ran side by side.
    state.counters["wall_ms"] = benchmark::Counter(wall / static_cast<double>(state.iterations()));
}

GLuint picture(int width, int height, int seed) {
    return makeTexture(width, height, [seed](int x, int y) {
        const uint8_t v = static_cast<uint8_t>((x * 7 + y * 13 + seed * 31) % 251);
        return std::array<uint8_t, 4>{v, static_cast<uint8_t>(255 - v), static_cast<uint8_t>(v / 2), 255};
    });
}

struct Frame {
    std::string folder = enterShaderCopy();
    ShowPrograms programs;
    PassTargets targets;
    PassInputs in;
    Frame() {
        loadShowPrograms(programs);
        createPassTargets(targets, g_width, g_height);
        in.video = picture(960, 540, 1);
        in.video2 = picture(960, 540, 2);
        in.noise = picture(960, 540, 3);
        in.overlay = picture(960, 540, 4);
        in.blue = picture(64, 64, 5);
        beginScene(targets, 0.2f, 0.3f, 0.4f, 1.0f);
        endScene(targets);
    }
    ~Frame() { leaveShaderCopy(folder); }
};

Frame& frame() {
    static Frame f;
    return f;
}

// A read of a trivial twin: a sampler, bound to the texture the show's pass reads there,
// and whether the read is filtered.
struct Read {
    const char* sampler;
    GLuint texture;
    bool filtered;
};

GLuint compiled(GLenum kind, const std::string& source) {
    const GLuint shader = glCreateShader(kind);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    return shader;
}

// Sums the reads, each at its own small offset so that none is merged with another.
GLuint twinProgram(const std::vector<Read>& reads) {
    std::string fragment = "#version 130\nin vec2 vUV;\n";
    for (size_t i = 0; i < reads.size(); ++i) fragment += "uniform sampler2D s" + std::to_string(i) + ";\n";
    fragment += "void main() {\n  vec4 sum = vec4(0.0);\n  ivec2 at = ivec2(gl_FragCoord.xy);\n";
    for (size_t i = 0; i < reads.size(); ++i) {
        const std::string s = "s" + std::to_string(i), k = std::to_string(i % 3);
        fragment += reads[i].filtered ? "  sum += texture(" + s + ", vUV + vec2(0.001 * " + k + ".0));\n"
                                      : "  sum += texelFetch(" + s + ", clamp(at + ivec2(" + k + "), ivec2(0), "
                                        "textureSize(" + s + ", 0) - 1), 0);\n";
    }
    fragment += "  gl_FragColor = sum * 0.125;\n}\n";
    const std::string vertex =
        "#version 130\nout vec2 vUV;\nvoid main() { vUV = gl_MultiTexCoord0.xy; gl_Position = gl_Vertex; }\n";
    const GLuint p = glCreateProgram();
    glAttachShader(p, compiled(GL_VERTEX_SHADER, vertex));
    glAttachShader(p, compiled(GL_FRAGMENT_SHADER, fragment));
    glLinkProgram(p);
    return p;
}

// The reads of each shipped pass, as its shader makes them (reads under a condition count:
// llvmpipe works them out for every pixel).
std::vector<Read> shapeOf(int pass, Frame& f) {
    const PassTargets& t = f.targets;
    if (pass == 0)  // composite: three scene outputs, the overlay, the grain, its history, blue noise
        return {{"texture2d", t.scene.textures[1], false},  {"texture2d2", t.scene.textures[2], false},
                {"texture2d3", t.scene.textures[3], false}, {"OverlayTexture", f.in.overlay, true},
                {"textureNoise", f.in.noise, false},         {"textureFeedback", t.composite.textures[1], false},
                {"BlueTexture", f.in.blue, false}};
    if (pass == 1)  // post, which prints: the composite filtered, its lateral red, the echo and four
                    // halation taps, the second reel
        return {{"texture2d", t.composite.textures[1], true},  {"texture2d", t.composite.textures[1], false},
                {"texture2d", t.composite.textures[1], false}, {"texture2d", t.composite.textures[1], false},
                {"texture2d", t.composite.textures[1], false}, {"texture2d", t.composite.textures[1], false},
                {"texture2d", t.composite.textures[1], false}, {"textureVideo2", f.in.video2, true}};
    // final: the print of a finished picture alone (the show's frame prints in the post pass):
    // the picture, its lateral red, the echo
    return {{"texture2d", t.post.textures[1], false},
            {"texture2d", t.post.textures[1], false},
            {"textureprev", t.post.textures[1], false}};
}

const char* const kPassNames[3] = {"composite", "post", "print alone"};

// Args: pass (0 composite, 1 post, 2 the print alone), 0 the shipped pass or 1 its trivial twin.
void BM_Pass(benchmark::State& state) {
    Frame& f = frame();
    const int pass = static_cast<int>(state.range(0));
    const bool twin = state.range(1) != 0;
    if (!twin) {
        timePass(state, [&] {
            if (pass == 0) runComposite(f.programs, f.targets, f.in);
            if (pass == 1) runPost(f.programs, f.targets, f.in);
            if (pass == 2) runPrint(f.programs, f.targets, f.in);
        });
        state.SetLabel(std::string(kPassNames[pass]) + " as shipped");
        return;
    }
    const std::vector<Read> reads = shapeOf(pass, f);
    const GLuint program = twinProgram(reads);
    RenderTarget& target = pass == 0 ? f.targets.composite : f.targets.post;
    timePass(state, [&] {
        glDisable(GL_BLEND);
        if (pass == 2) {
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
        } else {
            glBindFramebuffer(GL_FRAMEBUFFER, target.resolveFramebuffer);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target.textures[0], 0);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, 0, 0);
            glDrawBuffer(GL_COLOR_ATTACHMENT0);
        }
        glViewport(0, 0, g_width, g_height);
        glUseProgram(program);
        for (size_t i = 0; i < reads.size(); ++i)
            setUniformTexture(program, static_cast<int>(i), ("s" + std::to_string(i)).c_str(), reads[i].texture);
        drawFullscreenQuad();
        glUseProgram(0);
    });
    glDeleteProgram(program);
    state.SetLabel(std::string(kPassNames[pass]) + "'s trivial twin, " + std::to_string(reads.size()) + " reads");
}
BENCHMARK(BM_Pass)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// Enlarging a picture drawn at a render scale to the window, as the final pass does.
void BM_EnlargeToWindow(benchmark::State& state) {
    Frame& f = frame();
    const float scale = static_cast<float>(state.range(0)) / 100.0f;
    RenderTarget small;
    createRenderTarget(small, static_cast<int>(g_width * scale), static_cast<int>(g_height * scale), 0);
    const GLuint program = twinProgram({{"picture", small.textures[1], true}});
    timePass(state, [&] {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, g_width, g_height);
        glUseProgram(program);
        setUniformTexture(program, 0, "s0", small.textures[1]);
        drawFullscreenQuad();
        glUseProgram(0);
    });
    glDeleteProgram(program);
    (void)f;
    state.SetLabel("from " + std::to_string(small.width) + "x" + std::to_string(small.height));
}
BENCHMARK(BM_EnlargeToWindow)->Arg(50)->Arg(75)->Unit(benchmark::kMillisecond)->UseManualTime();

// The show's own enlargements of its picture to the window, as the final pass draws them.
// Args: scale in percent, 0 the plain linear copy or 1 the one that keeps edges.
void BM_EnlargePicture(benchmark::State& state) {
    frame();  // the same context and state as the passes
    const float scale = static_cast<float>(state.range(0)) / 100.0f;
    const bool sharpened = state.range(1) != 0;
    RenderTarget small;
    createRenderTarget(small, static_cast<int>(g_width * scale), static_cast<int>(g_height * scale), 0);
    glBindTexture(GL_TEXTURE_2D, small.textures[1]);
    std::vector<uint8_t> pixels(static_cast<size_t>(small.width) * small.height * 4);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>((i * 7919u) % 251u);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, small.width, small.height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glDisable(GL_BLEND);
    timePass(state, [&] {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, g_width, g_height);
        if (sharpened)
            drawPictureSharpened(small.textures[1], small.width, small.height);
        else
            drawPictureEnlarged(small.textures[1]);
    });
    state.SetLabel(std::string(sharpened ? "keeping edges" : "plain copy") + " from " + std::to_string(small.width) +
                   "x" + std::to_string(small.height));
}
BENCHMARK(BM_EnlargePicture)
    ->ArgsProduct({{50, 75}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// A step of the render scale as the show takes it: its three targets (the scene's, the
// composite's whose history is carried over, the post pass's) resized between 0.70 and
// 0.75 of the frame. Arg: 1 empties the new storage as a new target starts, 0 leaves it
// (the show's passes draw every texel before they read it).
void BM_ScaleStep(benchmark::State& state) {
    frame();
    const bool emptied = state.range(0) != 0;
    RenderTarget targets[3];
    for (RenderTarget& t : targets) createRenderTarget(t, g_width * 3 / 4, g_height * 3 / 4, 0);
    int k = 0;
    timePass(state, [&] {
        const float scale = ++k % 2 ? 0.70f : 0.75f;
        const int w = static_cast<int>(g_width * scale), h = static_cast<int>(g_height * scale);
        resizeRenderTarget(targets[0], w, h, false, emptied);
        resizeRenderTarget(targets[1], w, h, true, emptied);
        resizeRenderTarget(targets[2], w, h, false, emptied);
    });
    state.SetLabel(emptied ? "storage emptied" : "storage left");
}
BENCHMARK(BM_ScaleStep)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (!std::strcmp(argv[i], "--size") && std::sscanf(argv[i + 1], "%dx%d", &g_width, &g_height) != 2) {
            std::fprintf(stderr, "--size expects WxH\n");
            return 2;
        }
    // As the show's window: single-sample, no depth; the final pass draws into it.
    return runGlBenchmarks(argc, argv, g_width, g_height, false);
}
