// Shader programs on a real GL context: sources with #include and #replace compile, link
// and run, their uniforms reach the picture, twins alone rebuild the same program, and
// broken or missing sources give a log and an empty picture instead of a crash.
#include "gl_test_context.h"
#include "render/render_target.h"
#include "render/shader_program.h"
#include "temp_folder.h"

#include <filesystem>

namespace {

class ShaderProgramGl : public GlTest {
protected:
    TempFolder dir;
    ShaderProgram program;
    GLuint texture = 0;

    void SetUp() override {
        GlTest::SetUp();
        if (IsSkipped()) return;
        writeFile(dir / "common.cpp", "uniform mat4 shift;\n");
        writeFile(dir / "v_test.cpp",
                  "#version 120\n"
                  "void main() {\n"
                  "\tgl_Position = gl_Vertex;\n"
                  "\tgl_TexCoord[0] = gl_MultiTexCoord0;\n"
                  "}\n");
        writeFile(dir / "f_test.cpp",
                  "#version 120\n"
                  "#include \"" + (dir / "common.cpp") + "\"\n"
                  "    #replace declarations\n"
                  "void main() {\n"
                  "    gl_FragColor = vec4(gain, texture2D(picture, gl_TexCoord[0].xy).g, shift[3][0], 1.0);\n"
                  "}\n");
        program.replacements["declarations"] = "uniform sampler2D picture;\nuniform float gain;";
        const uint8_t green[4] = {0, 200, 0, 255};
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, green);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    void TearDown() override {
        if (texture) glDeleteTextures(1, &texture);
    }

    std::string build(bool verbose = false) {
        program.verbose = verbose;
        ::testing::internal::CaptureStdout();
        loadProgram(program, dir / "v_test.cpp", dir / "f_test.cpp");
        return ::testing::internal::GetCapturedStdout();
    }
    // Draws with the uniforms set and returns the colour in the middle of the window.
    std::vector<uint8_t> drawAndRead() {
        glUseProgram(program.program);
        setUniformFloat(program, "gain", 0.5f);
        float matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.25f, 0, 0, 1};  // column-major: [3][0] = 0.25
        setUniformMatrix(program, "shift", matrix);
        setUniformTexture(program, 3, "picture", texture);
        glMatrixMode(GL_MODELVIEW);
        drawFullscreenQuad();
        glUseProgram(0);
        const auto pixel = readPixels(kWidth / 2, kHeight / 2, 1, 1);
        return std::vector<uint8_t>(pixel.begin(), pixel.begin() + 3);
    }
};

bool linked(GLuint program) {
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    return status == GL_TRUE;
}

bool near(const std::vector<uint8_t>& rgb, int r, int g, int b) {
    return std::abs(rgb[0] - r) <= 1 && std::abs(rgb[1] - g) <= 1 && std::abs(rgb[2] - b) <= 1;
}

}  // namespace

TEST_F(ShaderProgramGl, IncludedAndReplacedSourcesRunAndTheirUniformsReachThePicture) {
    build();
    ASSERT_NE(program.program, 0u);
    EXPECT_TRUE(program.loaded);
    ASSERT_TRUE(linked(program.program));
    const auto rgb = drawAndRead();
    EXPECT_TRUE(near(rgb, 128, 200, 64)) << int(rgb[0]) << " " << int(rgb[1]) << " " << int(rgb[2]);
}

TEST_F(ShaderProgramGl, TwinsAloneRebuildTheSameProgram) {
    build();
    const GLuint first = program.program;
    std::filesystem::remove(dir / "v_test.cpp");
    std::filesystem::remove(dir / "f_test.cpp");
    std::filesystem::remove(dir / "common.cpp");
    program.replacements.clear();
    build();
    EXPECT_NE(program.program, first) << "a rebuild makes a new program object";
    const auto rgb = drawAndRead();
    EXPECT_TRUE(near(rgb, 128, 200, 64)) << int(rgb[0]) << " " << int(rgb[1]) << " " << int(rgb[2]);
}

TEST_F(ShaderProgramGl, TextureSetterLeavesTextureMatrixModeAndUnitZero) {
    build();
    glUseProgram(program.program);
    glMatrixMode(GL_PROJECTION);
    setUniformTexture(program, 5, "picture", texture);
    GLint mode = 0, unit = 0, bound = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(mode, GL_TEXTURE);
    EXPECT_EQ(unit, GL_TEXTURE0);
    glActiveTexture(GL_TEXTURE5);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(static_cast<GLuint>(bound), texture);
    GLint sampler = -1;
    glGetUniformiv(program.program, glGetUniformLocation(program.program, "picture"), &sampler);
    EXPECT_EQ(sampler, 5);
    setUniformFloat(program, "no_such_uniform", 1.0f);  // silently ignored
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glUseProgram(0);
    glMatrixMode(GL_MODELVIEW);
}

TEST_F(ShaderProgramGl, VerboseLogNamesEachStageAndACompileErrorDrawsNothing) {
    writeFile(dir / "f_test.cpp", "#version 120\nvoid main() { gl_FragColor = vec4(1.0) }\n");
    const std::string log = build(true);
    EXPECT_NE(log.find("Vertex loading: " + (dir / "v_test.cpp") + "\n" + std::string(75, '=') + "\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find("Fragment loading: " + (dir / "f_test.cpp")), std::string::npos) << log;
    EXPECT_NE(log.find("error"), std::string::npos) << "the compiler's log is printed: " << log;
    EXPECT_FALSE(linked(program.program));
    const auto rgb = drawAndRead();  // GL refuses the program; drawing goes on without it
    EXPECT_FALSE(near(rgb, 128, 200, 64));
    glGetError();
}

TEST_F(ShaderProgramGl, AStageThatCompilesButDoesNotLinkIsSaidEvenWhenQuiet) {
    writeFile(dir / "v_test.cpp", "#version 120\nvarying vec2 uv;  // cut short before its main()\n");
    const std::string log = build(false);
    EXPECT_NE(log.find(dir / "v_test.cpp" + " + " + (dir / "f_test.cpp") + ": does not link: "), std::string::npos)
        << log;
    EXPECT_NE(program.buildError.find(dir / "v_test.cpp"), std::string::npos) << "the overlay's text names it too";
    EXPECT_FALSE(linked(program.program));
}

TEST_F(ShaderProgramGl, MissingSourcesGiveTheErrorLineAndAnEmptyProgram) {
    program.verbose = false;
    ::testing::internal::CaptureStdout();
    loadProgram(program, dir / "v_gone.cpp", dir / "f_gone.cpp");
    const std::string log = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("ERROR XXX or CPP FILE NOT FOUND !"), std::string::npos) << log;
    EXPECT_EQ(log.find("Vertex loading"), std::string::npos) << "quiet unless verbose";
    EXPECT_NE(program.program, 0u) << "the program object exists";
    EXPECT_FALSE(linked(program.program));
    const auto rgb = drawAndRead();
    EXPECT_FALSE(near(rgb, 128, 200, 64));
    glGetError();
}

// Space held while an include cannot be read: its line, the compiler's complaints about
// the text that is not there and "not rebuilt" came every frame; now once, until it changes.
TEST_F(ShaderProgramGl, AnIncludeThatCannotBeReadIsSaidOnceWhileSpaceRebuildsEveryFrame) {
    build();
    std::filesystem::remove(dir / "common.cpp");
    std::filesystem::create_directory(dir / "common.cpp");
    const std::string first = build(true);
    EXPECT_NE(first.find(dir / "common.cpp" + ": a folder, not a file"), std::string::npos) << first;
    EXPECT_NE(first.find("not rebuilt"), std::string::npos) << first;
    for (int frame = 0; frame < 5; ++frame) {
        const std::string again = build(true);
        EXPECT_EQ(again.find("folder"), std::string::npos) << again;
        EXPECT_EQ(again.find("not rebuilt"), std::string::npos) << again;
        EXPECT_EQ(again.find("error"), std::string::npos) << "no compiler log on an unread text: " << again;
        EXPECT_NE(program.buildError.find("a folder, not a file"), std::string::npos) << "the overlay keeps it";
        EXPECT_TRUE(program.linked) << "the last good program stays in use";
    }
    std::filesystem::remove(dir / "common.cpp");
    writeFile(dir / "common.cpp", "uniform mat4 shift;\n");
    EXPECT_EQ(build(true).find("ERROR"), std::string::npos);
    EXPECT_EQ(program.buildError, "");
}

namespace {

// Live program and shader objects among the names GL has handed out so far.
int liveShaderObjects(GLuint upTo) {
    int n = 0;
    for (GLuint name = 1; name <= upTo; ++name) n += glIsProgram(name) || glIsShader(name);
    return n;
}

}  // namespace

TEST_F(ShaderProgramGl, BrokenOrEmptySaveOfAnIncludeKeepsTheLastGoodProgramAndItsTwinUntilFixed) {
    build();
    const std::string goodTwin = readFile(dir / "common.xxx"), good = readFile(dir / "common.cpp");
    writeFile(dir / "common.cpp", "uniform mat4 shift;\nfloat broken = ;\n");
    ASSERT_NE(changedShaderFile(program), nullptr);
    EXPECT_EQ(changedShaderFile(program)->path, dir / "common.cpp");
    const std::string log = build(true);
    EXPECT_TRUE(program.linked) << "the last good program stays in use";
    EXPECT_NE(log.find(dir / "common.cpp" + ":2("), std::string::npos) << "the edited file's own line: " << log;
    EXPECT_NE(program.buildError.find(dir / "common.cpp" + ":2("), std::string::npos) << program.buildError;
    EXPECT_EQ(readFile(dir / "common.xxx"), goodTwin) << "a broken save must not replace the backup";
    EXPECT_TRUE(near(drawAndRead(), 128, 200, 64));
    EXPECT_EQ(changedShaderFile(program), nullptr) << "tried once, then wait for the next save";
    writeFile(dir / "common.cpp", "");
    build();
    EXPECT_EQ(readFile(dir / "common.xxx"), goodTwin);
    writeFile(dir / "common.cpp", good);
    EXPECT_TRUE(loadProgram(program, dir / "v_test.cpp", dir / "f_test.cpp"));
    EXPECT_EQ(program.buildError, "");
    EXPECT_TRUE(near(drawAndRead(), 128, 200, 64));
}

TEST_F(ShaderProgramGl, RebuildingEveryFrameKeepsTheCountOfGlObjectsFlat) {
    build();
    build();
    const GLuint highest = std::max({program.program, program.vertexShader, program.fragmentShader}) + 2000;
    const int before = liveShaderObjects(highest);
    for (int frame = 0; frame < 300; ++frame) build();  // Space held for 300 frames
    EXPECT_EQ(liveShaderObjects(highest), before);
    EXPECT_TRUE(near(drawAndRead(), 128, 200, 64));
}
