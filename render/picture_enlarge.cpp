// The enlargement that keeps edges. Like the plain copy, its program is built from the
// source here, not from the show's shader folder: a show maker's broken shader must not
// leave the window black.
//
// Each pixel of the window lies in a quad of four texels of the picture. Linear
// interpolation of the quad rounds a step between one corner and the other three into a
// soft block and takes contrast off everything a texel or two wide. Here the quad is
// interpolated along its edge: where the two texels on one diagonal are alike and the
// other two apart, an edge runs along that diagonal, and the quad is interpolated in the
// two triangles either side of it, so stair steps become straight slanted edges. Then the
// weights are pushed a fifth away from the quad's mean, which gives back some of the
// contrast the blend took (a line one texel wide keeps more of its depth). The weights
// stay positive and only the quad's own texels are read: no pixel leaves their range, so
// nothing rings, and faint grain comes out no stronger than in the picture. Tuned against
// full-scale frames of the show: a wider neighbourhood (a cubic through 4 x 4 texels, a
// sharpening pass over the picture) looked a little better but cost llvmpipe two to three
// times the plain copy.
#include "render/picture_enlarge.h"

#include "render/picture_copy.h"
#include "render/render_target.h"

namespace {

const char* const kVertex =
    "#version 130\n"
    "out vec2 vUV;\n"
    "void main() { vUV = gl_MultiTexCoord0.xy; gl_Position = gl_Vertex; }\n";

// Where the driver gathers one channel of a quad in one read (on llvmpipe about the cost of
// one filtered read for all three, and exact where its filter rounds the weights to 8
// bits), it does; otherwise it reads the four texels whole.
const char* const kFragment = R"(#version 130
#extension GL_ARB_gpu_shader5 : enable
uniform sampler2D picture;
in vec2 vUV;
void main() {
    vec2 size = vec2(textureSize(picture, 0));
    vec2 p = vUV * size - 0.5;
    vec2 cell = floor(p), f = p - cell, g = 1.0 - f;
    // The quad's texels in the order a gather gives them: (0,1) (1,1) (1,0) (0,0).
#ifdef GL_ARB_gpu_shader5
    vec2 centre = (cell + 1.0) / size;
    vec4 r = textureGather(picture, centre, 0), gr = textureGather(picture, centre, 1);
    vec4 b = textureGather(picture, centre, 2);
#else
    ivec2 last = ivec2(size) - 1;
    ivec2 i0 = clamp(ivec2(cell), ivec2(0), last), i1 = clamp(ivec2(cell) + 1, ivec2(0), last);
    vec3 t01 = texelFetch(picture, ivec2(i0.x, i1.y), 0).rgb, t11 = texelFetch(picture, i1, 0).rgb;
    vec3 t10 = texelFetch(picture, ivec2(i1.x, i0.y), 0).rgb, t00 = texelFetch(picture, i0, 0).rgb;
    vec4 r = vec4(t01.r, t11.r, t10.r, t00.r), gr = vec4(t01.g, t11.g, t10.g, t00.g);
    vec4 b = vec4(t01.b, t11.b, t10.b, t00.b);
#endif
    // 1: an edge along the diagonal (0,0)-(1,1), -1: along (1,0)-(0,1), judged by green,
    // the channel nearest to luma. It follows the texels continuously (a moving edge does
    // not flicker between the two) and stays near 0 for faint differences such as grain.
    float along = clamp((abs(gr.z - gr.x) - abs(gr.w - gr.y)) * 8.0, -1.0, 1.0);
    // Interpolating in the two triangles either side of a diagonal differs from bilinear by
    // the quad's twist (0,0) - (1,0) - (0,1) + (1,1) times these shares; the rows and the
    // columns keep their bilinear weights, so a quad folded at the picture's border (two
    // texels the same) interpolates as before.
    float fold = max(along, 0.0) * min(f.x * g.y, f.y * g.x) - max(-along, 0.0) * min(f.x * f.y, g.x * g.y);
    vec4 w = vec4(g.x * f.y, f.x * f.y, f.x * g.y, g.x * g.y) + fold * vec4(-1.0, 1.0, -1.0, 1.0);
    // A fifth away from the quad's mean gives back contrast; a texel whose weight would turn
    // negative drops out instead, so no pixel leaves the range of its four texels.
    const float sharpen = 0.2;
    w = max((1.0 + sharpen) * w - 0.25 * sharpen, 0.0);
    w /= dot(w, vec4(1.0));
    gl_FragColor = vec4(dot(r, w), dot(gr, w), dot(b, w), 1.0);
}
)";

GLuint compiled(GLenum kind, const char* source) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

// 0 when it does not build; tried once, in the context current at the first call.
GLuint enlargeProgram() {
    static GLuint program = 0;
    static bool tried = false;
    if (tried) return program;
    tried = true;
    const GLuint vertex = compiled(GL_VERTEX_SHADER, kVertex), fragment = compiled(GL_FRAGMENT_SHADER, kFragment);
    GLuint p = glCreateProgram();
    glAttachShader(p, vertex);
    glAttachShader(p, fragment);
    glLinkProgram(p);
    glDetachShader(p, vertex);
    glDetachShader(p, fragment);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(p, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        glDeleteProgram(p);
        p = 0;
    }
    program = p;
    return program;
}

}  // namespace

bool pictureSharpeningAvailable() { return enlargeProgram() != 0; }

void drawPictureSharpened(GLuint picture, int width, int height) {
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const GLuint program = enlargeProgram();
    // Shrinking, or copying at the same size, has no edges to restore.
    if (!program || viewport[2] <= width || viewport[3] <= height) {
        drawPictureEnlarged(picture);
        return;
    }
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, picture);
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "picture"), 0);
    drawFullscreenQuad();
    glUseProgram(0);
}
