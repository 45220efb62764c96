// Compiling and linking the show's shader programs with the chatty, coloured log the
// show prints, rebuilding them without losing the last program that worked, and the
// three uniform setters.
#include "render/shader_program.h"

#include "platform/console.h"
#include "render/shader_twin.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <set>
#include <sstream>

std::string shaderBasePath;

namespace {

enum class LogStyle { whole, lineByLine };

const std::string kRule(75, '=');

// What one build read and what went wrong in it.
struct Build {
    std::vector<ShaderFile> files;
    std::vector<ProcessedShader> sources;
    std::string errors;  // the lines that say "error", as the overlay shows them
    bool faultySources = false;  // a file could not be used as it is: the build fails whatever GL says
    bool saidBefore = true;      // every fault of the files was said at an earlier build: nothing new to say
};

// Whether each of a source's faults is a read that failed as it did before.
bool onlyRepeatedFaults(const ProcessedShader& source) {
    return static_cast<size_t>(std::count(source.errors.begin(), source.errors.end(), '\n')) == source.repeatedFaults;
}

void printLog(const ShaderProgram& program, const std::string& text, LogStyle style) {
    if (program.verbose) std::cout << platform::grey;
    if (text.find("error") != std::string::npos) std::cout << platform::red;
    if (!program.verbose) return;
    if (style == LogStyle::whole) {
        std::cout << text << std::endl;
        return;
    }
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) std::cout << line << std::endl;
}

void keepErrors(Build& build, const std::string& log, const std::string& fallback) {
    std::istringstream lines(log);
    std::string line;
    bool any = false;
    while (std::getline(lines, line)) {
        if (line.find("error") == std::string::npos && line.find("ERROR") == std::string::npos) continue;
        build.errors += line + "\n";
        any = true;
    }
    if (!any) build.errors += fallback + "\n";
}

GLuint compile(ShaderProgram& program, GLenum type, const std::string& path, LogStyle style, Build& build) {
    program.loaded = true;
    // With no source at all an empty one is compiled: the program then fails to link,
    // the same outcome as a source that fails to compile.
    ProcessedShader source = readShaderSource(program, path);
    const GLuint shader = glCreateShader(type);
    const GLchar* text = source.text.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    char log[3000] = {};
    GLsizei length = 0;
    glGetShaderInfoLog(shader, sizeof log, &length, log);
    const std::string mapped = mapShaderLog(log, source);
    // The compiler's words on a text that could not be read again say nothing new.
    const bool repeated = !source.errors.empty() && onlyRepeatedFaults(source);
    if (!repeated) printLog(program, mapped, style);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    build.errors += source.errors;
    build.faultySources = build.faultySources || !source.errors.empty();
    build.saidBefore = build.saidBefore && onlyRepeatedFaults(source);
    if (!source.found && source.errors.empty()) build.errors += "ERROR XXX or CPP FILE NOT FOUND ! " + path + "\n";
    else if (compiled != GL_TRUE) keepErrors(build, mapped, path + ": does not compile");
    build.files.insert(build.files.end(), source.files.begin(), source.files.end());
    build.sources.push_back(std::move(source));
    return shader;
}

}  // namespace

void deleteProgram(ShaderProgram& program) {
    // Deleting the program releases the shaders attached to it as well.
    if (program.program) glDeleteProgram(program.program);
    if (program.vertexShader) glDeleteShader(program.vertexShader);
    if (program.fragmentShader) glDeleteShader(program.fragmentShader);
    program.program = program.vertexShader = program.fragmentShader = 0;
    program.linked = false;
}

bool loadProgram(ShaderProgram& program, const std::string& vertexPath, const std::string& fragmentPath,
                 TwinWrite twins) {
    if (program.verbose)
        std::cout << platform::cyan << std::endl << std::endl << "Vertex loading: " << vertexPath << std::endl << kRule << std::endl;
    Build build;
    const GLuint vertex = compile(program, GL_VERTEX_SHADER, vertexPath, LogStyle::whole, build);
    if (program.verbose)
        std::cout << platform::green << std::endl << "Fragment loading: " << fragmentPath << std::endl << kRule << std::endl;
    const GLuint fragment = compile(program, GL_FRAGMENT_SHADER, fragmentPath, LogStyle::lineByLine, build);
    const GLuint linked = glCreateProgram();
    glAttachShader(linked, fragment);
    glAttachShader(linked, vertex);
    glLinkProgram(linked);
    GLint status = GL_FALSE;
    glGetProgramiv(linked, GL_LINK_STATUS, &status);
    if (build.faultySources) status = GL_FALSE;
    if (status != GL_TRUE && build.errors.empty()) {
        char log[3000] = {};
        GLsizei length = 0;
        glGetProgramInfoLog(linked, sizeof log, &length, log);
        keepErrors(build, vertexPath + " + " + fragmentPath + ": " + log, vertexPath + " + " + fragmentPath + ": does not link");
        // Both stages compiled, so no log so far says what is wrong (a stage without main(),
        // mismatched varyings): the linker's words go to the console too.
        std::cout << platform::red << vertexPath << " + " << fragmentPath << ": does not link: " << log << std::endl;
    }

    program.vertexPath = vertexPath;
    program.fragmentPath = fragmentPath;
    program.files = std::move(build.files);
    program.buildError = std::move(build.errors);
    program.pendingTwins.clear();
    // The show goes on with the last program that worked: a broken save shows its errors
    // over a picture that still moves, not a black pass.
    const bool keepPrevious = status != GL_TRUE && program.linked;
    if (keepPrevious) {
        ShaderProgram failed;
        failed.program = linked;
        failed.vertexShader = vertex;
        failed.fragmentShader = fragment;
        deleteProgram(failed);
        if (!(build.faultySources && build.saidBefore))
            std::cout << platform::red << vertexPath << " + " << fragmentPath
                      << ": not rebuilt; the last program that worked stays" << std::endl;
    } else {
        deleteProgram(program);
        program.program = linked;
        program.vertexShader = vertex;
        program.fragmentShader = fragment;
        program.linked = status == GL_TRUE;
        // Twins only of text that builds: a broken save must not destroy the only backup.
        if (program.linked)
            for (ProcessedShader& source : build.sources) {
                if (twins == TwinWrite::Now) writeShaderTwins(source);
                else for (auto& twin : source.twins) program.pendingTwins.push_back(std::move(twin));
            }
    }
    if (program.verbose) std::cout << platform::grey << std::endl;
    return !keepPrevious;
}

void writeAgreedTwins(const std::vector<ShaderProgram*>& programs) {
    // "shaders//a.cpp" and "shaders/a.cpp" are one file.
    const auto key = [](const std::string& path) { return std::filesystem::path(path).lexically_normal().string(); };
    std::set<std::string> held;
    for (const ShaderProgram* p : programs)
        if (!p->buildError.empty())
            for (const ShaderFile& file : p->files) held.insert(key(twinPathFor(file.path)));
    // In the programs' order, every pending copy: with per-program replacements the last
    // program's text is the twin, as when each program wrote its own.
    for (ShaderProgram* p : programs) {
        for (const auto& [twin, bytes] : p->pendingTwins)
            if (!held.count(key(twin))) writeScrambledTwin(twin, bytes);
        p->pendingTwins.clear();
    }
}

const ShaderFile* changedShaderFile(const ShaderProgram& program) {
    for (const ShaderFile& file : program.files)
        if (shaderFileStamp(file.path) != file.stamp) return &file;
    return nullptr;
}

void setUniformFloat(GLuint program, const char* name, float value) {
    glUniform1f(glGetUniformLocation(program, name), value);
}

void setUniformMatrix(GLuint program, const char* name, const float matrix[16]) {
    glUniformMatrix4fv(glGetUniformLocation(program, name), 1, GL_FALSE, matrix);
}

void setUniformTexture(GLuint program, int unit, const char* name, GLuint texture) {
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(GL_TEXTURE_2D, texture);
    glUniform1i(glGetUniformLocation(program, name), unit);
    glMatrixMode(GL_TEXTURE);
    glActiveTexture(GL_TEXTURE0);
}
