// GLSL programs built from ".cpp" source files through a small line preprocessor
// (#include, #replace), with scrambled ".xxx" twins so a distribution can ship only those,
// and the uniform setters the scenes and passes use.
#pragma once
#include <GL/glew.h>

#include <map>
#include <optional>
#include <string>

struct ShaderProgram {
    std::map<std::string, std::string> replacements;  // text for "#replace <key>" lines, filled before loading
    GLuint fragmentShader = 0;                         // from the fragment compile
    GLuint vertexShader = 0;                           // from the vertex compile
    GLuint program = 0;                                // from loadProgram; a rebuild makes a new one
    bool loaded = false;                               // set when a compile starts
    bool verbose = false;                              // print the loading log and the shader logs
    bool linked = false;                               // the last link succeeded: the program can be used
};

// Prefix the owners put before every shader path; empty, so paths are relative to the
// working directory.
extern std::string shaderBasePath;

// Compiles both sources and links them into program.program. Compile and link status are
// not checked: a failed program draws nothing, and its log (red when it says "error") is
// the only trace.
void loadProgram(ShaderProgram& program, const std::string& vertexPath, const std::string& fragmentPath);

// Processed source of path: from the plain file when it exists (its twin is rewritten),
// otherwise unscrambled from the twin, otherwise nothing (after a red error line).
// Always logs "Loading... <path>". Reseeds the runtime random generator (the twin key).
std::optional<std::string> loadShaderSource(ShaderProgram& program, const std::string& path);

// Uniforms by name on a program the caller has in use; an unknown name changes nothing.
void setUniformFloat(GLuint program, const char* name, float value);
void setUniformMatrix(GLuint program, const char* name, const float matrix[16]);
// Binds texture on unit and points the sampler at it; leaves the matrix mode at GL_TEXTURE
// and the active unit at 0, so callers select the matrix mode they need afterwards.
void setUniformTexture(GLuint program, int unit, const char* name, GLuint texture);

// On a program that failed to build these change nothing (GL would only raise errors).
inline void setUniformFloat(const ShaderProgram& p, const char* name, float value) {
    if (p.linked) setUniformFloat(p.program, name, value);
}
inline void setUniformMatrix(const ShaderProgram& p, const char* name, const float matrix[16]) {
    if (p.linked) setUniformMatrix(p.program, name, matrix);
}
inline void setUniformTexture(const ShaderProgram& p, int unit, const char* name, GLuint texture) {
    if (p.linked) setUniformTexture(p.program, unit, name, texture);
}
// Puts the program in use, or no program when it failed to build (Mesa refuses such a
// program and would leave the previous one in use). Returns whether it is in use.
inline bool useProgram(const ShaderProgram& p) {
    glUseProgram(p.linked ? p.program : 0);
    return p.linked;
}
