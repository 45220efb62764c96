// The enlarging copy. Its program is built from the source here rather than from the show's
// shader folder: it adds nothing to the look, and a show maker's broken shader must not
// leave the window black.
#include "render/picture_copy.h"

#include <initializer_list>

#include "render/render_target.h"

namespace {

const char* const kVertex =
    "#version 130\n"
    "out vec2 vUV;\n"
    "void main() { vUV = gl_MultiTexCoord0.xy; gl_Position = gl_Vertex; }\n";
const char* const kFragment =
    "#version 130\n"
    "uniform sampler2D picture;\n"
    "in vec2 vUV;\n"
    "void main() { gl_FragColor = texture(picture, vUV); }\n";

GLuint compiled(GLenum kind, const char* source) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

// 0 when it does not build; tried once.
GLuint copyProgram() {
    static GLuint program = 0;
    static bool tried = false;
    if (tried) return program;
    tried = true;
    const GLuint vertex = compiled(GL_VERTEX_SHADER, kVertex), fragment = compiled(GL_FRAGMENT_SHADER, kFragment);
    GLuint p = glCreateProgram();
    glAttachShader(p, vertex);
    glAttachShader(p, fragment);
    glLinkProgram(p);
    // A linked program keeps its code: the shaders can go at once.
    glDetachShader(p, vertex);
    glDetachShader(p, fragment);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = GL_FALSE;
    glGetProgramiv(p, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
        glDeleteProgram(p);
        p = 0;
    }
    program = p;
    return program;
}

}  // namespace

void drawPictureEnlarged(GLuint texture) {
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    const GLuint program = copyProgram();
    if (program) {
        glUseProgram(program);
        glUniform1i(glGetUniformLocation(program, "picture"), 0);
        drawFullscreenQuad();
    } else {
        // The vertex positions are taken as they are in both cases: the matrices are
        // identity for the fixed-function quad.
        for (GLenum mode : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW}) {
            glMatrixMode(mode);
            glLoadIdentity();
        }
        glEnable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, 1);
        drawFullscreenQuad();
    }
    glUseProgram(0);
}
