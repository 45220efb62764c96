// The four programs build from the show's sources, from their twins alone, and keep every
// uniform and sampler their passes set: GLSL drops what a shader declares but never uses,
// and a dropped knob or picture silently stops reaching the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <vector>

#include "shader_test.h"

namespace {

using Names = std::vector<const char*>;

const Names kObjectUniforms = {"Mode", "cl", "Texture", "ttime", "k0", "k1", "k2", "k3", "k4"};
const Names kCompositeUniforms = {"type", "k0", "k1", "k2", "k3", "k4", "TheType", "k5", "ttime", "cttime",
                                  "fttime", "fullttime", "texture2d", "texture2ddepth", "texture2d2", "textureVideo",
                                  "textureVideo2", "textureFeedback", "BlueTexture", "texture2d3", "textureNoise",
                                  "OverlayTexture", "renderScale"};
// The post pass keeps no history of its own: the lag of lights works on the composite's, so
// "textureFeedback" is not read there; it prints into the window, whose dither is the
// print's, so neither is "BlueTexture".
const Names kPostUniforms = {"ttime", "fttime", "cttime", "fullttime", "TheType", "k0", "k1", "k2", "k3", "k4", "k5",
                             "type", "MV", "MP", "texture2d", "texture2d2", "textureVideo", "texture2d3", "textureVideo2",
                             "moon", "texture2dOther", "texture2dOtherdepth", "textureNoise", "renderScale"};
// The print's own: what its look is worked out from in the post pass's vertex stage. The
// lens's knobs (k1 for the echo, k2 for the lateral colour) act before the print, in the
// post pass.
const Names kPrintUniforms = {"ttime", "fttime", "cttime", "fullttime", "TheType", "type",
                              "k0", "k3", "k4", "k5", "texture2d"};

void expectActive(const ShaderProgram& program, const Names& names, const char* which) {
    for (const char* name : names)
        EXPECT_NE(glGetUniformLocation(program.program, name), -1) << which << " does not use \"" << name << "\"";
}

}  // namespace

class ShowProgramsTest : public ShowShaderTest {};

TEST_F(ShowProgramsTest, EveryProgramCompilesAndLinks) {
    const std::pair<const ShaderProgram*, const char*> all[] = {
        {&programs().blur, "blur"}, {&programs().post, "post"}, {&programs().finalClips, "composite"},
        {&programs().object, "object"}, {&programs().print, "the print alone"}};
    for (const auto& [program, name] : all) {
        std::string log;
        EXPECT_TRUE(programBuilt(*program, log)) << name << ":\n" << log;
    }
}

TEST_F(ShowProgramsTest, EveryUniformAndSamplerOfThePassesIsLive) {
    expectActive(programs().object, kObjectUniforms, "the object program");
    expectActive(programs().finalClips, kCompositeUniforms, "the composite");
    expectActive(programs().post, kPostUniforms, "the post pass");
    expectActive(programs().print, kPrintUniforms, "the print");
    expectActive(programs().blur, {"texture2d"}, "the blur");
}

TEST_F(ShowProgramsTest, ProgramsBuildFromTheTwinsAlone) {
    // A distribution may ship only the scrambled twins: every source, the included ones
    // too, must have left a twin that rebuilds the same program.
    namespace fs = std::filesystem;
    std::vector<fs::path> plain;
    for (const auto& entry : fs::directory_iterator("shaders"))
        if (entry.path().extension() == ".cpp") plain.push_back(entry.path());
    ASSERT_FALSE(plain.empty());
    for (const fs::path& path : plain) {
        fs::path twin = path;
        twin.replace_extension(".xxx");
        ASSERT_TRUE(fs::exists(twin)) << "no twin written for " << path;
        fs::rename(path, path.string() + ".hidden");
    }
    ShowPrograms fromTwins;
    loadShowPrograms(fromTwins);
    for (const fs::path& path : plain) fs::rename(path.string() + ".hidden", path);
    for (const ShaderProgram* p : {&fromTwins.blur, &fromTwins.post, &fromTwins.finalClips, &fromTwins.object,
                                   &fromTwins.print}) {
        std::string log;
        EXPECT_TRUE(programBuilt(*p, log)) << log;
    }
    expectActive(fromTwins.finalClips, kCompositeUniforms, "the composite from twins");
}

// A show maker edits the file whose name says what it does: every source in the show's
// folder is read by a program the show builds, so a save of any of them reaches the
// picture (the final look, f_postprocess_final.cpp, through the post pass).
TEST_F(ShowProgramsTest, EverySourceOfTheShowIsReadByAProgramItBuilds) {
    namespace fs = std::filesystem;
    std::set<std::string> read;
    for (const ShaderProgram* p : {&programs().blur, &programs().post, &programs().finalClips, &programs().object})
        for (const ShaderFile& file : p->files) read.insert(fs::path(file.path).filename().string());
    const fs::path folder = fs::path(VELMORA_SOURCE_DIR) / "show" / "shaders";
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".cpp") continue;
        EXPECT_TRUE(read.count(entry.path().filename().string())) << entry.path() << " is read by no program of the show";
    }
    const auto& post = programs().post.files;
    EXPECT_TRUE(std::any_of(post.begin(), post.end(),
                            [](const ShaderFile& f) { return f.path == "shaders/f_postprocess_final.cpp"; }))
        << "the post pass prints with the final pass's file";
}
