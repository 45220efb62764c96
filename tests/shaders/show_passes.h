// The show's four programs built from its shader sources the way the show builds them,
// and the composite and post passes run with the inputs and texture units the show gives
// them, with the print (the final look, which the post pass includes) alone beside them,
// so that tests can look at what the shaders draw.
#pragma once
#include <GL/glew.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "render/render_target.h"
#include "render/shader_program.h"

struct ShowPrograms {
    ShaderProgram blur, post, finalClips, object;
    // Not the show's: the print of shaders/f_postprocess_final.cpp around a finished
    // picture, from a fragment source the shader copy adds (shaders/f_print_alone.cpp).
    ShaderProgram print;
};

// Copies the show's shader sources into a fresh temporary folder, with the print's test
// source, and makes it the working directory: the sources include each other by paths
// relative to it, and loading writes the twins beside them, never into the source tree.
// Returns the folder ("" on failure).
std::string enterShaderCopy();
// Leaves the copy: back to the previous working directory, the folder removed.
void leaveShaderCopy(const std::string& folder);

// The show's set-up: same paths, same order, quiet; then the print alone.
void loadShowPrograms(ShowPrograms& programs);

// Compile status of both shaders and link status of the program; on failure, the logs.
bool programBuilt(const ShaderProgram& program, std::string& log);

// Per-frame values render() passes, with the untouched controller (-1) as default.
struct PassInputs {
    float ttime = 50.0f;
    float cttime = 50.0f;
    float fttime = 50.0f;
    float fullttime = 50.0f;
    float type = 0.0f;
    float theType = 0.0f;
    float renderScale = 0.0f;  // the picture's pixels per screen pixel; 0 reads as 1
    std::array<float, 6> knobs{{-1, -1, -1, -1, -1, -1}};
    GLuint video = 0, video2 = 0, noise = 0, blue = 0, overlay = 0, moon = 0;
    std::array<float, 16> view{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    std::array<float, 16> projection{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
};

// The four targets the passes use, single-sample like the show's.
struct PassTargets {
    RenderTarget scene;      // targets[2]
    RenderTarget composite;  // targets[4]
    RenderTarget post;       // targets[5]
    RenderTarget other;      // targets[3]: read by the post pass, drawn by nobody
};
void createPassTargets(PassTargets& targets, int width, int height);

// Binds the scene target's draw framebuffer with its three outputs, clears colour and depth.
void beginScene(PassTargets& targets, float r, float g, float b, float a);
// Resolves the scene target (three outputs and depth).
void endScene(PassTargets& targets);

void runComposite(ShowPrograms& programs, PassTargets& targets, const PassInputs& in);
// The post pass prints the picture; here into the post target, as the show does below full scale.
void runPost(ShowPrograms& programs, PassTargets& targets, const PassInputs& in);
// The print of a finished picture (the post target's) alone, as the post pass ends with it.
// Draws into framebuffer 0 over a viewport of the post target's size.
void runPrint(ShowPrograms& programs, PassTargets& targets, const PassInputs& in);
void runAllPasses(ShowPrograms& programs, PassTargets& targets, const PassInputs& in);

// An RGBA8 texture with linear filtering and clamped edges, as the show's picture textures
// are; fill returns the colour of texel (x, y), row 0 first.
using TexelFill = std::function<std::array<uint8_t, 4>(int x, int y)>;
GLuint makeTexture(int width, int height, const TexelFill& fill);

// Level 0 of a texture, RGBA, row 0 first.
std::vector<uint8_t> texturePixels(GLuint texture);
