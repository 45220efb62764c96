// The shader source loader: plain ".cpp" sources pass through the line preprocessor
// (#include, #replace) and leave a scrambled twin behind; without them the twin is read.
// Each output line remembers the file and line it came from, so that compiler messages
// can name the line a person edited rather than one of the inlined text.
#include "render/shader_program.h"
#include "render/shader_twin.h"

#include "platform/console.h"
#include "platform/file_read.h"
#include "platform/printable.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <regex>
#include <sstream>
#include <vector>

namespace {

// A shader source is a few KB; this bounds what a mistaken save (a log, a video renamed
// .cpp) costs before it is refused, and what its twins would take on disk.
constexpr uint64_t kMaxSourceBytes = 1u << 20;
// The text with every include in place, and the number of files read for it: a file
// included twice by a file included twice... grows as fast as a loop would.
constexpr size_t kMaxProcessedBytes = 4u << 20;
constexpr size_t kMaxFilesRead = 256;

// One load: the files being preprocessed, outermost first, so that a file including
// itself (directly or through others) is reported instead of recursing until the stack
// runs out; and what the whole source is made of.
struct Loading {
    ShaderProgram& program;
    ProcessedShader& source;
    std::vector<std::filesystem::path> chain;
    size_t textBytes = 0;  // processed text made so far, includes too
};

// A fault in the sources themselves (not the compiler's): said in red, and kept so that
// the build fails with it like any compile error.
void sourceError(Loading& loading, const std::string& message) {
    std::cout << platform::red << std::endl << message << std::endl;
    loading.source.errors += message + "\n";
}

std::optional<std::string> loadSource(Loading& loading, const std::string& path);

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
std::string processLine(Loading& loading, std::string line) {
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
        return loadSource(loading, includePath).value_or(std::string());
    }
    if (tokens[0] == "#replace") {
        const auto found = loading.program.replacements.find(tokens[1]);
        return found != loading.program.replacements.end() ? found->second : std::string(" ");
    }
    return line;
}

std::string preprocess(Loading& loading, const std::string& raw, int file) {
    std::istringstream in(raw);
    std::string text, line;
    for (int number = 1; std::getline(in, line); ++number) {
        // Read without line-ending translation: a CRLF source must give the same text
        // (and the same twin) as its LF copy.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // The compiler would stop reading at a NUL byte, and then complain of something else.
        if (line.find('\0') != std::string::npos) {
            std::cout << platform::red << loading.source.files[file].path << " line " << number
                      << " holds a NUL byte; it is read as a space" << std::endl;
            std::replace(line.begin(), line.end(), '\0', ' ');
        }
        // Lines an include adds are mapped by the nested load; every other line of the
        // output that this raw line makes (a replacement may hold several) is this line.
        const size_t mappedBefore = loading.source.lines.size();
        const std::string out = processLine(loading, std::move(line));
        const size_t added = loading.source.lines.size() - mappedBefore;
        const size_t made = static_cast<size_t>(std::count(out.begin(), out.end(), '\n')) + 1;
        for (size_t i = added; i < made; ++i) loading.source.lines.push_back({file, number});
        text += out;
        text += '\n';
        loading.textBytes += out.size() + 1;
        if (loading.textBytes > kMaxProcessedBytes) {
            if (loading.source.errors.find("grows past") == std::string::npos)
                sourceError(loading, "ERROR " + platform::printable(loading.source.files[file].path, 200) + ": with its includes the text grows past " +
                                         platform::size_text(kMaxProcessedBytes) + "; the rest is not read");
            break;
        }
    }
    return text;
}

std::filesystem::path identity(const std::string& path) {
    std::error_code error;
    // u8path: the path is UTF-8 on every system, which a plain std::string is not taken as
    // on Windows.
    std::filesystem::path canonical = std::filesystem::canonical(std::filesystem::u8path(path), error);
    return error ? std::filesystem::u8path(path) : canonical;
}

std::optional<std::string> loadSource(Loading& loading, const std::string& path) {
    std::cout << "Loading... " << path << std::endl;
    ProcessedShader& source = loading.source;
    const int file = static_cast<int>(source.files.size());
    if (source.files.size() >= kMaxFilesRead) {
        if (source.errors.find("files read") == std::string::npos)
            sourceError(loading, "ERROR " + platform::printable(path, 200) + ": more than " + std::to_string(kMaxFilesRead) +
                                     " files read for one source; the includes are not read further");
        return std::nullopt;
    }
    // Stamped before reading: a save that lands while the file is read shows as a change.
    source.files.push_back({path, shaderFileStamp(path)});
    const std::string twinPath = twinPathFor(path);
    // Read whole and bounded, and only from a regular file: the reload runs between two
    // frames, and a pipe or a device under the name would stop the show for good.
    std::string raw, why;
    const platform::FileRead read = platform::read_regular_file(path, raw, kMaxSourceBytes, why);
    if (read != platform::FileRead::Read && read != platform::FileRead::Missing) {
        // Said once until it changes: with Space held the shaders are read every frame, and
        // a file another program holds open would repeat its line (and the compiler's
        // complaints about the empty text) thousands of times a second.
        const std::string message = "ERROR " + platform::printable(path, 200) + ": " + why;
        std::string& said = loading.program.readFailures[path];
        if (said == message) {
            loading.source.errors += message + "\n";
            ++loading.source.repeatedFaults;
        } else {
            said = message;
            sourceError(loading, message);
        }
        return std::nullopt;
    }
    loading.program.readFailures.erase(path);
    if (read == platform::FileRead::Read) {
        const std::filesystem::path self = identity(path);
        if (std::find(loading.chain.begin(), loading.chain.end(), self) != loading.chain.end()) {
            sourceError(loading, "ERROR #include LOOP: " + platform::printable(path, 200));
            return std::nullopt;
        }
        loading.chain.push_back(self);
        std::string text = preprocess(loading, raw, file);
        loading.chain.pop_back();
        // Scrambled now, as the generator's sequence has it; written only once the caller
        // knows the text builds, so a broken save never replaces a good twin.
        if (!twinPath.empty()) source.twins.push_back({twinPath, scrambleTwin(text)});
        return text;
    }
    std::string text;
    if (!twinPath.empty() && readTwin(twinPath, text)) {
        // Its lines are those of the processed text: the best there is without the file.
        const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) +
                             (!text.empty() && text.back() != '\n');
        for (size_t i = 1; i <= lines; ++i) source.lines.push_back({file, static_cast<int>(i)});
        return text;
    }
    std::cout << platform::red << std::endl << "ERROR XXX or CPP FILE NOT FOUND ! " << platform::printable(path, 200) << std::endl;
    return std::nullopt;
}

}  // namespace

int64_t shaderFileStamp(const std::string& path) {
    std::error_code error;
    // Only a regular file's time means a save: a folder's changes with every twin written
    // into it, and a device's with every use.
    const auto kind = std::filesystem::status(std::filesystem::u8path(path), error).type();
    if (error || kind == std::filesystem::file_type::not_found) return -1;
    if (kind != std::filesystem::file_type::regular) return -2 - static_cast<int64_t>(kind);
    const auto time = std::filesystem::last_write_time(std::filesystem::u8path(path), error);
    if (error) return -1;
    const auto size = std::filesystem::file_size(std::filesystem::u8path(path), error);
    // An editor that saves twice within the clock's resolution still changes the size.
    const uint64_t ticks = static_cast<uint64_t>(time.time_since_epoch().count());
    return static_cast<int64_t>(ticks * 31 + (error ? 0 : size));
}

ProcessedShader readShaderSource(ShaderProgram& program, const std::string& path) {
    ProcessedShader source;
    Loading loading{program, source, {}};
    std::optional<std::string> text = loadSource(loading, path);
    source.found = text.has_value();
    if (text) source.text = std::move(*text);
    return source;
}

std::optional<std::string> loadShaderSource(ShaderProgram& program, const std::string& path) {
    ProcessedShader source = readShaderSource(program, path);
    if (!source.found) return std::nullopt;
    if (source.errors.empty()) writeShaderTwins(source);
    return std::move(source.text);
}

void writeShaderTwins(const ProcessedShader& source) {
    // A read-only folder just means no twin this time.
    for (const auto& [path, bytes] : source.twins) writeScrambledTwin(path, bytes);
}

std::string mapShaderLog(const std::string& log, const ProcessedShader& source) {
    // "0:65(12): error: ..." (Mesa) or "0(65) : error ..." (other drivers): source string 0,
    // line 65 of the text as compiled.
    static const std::regex located(R"(^(\d+)(?::(\d+)\((\d+)\)|\((\d+)\)))");
    std::string mapped, line;
    std::istringstream lines(log);
    while (std::getline(lines, line)) {
        std::smatch m;
        if (std::regex_search(line, m, located)) {
            const bool mesa = m[2].matched;
            const size_t number = std::stoul(mesa ? m[2].str() : m[4].str());
            if (number >= 1 && number <= source.lines.size()) {
                const auto [file, at] = source.lines[number - 1];
                std::string place = source.files[file].path + ":" + std::to_string(at);
                if (mesa) place += "(" + m[3].str() + ")";
                line = place + line.substr(m.length());
            }
        }
        mapped += line;
        mapped += '\n';
    }
    return mapped;
}
