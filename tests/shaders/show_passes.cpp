// Runs the show's programs the way its render() does: the same source paths, the same
// uniform names set in the same order, the same texture units and filters.
#include "show_passes.h"

#include "render/render_target.h"

#include <unistd.h>

#include <cstdlib>
#include <utility>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace fs = std::filesystem;

namespace {

std::string previousDirectory;

// The print as the post pass ends with it, of a picture read whole texel by whole texel;
// the post pass's vertex stage works out the print's look.
const char* const kPrintAlone = R"(#version 130
uniform sampler2D texture2d;
in vec2 vUV;
#include "shaders/common.cpp"
#include "shaders/film.cpp"
#include "shaders/f_postprocess_final.cpp"
void main() {
    vec3 c = texelFetch(texture2d, ivec2(gl_FragCoord.xy), 0).rgb;
    gl_FragColor = vec4(printed(c, vUV, gl_FragCoord.xy), 1.0);
}
)";

void identityMatrices() {
    for (GLenum mode : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(mode);
        glLoadIdentity();
    }
}

// As the show draws a pass that may read its own last result: into the target's spare
// texture, without depth (on llvmpipe a depth attachment doubles a pass's cost), and the
// two then swap names, so textures[1] is again the newest result.
void bindTarget(RenderTarget& target) {
    glBindFramebuffer(GL_FRAMEBUFFER, target.resolveFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target.textures[0], 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, 0, 0);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, target.width, target.height);
}

void swapResult(RenderTarget& target) { std::swap(target.textures[0], target.textures[1]); }

void knobs(const ShaderProgram& p, const PassInputs& in, int last) {
    static const char* const names[6] = {"k0", "k1", "k2", "k3", "k4", "k5"};
    for (int i = 0; i <= last; ++i) setUniformFloat(p, names[i], in.knobs[i]);
}

void filter(GLuint texture, GLint mode) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mode);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mode);
}

bool shaderCompiled(GLuint shader, std::string& log) {
    GLint status = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    char text[4000] = {};
    glGetShaderInfoLog(shader, sizeof text, nullptr, text);
    log += text;
    return status == GL_TRUE;
}

}  // namespace

std::string enterShaderCopy() {
    std::string pattern = (fs::temp_directory_path() / "velmora-shaders-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return "";
    std::error_code error;
    fs::create_directories(fs::path(pattern) / "shaders", error);
    for (const auto& entry : fs::directory_iterator(fs::path(VELMORA_SOURCE_DIR) / "show" / "shaders", error))
        if (entry.path().extension() == ".cpp")
            fs::copy_file(entry.path(), fs::path(pattern) / "shaders" / entry.path().filename(), error);
    std::ofstream(fs::path(pattern) / "shaders" / "f_print_alone.cpp") << kPrintAlone;
    previousDirectory = fs::current_path(error).string();
    fs::current_path(pattern, error);
    return error ? "" : pattern;
}

void leaveShaderCopy(const std::string& folder) {
    std::error_code ignored;
    if (!previousDirectory.empty()) fs::current_path(previousDirectory, ignored);
    if (!folder.empty()) fs::remove_all(folder, ignored);
}

void loadShowPrograms(ShowPrograms& p) {
    // The show's order and paths, the object program's with the doubled slash.
    loadProgram(p.blur, "shaders/v_fixed.cpp", "shaders/f_simpleblur.cpp");
    loadProgram(p.post, "shaders/v_fixed.cpp", "shaders/f_postprocess.cpp");
    loadProgram(p.finalClips, "shaders/v_trace.cpp", "shaders/f_final_clips.cpp");
    loadProgram(p.object, "shaders//v_object.cpp", "shaders//f_object.cpp");
    loadProgram(p.print, "shaders/v_fixed.cpp", "shaders/f_print_alone.cpp");
}

bool programBuilt(const ShaderProgram& program, std::string& log) {
    bool ok = shaderCompiled(program.vertexShader, log);
    ok = shaderCompiled(program.fragmentShader, log) && ok;
    GLint status = GL_FALSE;
    glGetProgramiv(program.program, GL_LINK_STATUS, &status);
    char text[4000] = {};
    glGetProgramInfoLog(program.program, sizeof text, nullptr, text);
    log += text;
    return ok && status == GL_TRUE;
}

void createPassTargets(PassTargets& t, int width, int height) {
    createRenderTarget(t.scene, width, height, 0);
    createRenderTarget(t.composite, width, height, 0);
    createRenderTarget(t.post, width, height, 0);
    createRenderTarget(t.other, width, height, 0);
    // Start the feedback and the unused target from black, as most drivers do.
    for (RenderTarget* target : {&t.composite, &t.post, &t.other, &t.scene}) {
        attachTextures(*target, 3);
        glBindFramebuffer(GL_FRAMEBUFFER, target->resolveFramebuffer);
        static const GLenum buffers[3] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2};
        glDrawBuffers(3, buffers);
        glViewport(0, 0, width, height);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void beginScene(PassTargets& t, float r, float g, float b, float a) {
    attachTextures(t.scene, 3);
    glBindFramebuffer(GL_FRAMEBUFFER, t.scene.drawFramebuffer);
    static const GLenum buffers[3] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2};
    glDrawBuffers(3, buffers);
    glViewport(0, 0, t.scene.width, t.scene.height);
    glClearColor(r, g, b, a);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void endScene(PassTargets& t) {
    glUseProgram(0);
    resolveRenderTarget(t.scene, 3);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void runComposite(ShowPrograms& programs, PassTargets& t, const PassInputs& in) {
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    identityMatrices();
    glEnable(GL_TEXTURE_2D);
    bindTarget(t.composite);
    const ShaderProgram& p = programs.finalClips;
    glUseProgram(p.program);
    setUniformFloat(p, "type", in.type);
    knobs(p, in, 4);
    setUniformFloat(p, "TheType", in.theType);
    setUniformFloat(p, "k5", in.knobs[5]);
    setUniformFloat(p, "ttime", in.ttime);
    setUniformFloat(p, "cttime", in.cttime);
    setUniformFloat(p, "fttime", in.fttime);
    setUniformFloat(p, "fullttime", in.fullttime);
    setUniformFloat(p, "renderScale", in.renderScale);
    setUniformTexture(p, 0, "texture2d", t.scene.textures[1]);
    setUniformTexture(p, 1, "texture2ddepth", t.scene.depthTexture);
    setUniformTexture(p, 2, "texture2d2", t.scene.textures[2]);
    setUniformTexture(p, 3, "textureVideo", in.video);
    setUniformTexture(p, 4, "textureVideo2", in.video2);
    setUniformTexture(p, 5, "textureFeedback", t.composite.textures[1]);
    setUniformTexture(p, 12, "BlueTexture", in.blue);
    setUniformTexture(p, 13, "texture2d3", t.scene.textures[3]);
    setUniformTexture(p, 14, "textureNoise", in.noise);
    setUniformTexture(p, 15, "OverlayTexture", in.overlay);
    identityMatrices();
    drawFullscreenQuad();
    swapResult(t.composite);
    glUseProgram(0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void runPost(ShowPrograms& programs, PassTargets& t, const PassInputs& in) {
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    bindTarget(t.post);
    const ShaderProgram& p = programs.post;
    glUseProgram(p.program);
    setUniformFloat(p, "ttime", in.ttime);
    setUniformFloat(p, "fttime", in.cttime);
    setUniformFloat(p, "cttime", in.cttime);
    setUniformFloat(p, "fullttime", in.fullttime);
    setUniformFloat(p, "TheType", in.theType);
    knobs(p, in, 5);
    setUniformFloat(p, "type", in.type);
    setUniformMatrix(p, "MV", in.view.data());
    setUniformMatrix(p, "MP", in.projection.data());
    setUniformFloat(p, "renderScale", in.renderScale);
    filter(t.composite.textures[1], GL_LINEAR);
    setUniformTexture(p, 0, "texture2d", t.composite.textures[1]);
    setUniformTexture(p, 1, "texture2d2", t.scene.textures[2]);
    setUniformTexture(p, 2, "textureVideo", in.video);
    setUniformTexture(p, 3, "texture2d3", t.scene.textures[3]);
    setUniformTexture(p, 4, "textureVideo2", in.video2);
    setUniformTexture(p, 5, "moon", in.moon);
    setUniformTexture(p, 6, "texture2dOther", t.other.textures[1]);
    setUniformTexture(p, 7, "texture2dOtherdepth", t.other.depthTexture);
    setUniformTexture(p, 12, "BlueTexture", in.blue);
    setUniformTexture(p, 13, "textureFeedback", t.post.textures[1]);
    setUniformTexture(p, 14, "textureNoise", in.noise);
    identityMatrices();
    glEnable(GL_TEXTURE_2D);
    drawFullscreenQuad();
    swapResult(t.post);
    glUseProgram(0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void runPrint(ShowPrograms& programs, PassTargets& t, const PassInputs& in) {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glUseProgram(0);
    glViewport(0, 0, t.post.width, t.post.height);
    glClearColor(0.5f, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, t.post.textures[1]);
    const ShaderProgram& p = programs.print;
    glUseProgram(p.program);
    setUniformFloat(p, "ttime", in.ttime);
    setUniformFloat(p, "fttime", in.cttime);
    setUniformFloat(p, "cttime", in.cttime);
    setUniformFloat(p, "fullttime", in.fullttime);
    setUniformFloat(p, "TheType", in.theType);
    setUniformFloat(p, "type", in.type);
    knobs(p, in, 5);
    filter(t.post.textures[1], GL_NEAREST);
    setUniformTexture(p, 0, "texture2d", t.post.textures[1]);
    identityMatrices();
    drawFullscreenQuad();
    glUseProgram(0);
}

void runAllPasses(ShowPrograms& programs, PassTargets& t, const PassInputs& in) {
    runComposite(programs, t, in);
    runPost(programs, t, in);  // prints: the show's frame has no final pass at full scale
}

GLuint makeTexture(int width, int height, const TexelFill& fill) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::array<uint8_t, 4> c = fill(x, y);
            std::copy(c.begin(), c.end(), pixels.begin() + (static_cast<size_t>(y) * width + x) * 4);
        }
    const GLuint texture = createColourTexture(width, height);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return texture;
}

std::vector<uint8_t> texturePixels(GLuint texture) {
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}
