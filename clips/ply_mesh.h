// Coloured triangle meshes read from ASCII PLY files whose header is counted, not parsed:
// the vertex count is the 10th token, the face count 24 tokens later, the data 11 after.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct PlyVertex {
    float f[11] = {};  // 0-2 zero, 3-5 position x y z, 6-8 colour r g b in 0..1, 9-10 zero
};

struct PlyFace {
    int32_t index[3] = {};  // vertex indices as read (not checked against the vertex count)
    float uv[6] = {};       // three texture coordinate pairs, kept but not drawn
};

struct PlyMesh {
    std::vector<PlyVertex> vertices;
    std::vector<PlyFace> faces;
};

// Reads the file into mesh (replacing it). A missing file leaves the mesh empty. A file that
// ends early still gives the declared numbers of records: vertices after the first failed
// read are zero, faces keep the last indices read with zero texture coordinates. Counts
// that the file's size cannot hold are cut to what it could (one warning line). A header
// of another layout than the one counted on (see ply_layout.h) is read all the same and
// named in one line saying where it departs. Returns false when the file could not be
// opened.
bool loadPlyMesh(const std::string& path, PlyMesh& mesh);
