// objmodel's drawing on a real context, checked by reading pixels back: the area
// draw_immediate covers, how often each object is drawn, draw_object's selection, and the
// vertex array objects' attributes.
#include <memory>

#include "gl_test_context.h"
#include "model_files.h"
#include "models/objmodel.h"

namespace {

// Two unit-area squares in the default clip space: A on the left, B on the right.
const char* kTwoSquares =
    "v -0.9 -0.4 0\nv -0.1 -0.4 0\nv -0.1 0.4 0\nv -0.9 0.4 0\n"
    "v 0.1 -0.4 0 1 0 0\nv 0.9 -0.4 0 1 0 0\nv 0.9 0.4 0 1 0 0\nv 0.1 0.4 0 1 0 0\n"
    "o A\nf 1 2 3 4\no B\nf 5 6 7 8\n";

class ObjModelGl : public GlTest {
protected:
    std::unique_ptr<objmodel> load(const std::string& obj, bool gpu) {
        const std::string path = dir.write("m.obj", obj);
        auto m = std::make_unique<objmodel>();
        capture_stdout([&] { m->load(path, gpu); });
        return m;
    }
    // Red channel at the centre of square A and of square B.
    static std::pair<int, int> centres() {
        const auto a = readPixels(kWidth / 4, kHeight / 2, 1, 1);
        const auto b = readPixels(3 * kWidth / 4, kHeight / 2, 1, 1);
        return {a[0], b[0]};
    }
    // Additive blending of a quarter-intensity colour: each draw adds about 64.
    static void count_draws() {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        glColor3f(0.25f, 0.25f, 0.25f);
    }
    void TearDown() override { glDisable(GL_BLEND); }
    TempFolder dir;
};

int draws(int red) { return (red + 32) / 64; }

}  // namespace

TEST_F(ObjModelGl, DrawImmediateCoversTheModelsArea) {
    auto m = load("o quad\nv -0.5 -0.5 0\nv 0.5 -0.5 0\nv 0.5 0.5 0\nv -0.5 0.5 0\nf 1 2 3 4\n", false);
    m->build_parts();
    glColor3f(1, 1, 1);
    m->draw_immediate();
    // A quarter of the 256 x 256 window, and nothing outside it.
    const auto inside = readPixels(kWidth / 4, kHeight / 4, kWidth / 2, kHeight / 2);
    EXPECT_EQ(countAbove(inside, 0, 128), (kWidth / 2) * (kHeight / 2));
    EXPECT_EQ(countAbove(readPixels(0, 0, kWidth, kHeight), 0, 0), (kWidth / 2) * (kHeight / 2));
}

TEST_F(ObjModelGl, DrawImmediateDrawsEarlierObjectsOncePerLaterPart) {
    auto m = load(kTwoSquares, false);
    m->build_parts();  // parts: nothing, A, A + B
    count_draws();
    m->draw_immediate();
    const auto [a, b] = centres();
    EXPECT_EQ(draws(a), 2);
    EXPECT_EQ(draws(b), 1);
}

TEST_F(ObjModelGl, DrawObjectDrawsTheRequestedObjectOrEachOnce) {
    auto m = load(kTwoSquares, false);
    count_draws();
    m->draw_object(1);
    auto [a, b] = centres();
    EXPECT_EQ(draws(a), 0);
    EXPECT_EQ(draws(b), 1);
    glClear(GL_COLOR_BUFFER_BIT);
    m->draw_object(-1);
    m->draw_object(2);  // no such object
    std::tie(a, b) = centres();
    EXPECT_EQ(draws(a), 1);
    EXPECT_EQ(draws(b), 1);
}

TEST_F(ObjModelGl, GpuModelsDrawTheirPartsWithVertexColours) {
    auto m = load(kTwoSquares, true);
    ASSERT_EQ(m->part_count, 3);
    ASSERT_NE(m->parts[2].vao, 0u);
    const char* vs = "#version 130\nin vec3 position;\nin vec3 colour;\nout vec3 c;\n"
                     "void main() { c = colour; gl_Position = vec4(position, 1.0); }\n";
    const char* fs = "#version 130\nin vec3 c;\nout vec4 frag;\nvoid main() { frag = vec4(c, 1.0); }\n";
    GLuint program = glCreateProgram();
    for (auto [type, src] : {std::pair{GL_VERTEX_SHADER, vs}, std::pair{GL_FRAGMENT_SHADER, fs}}) {
        GLuint s = glCreateShader(type);
        glShaderSource(s, 1, &src, nullptr);
        glCompileShader(s);
        glAttachShader(program, s);
    }
    glBindAttribLocation(program, 0, "position");
    glBindAttribLocation(program, 4, "colour");
    glLinkProgram(program);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    ASSERT_TRUE(linked);
    glUseProgram(program);
    // draw_object hands over to the parts when loaded for the GPU: part 1 is A alone.
    m->draw_object(1);
    auto a = readPixels(kWidth / 4, kHeight / 2, 1, 1), b = readPixels(3 * kWidth / 4, kHeight / 2, 1, 1);
    EXPECT_EQ((std::vector<int>{a[0], a[1], a[2]}), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(b[0] + b[1] + b[2], 0);
    m->draw_parts(-1);
    b = readPixels(3 * kWidth / 4, kHeight / 2, 1, 1);
    EXPECT_EQ((std::vector<int>{b[0], b[1], b[2]}), (std::vector<int>{255, 0, 0}));
    glUseProgram(0);
    glDeleteProgram(program);
}
