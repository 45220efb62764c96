// Coloured triangle meshes read from PLY files through the shared PLY reader
// (models/ply_reader.h), laid out as the show's meshes are: 11 floats per vertex, three
// indices and six texture coordinates per triangle.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct PlyVertex {
    float f[11] = {};  // 0-2 zero, 3-5 position x y z, 6-8 colour r g b in 0..1, 9-10 zero
};

struct PlyFace {
    int32_t index[3] = {};  // vertex indices, each below the vertex count
    float uv[6] = {};       // three texture coordinate pairs, kept but not drawn
};

struct PlyMesh {
    std::vector<PlyVertex> vertices;
    std::vector<PlyFace> faces;
};

// Reads the file into mesh (replacing it): ASCII or binary, any header layout; faces of more
// than three corners become triangle fans. Colours in uchar are multiplied by 1/255 in
// single precision, as the show always has; colours in float are taken as they are; the
// alpha channel never reaches the mesh; no colour reads as black. A missing file leaves the
// mesh empty; so does a file that is no PLY mesh (one line saying why). A file that ends
// early still gives the declared numbers of records: vertex values not read are zero, and
// faces not read repeat the last triangle. Counts that the file's size cannot hold are cut
// to what it could, and faces pointing outside the vertices are left out, each said in one
// line. Returns false when the file could not be opened.
bool loadPlyMesh(const std::string& path, PlyMesh& mesh);
