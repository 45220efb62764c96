// Compiling and linking the show's shader programs with the chatty, coloured log the
// show prints, and the three uniform setters.
#include "render/shader_program.h"

#include "platform/console.h"

#include <iostream>
#include <sstream>

std::string shaderBasePath;

namespace {

enum class LogStyle { whole, lineByLine };

const std::string kRule(75, '=');

void printLog(const ShaderProgram& program, const char* log, LogStyle style) {
    if (program.verbose) std::cout << platform::grey;
    const std::string text(log);
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

GLuint compile(ShaderProgram& program, GLenum type, const std::string& path, LogStyle style) {
    program.loaded = true;
    // With no source at all an empty one is compiled: the program then links to nothing
    // visible, the same outcome as a source that fails to compile.
    const std::string source = loadShaderSource(program, path).value_or(std::string());
    const GLuint shader = glCreateShader(type);
    const GLchar* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    char log[3000] = {};
    GLsizei length = 0;
    glGetShaderInfoLog(shader, sizeof log, &length, log);
    printLog(program, log, style);
    return shader;
}

}  // namespace

void loadProgram(ShaderProgram& program, const std::string& vertexPath, const std::string& fragmentPath) {
    if (program.verbose)
        std::cout << platform::cyan << std::endl << std::endl << "Vertex loading: " << vertexPath << std::endl << kRule << std::endl;
    program.vertexShader = compile(program, GL_VERTEX_SHADER, vertexPath, LogStyle::whole);
    if (program.verbose)
        std::cout << platform::green << std::endl << "Fragment loading: " << fragmentPath << std::endl << kRule << std::endl;
    program.fragmentShader = compile(program, GL_FRAGMENT_SHADER, fragmentPath, LogStyle::lineByLine);
    program.program = glCreateProgram();
    glAttachShader(program.program, program.fragmentShader);
    glAttachShader(program.program, program.vertexShader);
    glLinkProgram(program.program);
    // The show does not stop for a broken shader; the flag lets its passes skip drawing
    // with a program GL would refuse.
    GLint status = GL_FALSE;
    glGetProgramiv(program.program, GL_LINK_STATUS, &status);
    program.linked = status == GL_TRUE;
    if (program.verbose) std::cout << platform::grey << std::endl;
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
