// GLSL programs built from ".cpp" source files through a small line preprocessor
// (#include, #replace), with scrambled ".xxx" twins so a distribution can ship only those,
// and the uniform setters the scenes and passes use.
#pragma once
#include "platform/gl.h"

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A file a program was built from, with its modification stamp when it was read.
struct ShaderFile {
    std::string path;
    int64_t stamp = -1;  // shaderFileStamp at read time; -1: missing
};

struct ShaderProgram {
    std::map<std::string, std::string> replacements;  // text for "#replace <key>" lines, filled before loading
    GLuint fragmentShader = 0;                         // from the fragment compile
    GLuint vertexShader = 0;                           // from the vertex compile
    GLuint program = 0;                                // from loadProgram; a rebuild makes a new one
    bool loaded = false;                               // set when a compile starts
    bool verbose = false;                              // print the loading log and the shader logs
    bool linked = false;                               // the program in use built: it can be drawn with
    std::string vertexPath, fragmentPath;              // the sources of the last build
    std::vector<ShaderFile> files;                     // every file the last build read, #includes too
    std::string buildError;                            // the last build's errors, empty when it built
    std::vector<std::pair<std::string, std::string>> pendingTwins;  // twin path, bytes: built, not yet written
    std::map<std::string, std::string> readFailures;   // a file that could not be read, and the line said then
};

// A processed source and what it is made of.
struct ProcessedShader {
    bool found = false;                              // false: neither the file nor its twin
    std::string text;
    std::vector<ShaderFile> files;                   // files read, the source itself first
    std::vector<std::pair<int, int>> lines;          // per line of text: index in files, line number there
    std::vector<std::pair<std::string, std::string>> twins;  // twin path, scrambled bytes: not yet written
    std::string errors;  // faults of the files themselves (an include loop, a folder, a file too large), a line each
    size_t repeatedFaults = 0;  // of those lines, reads that failed as at the program's last build: not said again
};

// Prefix the owners put before every shader path; empty, so paths are relative to the
// working directory.
extern std::string shaderBasePath;

// Compiles both sources and links them into program.program, printing the compiler's log
// (red when it says "error") with its lines mapped back to the files that were edited.
// A build that fails keeps a program that built before: its objects are deleted instead,
// its errors kept in buildError, and the twins stay as they were. A build that succeeds
// replaces (and deletes) the previous objects and writes the twins of its sources.
// Returns whether the new build is in use. Faults of the files themselves (an include
// loop, a folder or a device where a file should be, a file over 1 MB) fail the build like
// compile errors.
// twins: Later keeps them in pendingTwins for writeAgreedTwins, for programs that share
// sources.
enum class TwinWrite { Now, Later };
bool loadProgram(ShaderProgram& program, const std::string& vertexPath, const std::string& fragmentPath,
                 TwinWrite twins = TwinWrite::Now);
// Writes the pending twins of programs, each only when no program among them whose last
// build read that source failed: a save that builds for one program and not another must
// not replace the twin the other falls back on. Pending twins are dropped either way.
void writeAgreedTwins(const std::vector<ShaderProgram*>& programs);
// The first file of the program's last build that changed since it was read, or null.
const ShaderFile* changedShaderFile(const ShaderProgram& program);
// Deletes the program's GL objects (a build that is let go).
void deleteProgram(ShaderProgram& program);

// Processed source of path: from the plain file when it exists (its twin is rewritten),
// otherwise unscrambled from the twin, otherwise nothing (after a red error line naming
// the file). Always logs "Loading... <path>". Reseeds the runtime random generator (the
// twin key).
std::optional<std::string> loadShaderSource(ShaderProgram& program, const std::string& path);
// The same without writing the twins: they wait in the result for writeShaderTwins.
ProcessedShader readShaderSource(ShaderProgram& program, const std::string& path);
void writeShaderTwins(const ProcessedShader& source);
// The compiler's log with each "0:LINE(COL)" or "0(LINE)" replaced by the file and line
// that the text's line came from.
std::string mapShaderLog(const std::string& log, const ProcessedShader& source);
// Modification time and size of a file folded into one number; -1 when it is missing.
int64_t shaderFileStamp(const std::string& path);

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
