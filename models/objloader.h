// objloader and rigid: the small OBJ reader that the skeleton's joint parts use (one
// normal per position, faces grouped by MTL material) and the rigid object that draws such
// a mesh with fixed-function lighting, one material per group.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "models/movable.h"

// A triangle: one-based position indices (normals are indexed the same way), one-based
// texture indices (0 when absent) and the material number. Drawing reads only position.
struct meshface {
    int32_t position[3];
    int32_t texcoord[3];
    int32_t material;
};

// The faces of one material, with that material's fixed-function colours.
struct meshgroup {
    std::vector<meshface> faces;
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float shininess = 0;  // GL_SHININESS, 0-128
    float alpha = 1;
};

class objloader : public movable {
public:
    // Reads the file; a file that cannot be opened leaves every list empty (one line on
    // standard output says so) so that a show without its joint parts still starts.
    explicit objloader(const std::string& path);
    void compute_bounds() override;

    std::string directory;  // up to and including the last "/" (empty if none)
    std::string file_name;  // the rest of the path
    std::vector<vec3> positions;
    std::vector<vec3> normals;  // one per position
    std::vector<std::unique_ptr<meshgroup>> groups;
    bool use_material_alpha = false;  // some material is not opaque
    bool found = false;               // the file could be read

private:
    bool read(const std::string& path);
};

class rigid : public movable {
public:
    explicit rigid(const std::string& path);
    void draw() override;
    void draw_mesh();
    void compute_bounds() override;

    std::unique_ptr<objloader> model;
    std::vector<vec3> positions;
    std::vector<vec3> normals;
    std::vector<const meshgroup*> groups;  // owned by model
    bool use_material_alpha = false;
    bool has_mesh = false;
};
