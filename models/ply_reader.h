// PLY meshes as other programs write them, for the show, crt-encode and velmora-inspect:
// ASCII or binary of either byte order, elements and properties in any order and number.
// The vertex element gives positions and, when present, normals, colours and texture
// coordinates; the face element's index list gives polygons, split into triangle fans.
// Everything else is read past and named. Safe on untrusted bytes: every read is checked
// against the end of the data, and no count is allocated for before the data could hold it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ply {

struct Options {
    // The show's rule for damaged files: a file that ends early (or holds a malformed
    // number) still gives its declared records, values not read being 0 and faces not read
    // repeating the last triangle's corners; a count the file cannot hold is cut to what it
    // could; faces pointing outside the vertices are left out. Each of these is one warning.
    // Without it, each is an error and the file is refused.
    bool keep_declared_counts = false;
};

struct Mesh {
    std::string format;                  // "ascii", "binary_little_endian" or "binary_big_endian"
    uint64_t declared_vertices = 0;      // the vertex element's count in the header
    uint64_t declared_faces = 0;         // the face element's count in the header
    std::vector<float> positions;        // x y z per vertex
    std::vector<float> normals;          // nx ny nz per vertex, or empty
    std::vector<float> colors;           // color_channels values per vertex, as stored, or empty
    int color_channels = 0;              // 3 (red green blue) or 4 (with alpha)
    float color_full[4] = {};            // per channel, the stored value meaning full intensity
                                         // (255 for uchar, 65535 for ushort, 1 for float)
    std::vector<float> uvs;              // s t per vertex, or empty
    uint64_t faces = 0;                  // face records read, of any size
    std::vector<uint32_t> triangles;     // 3 per triangle, each below the vertex count; a face
                                         // of n corners gives (0 1 2) (0 2 3) ... (0 n-2 n-1)
    std::vector<float> corner_uvs;       // 6 per triangle (s t of its three corners) from a face
                                         // list "texcoord", or empty when the faces have none
    std::vector<std::string> passed_over;  // what was not read: "vertex property confidence", ...
    std::vector<std::string> warnings;   // one line each, starting with the file's name
    bool ended_early = false;            // with keep_declared_counts: values were filled in
    bool counts_cut = false;             // with keep_declared_counts: a count was cut
    uint64_t faces_outside = 0;          // with keep_declared_counts: faces left out
    std::string error;                   // why the file was refused: one line naming the file

    size_t vertex_count() const { return positions.size() / 3; }
    size_t triangle_count() const { return triangles.size() / 3; }
};

// Reads the PLY file held in data[0, size) into mesh (replacing it); name stands for the file
// in messages. Returns false with mesh.error set when the file is refused (no PLY header,
// an unknown type, a count or list past the data, an index outside the vertices, a value
// that is not a number, ...); mesh then holds nothing else of use. Reads only inside data.
bool read(const char* data, size_t size, const std::string& name, Mesh& mesh, const Options& options = {});

}  // namespace ply
