// Triangle meshes read from PLY (ASCII and binary, any header layout) and Wavefront OBJ
// (v, vt, vn, f), for the crt encoder tool, its tests and the codec benchmark.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace crt_encode {

struct FaceRun {
    uint32_t face_end = 0;  // exclusive
    std::string name;       // OBJ "g", "o" or "usemtl" that started the run
};

struct InputMesh {
    std::vector<float> positions;   // 3 per vertex
    std::vector<float> normals;     // 3 per vertex, or empty
    std::vector<float> colors;      // color_components per vertex, 0-1, or empty
    int color_components = 0;       // 3 (RGB) or 4 (RGBA)
    std::vector<float> uvs;         // 2 per vertex, or empty
    std::vector<uint32_t> faces;    // 3 per triangle; polygons are split into fans
    std::vector<FaceRun> runs;      // OBJ faces by group/object/material; empty for PLY
    // What the reader worked around in a file it could read (one line each, the file
    // named): the tool prints them, the mesh is usable as it is.
    std::vector<std::string> warnings;

    uint32_t vertex_count() const { return static_cast<uint32_t>(positions.size() / 3); }
    uint32_t face_count() const { return static_cast<uint32_t>(faces.size() / 3); }
};

// Reads by extension (.ply or .obj, any case). Lines may end in LF, CRLF or a bare CR.
// Throws std::runtime_error with a message naming the file and what is wrong (truncated
// data, unknown property type, an index outside the vertices, ...); never reads outside
// the file's bytes.
InputMesh read_mesh(const std::string& path);
InputMesh read_ply(const std::vector<char>& bytes, const std::string& name);
InputMesh read_obj(const std::vector<char>& bytes, const std::string& name);

}  // namespace crt_encode
