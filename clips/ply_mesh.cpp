#include "clips/ply_mesh.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "models/text_scanner.h"

#include "clips/ply_layout.h"

namespace {

// Whitespace-separated tokens of an in-memory file. Once a read fails, every later read
// fails too and leaves its target alone, as stream extraction does.
struct Tokens {
    std::string text;
    size_t at = 0;
    bool failed = false;

    bool next(std::string& token) {
        if (failed) return false;
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
        if (at == text.size()) return fail();
        const size_t start = at;
        while (at < text.size() && !std::isspace(static_cast<unsigned char>(text[at]))) ++at;
        token.assign(text, start, at - start);
        return true;
    }
    void skip(int n) {
        std::string t;
        for (int i = 0; i < n; ++i) next(t);
    }
    bool fail() {
        failed = true;
        return false;
    }
    void read(float& value) {
        std::string t;
        if (!next(t)) return;
        char* end = nullptr;
        errno = 0;
        const float v = std::strtof(t.c_str(), &end);
        if (end == t.c_str() || *end != '\0') {
            value = 0.0f;  // a malformed number reads as 0, and stops the reading
            fail();
            return;
        }
        value = v;
    }
    void read(int32_t& value) {
        std::string t;
        if (!next(t)) return;
        char* end = nullptr;
        const long v = std::strtol(t.c_str(), &end, 10);
        if (end == t.c_str() || *end != '\0' || v < INT32_MIN || v > INT32_MAX) {
            value = 0;
            fail();
            return;
        }
        value = static_cast<int32_t>(v);
    }
};

int32_t boundedCount(int32_t declared, size_t fileSize, size_t minBytesPerRecord, const char* what,
                     const std::string& path) {
    if (declared <= 0) return 0;
    const size_t most = fileSize / minBytesPerRecord + 1;
    if (static_cast<size_t>(declared) <= most) return declared;
    printf("PLY: \"%s\" declares %d %s but can hold at most %zu; reading %zu.\n", path.c_str(), declared, what, most,
           most);
    return static_cast<int32_t>(most);
}

}  // namespace

bool loadPlyMesh(const std::string& path, PlyMesh& mesh) {
    mesh.vertices.clear();
    mesh.faces.clear();
    Tokens tokens;
    std::string why;
    if (!read_text_file(path, tokens.text, &why)) {
        printf("PLY: cannot open \"%s\"%s, the mesh stays empty.\n", path.c_str(), why.empty() ? "" : (": " + why).c_str());
        return false;
    }

    int32_t vertexCount = 0, faceCount = 0;
    tokens.skip(9);
    tokens.read(vertexCount);
    tokens.skip(23);
    tokens.read(faceCount);
    tokens.skip(11);
    // Every record takes at least one byte and one separator per number: a count the file
    // cannot hold would only allocate zeros, possibly gigabytes of them.
    vertexCount = boundedCount(vertexCount, tokens.text.size(), 14, "vertices", path);
    faceCount = boundedCount(faceCount, tokens.text.size(), 22, "faces", path);

    mesh.vertices.resize(static_cast<size_t>(vertexCount));
    for (PlyVertex& v : mesh.vertices) {
        float alpha = 0.0f;
        for (int k = 3; k < 9; ++k) tokens.read(v.f[k]);
        tokens.read(alpha);  // read and dropped
        for (int k = 6; k < 9; ++k) v.f[k] *= 0.003921569f;  // 1/255 in single precision
    }
    mesh.faces.resize(static_cast<size_t>(faceCount));
    int32_t index[3] = {};  // kept across faces: a face after the end repeats the last indices
    for (PlyFace& f : mesh.faces) {
        float count = 0.0f;
        tokens.read(count);
        for (int32_t& i : index) tokens.read(i);
        tokens.read(count);
        for (float& uv : f.uv) tokens.read(uv);
        std::copy(index, index + 3, f.index);
    }
    // A header of another layout moves every number the reader counts on: say where it
    // departs, rather than what the misplaced numbers then look like.
    const std::string difference = plyLayoutDifference(tokens.text);
    if (!difference.empty())
        printf("PLY: \"%s\" does not have the layout the show reads: %s. The show reads %s.\n", path.c_str(),
               difference.c_str(), kPlyLayout);
    else if (mesh.faces.empty() || mesh.vertices.empty())
        printf("PLY: \"%s\" yielded no mesh: its header declares %d vertices and %d faces.\n", path.c_str(),
               vertexCount, faceCount);
    else if (tokens.failed)
        printf("PLY: \"%s\" is cut short or holds a malformed number; what follows reads as zeros.\n", path.c_str());
    return true;
}
