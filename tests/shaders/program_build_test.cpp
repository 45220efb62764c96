// The five programs build from the show's sources, from their twins alone, and keep every
// uniform and sampler their passes set: GLSL drops what a shader declares but never uses,
// and a dropped knob or picture silently stops reaching the screen.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "shader_test.h"

namespace {

using Names = std::vector<const char*>;

const Names kObjectUniforms = {"Mode", "cl", "Texture", "ttime", "k0", "k1", "k2", "k3", "k4"};
const Names kCompositeUniforms = {"type", "k0", "k1", "k2", "k3", "k4", "TheType", "k5", "ttime", "cttime",
                                  "fttime", "fullttime", "texture2d", "texture2ddepth", "texture2d2", "textureVideo",
                                  "textureVideo2", "textureFeedback", "BlueTexture", "texture2d3", "textureNoise",
                                  "OverlayTexture"};
// The post pass keeps no history of its own: the lag of lights, which the feedback knob k1
// lengthens, works on the composite's, so "k1" and "textureFeedback" are not read there.
const Names kPostUniforms = {"ttime", "fttime", "cttime", "fullttime", "TheType", "k0", "k2", "k3", "k4", "k5",
                             "type", "MV", "MP", "texture2d", "texture2d2", "textureVideo", "texture2d3", "textureVideo2",
                             "moon", "texture2dOther", "texture2dOtherdepth", "BlueTexture", "textureNoise"};
const Names kFinalUniforms = {"ttime", "fttime", "cttime", "fullttime", "TheType", "type",
                              "k0", "k1", "k2", "k3", "k4", "k5", "texture2d", "textureprev"};

void expectActive(const ShaderProgram& program, const Names& names, const char* which) {
    for (const char* name : names)
        EXPECT_NE(glGetUniformLocation(program.program, name), -1) << which << " does not use \"" << name << "\"";
}

}  // namespace

class ShowProgramsTest : public ShowShaderTest {};

TEST_F(ShowProgramsTest, EveryProgramCompilesAndLinks) {
    const std::pair<const ShaderProgram*, const char*> all[] = {
        {&programs().blur, "blur"}, {&programs().post, "post"}, {&programs().finalClips, "composite"},
        {&programs().postFinal, "final"}, {&programs().object, "object"}};
    for (const auto& [program, name] : all) {
        std::string log;
        EXPECT_TRUE(programBuilt(*program, log)) << name << ":\n" << log;
    }
}

TEST_F(ShowProgramsTest, EveryUniformAndSamplerOfThePassesIsLive) {
    expectActive(programs().object, kObjectUniforms, "the object program");
    expectActive(programs().finalClips, kCompositeUniforms, "the composite");
    expectActive(programs().post, kPostUniforms, "the post pass");
    expectActive(programs().postFinal, kFinalUniforms, "the final pass");
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
    for (const ShaderProgram* p : {&fromTwins.blur, &fromTwins.post, &fromTwins.finalClips, &fromTwins.postFinal,
                                   &fromTwins.object}) {
        std::string log;
        EXPECT_TRUE(programBuilt(*p, log)) << log;
    }
    expectActive(fromTwins.finalClips, kCompositeUniforms, "the composite from twins");
}
