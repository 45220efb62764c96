// The shader source loader: plain ".cpp" sources pass through the line preprocessor
// (#include, #replace) and leave a scrambled twin behind; without them the twin is read.
#include "render/shader_program.h"
#include "render/shader_twin.h"

#include "platform/console.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

namespace {

// Files being preprocessed, outermost first, so that a file including itself (directly
// or through others) is reported instead of recursing until the stack runs out.
using IncludeChain = std::vector<std::filesystem::path>;

std::optional<std::string> loadSource(ShaderProgram& program, const std::string& path, IncludeChain& chain);

std::vector<std::string> splitAtSingleSpaces(const std::string& line) {
    std::vector<std::string> tokens(1);
    for (char c : line) {
        if (c == ' ')
            tokens.emplace_back();
        else
            tokens.back().push_back(c);
    }
    return tokens;
}

// One output line (without its line feed) for one raw line of a plain source.
std::string processLine(ShaderProgram& program, std::string line, IncludeChain& chain) {
    // Directives only on lines longer than 9 characters, leading whitespace included:
    // a short "#include a" stays as it is.
    if (line.size() <= 9) return line;
    std::replace(line.begin(), line.end(), '\t', ' ');
    const size_t firstNonSpace = line.find_first_not_of(' ');
    line.erase(0, firstNonSpace == std::string::npos ? line.size() : firstNonSpace);
    const std::vector<std::string> tokens = splitAtSingleSpaces(line);
    if (tokens.size() < 2) return line;
    if (tokens[0] == "#include") {
        std::string includePath = tokens[1];
        includePath.erase(std::remove(includePath.begin(), includePath.end(), '"'), includePath.end());
        // Relative to the working directory, not to the including file.
        return loadSource(program, includePath, chain).value_or(std::string());
    }
    if (tokens[0] == "#replace") {
        const auto found = program.replacements.find(tokens[1]);
        return found != program.replacements.end() ? found->second : std::string(" ");
    }
    return line;
}

std::string preprocess(ShaderProgram& program, std::ifstream& in, IncludeChain& chain) {
    std::string text, line;
    while (std::getline(in, line)) {
        // Read without line-ending translation: a CRLF source must give the same text
        // (and the same twin) as its LF copy.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        text += processLine(program, std::move(line), chain);
        text += '\n';
    }
    return text;
}

std::filesystem::path identity(const std::string& path) {
    std::error_code error;
    std::filesystem::path canonical = std::filesystem::canonical(path, error);
    return error ? std::filesystem::path(path) : canonical;
}

std::optional<std::string> loadSource(ShaderProgram& program, const std::string& path, IncludeChain& chain) {
    std::cout << "Loading... " << path << std::endl;
    const std::string twinPath = twinPathFor(path);
    std::ifstream plain(path, std::ios::binary);
    if (plain) {
        const std::filesystem::path self = identity(path);
        if (std::find(chain.begin(), chain.end(), self) != chain.end()) {
            std::cout << platform::red << std::endl << "ERROR #include LOOP: " << path << std::endl;
            return std::nullopt;
        }
        chain.push_back(self);
        std::string text = preprocess(program, plain, chain);
        chain.pop_back();
        // A read-only folder just means no twin this time.
        if (!twinPath.empty()) writeTwin(twinPath, text);
        return text;
    }
    std::string text;
    if (!twinPath.empty() && readTwin(twinPath, text)) return text;
    std::cout << platform::red << std::endl << "ERROR XXX or CPP FILE NOT FOUND !" << std::endl;
    return std::nullopt;
}

}  // namespace

std::optional<std::string> loadShaderSource(ShaderProgram& program, const std::string& path) {
    IncludeChain chain;
    return loadSource(program, path, chain);
}
