// objmodel: a Wavefront OBJ model and its MTL materials, read into one array of merged
// vertices and one array of triangle indices, drawn by object (client arrays), by part
// (vertex array objects, at most 16) or in immediate mode from the parts' CPU arrays.
//
// Safe on untrusted files: tokens and rest-of-line reads are bounded, faces with an index
// of 0 or beyond the elements read so far are dropped (one warning line per file), and
// every list is written only through its own size.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class text_scanner;
struct face_corner;

// The vertex record, 48 bytes: also the layout handed to OpenGL with stride 48, and
// compared byte for byte when corners are merged, so every byte is a field.
struct objvertex {
    float position[3];  // from a v line
    float texcoord[2];  // from a vt line; 0, 0 when the face form has none
    float normal[3];    // from a vn line; 0, 0, 0 when the face form has none
    float colour[3];    // optional second triple of a v line; 1, 1, 1 when absent
    int32_t object;     // object counter when the corner was read (-1 before the first o)
};
static_assert(sizeof(objvertex) == 48, "objvertex is handed to OpenGL with stride 48");

// A material record. Value-initialised it is all zeros (what a missing library leaves);
// default_material() gives the values of a newmtl record.
struct objmaterial {
    float ambient[4] = {};
    float diffuse[4] = {};
    float specular[4] = {};
    float shininess = 0;  // Ns / 1000
    float alpha = 0;      // d, or 1 - Tr
    std::string name;
    std::string diffuse_texture;  // map_Kd, stored as text only
    std::string bump_texture;     // map_bump, stored as text only
};

objmaterial default_material(const std::string& name);

// Parses the text of an MTL library: one record per newmtl (file order, numbered from 0),
// each name entered in names with its number (a repeated name takes the later number).
std::vector<objmaterial> parse_material_library(const std::string& text,
                                                std::map<std::string, int32_t>& names);

// A run of consecutive triangles with the same material.
struct objgroup {
    int32_t first_index;     // first triangle * 3
    int32_t triangle_count;
    int32_t material;        // number of its record in objmodel::materials
};

// One GPU part: a vertex array object over five buffers, and the CPU arrays it was filled
// from, which stay allocated for draw_immediate.
struct objpart {
    int32_t number = 0;                 // 0-15
    unsigned int vao = 0;               // GLuint
    unsigned int buffers[5] = {};       // positions, normals, colours, texture triples, indices
    int32_t vertex_count = 0;
    int32_t index_count = 0;
    std::vector<float> positions;       // position * scale + offset, 3 per vertex
    std::vector<float> texcoords;       // u, v, part number, 3 per vertex
    std::vector<uint8_t> colours;       // 3 per vertex
    std::vector<float> normals;         // 3 per vertex
    std::vector<uint32_t> indices;      // 3 per triangle
};

class objmodel {
public:
    static constexpr int kMaxParts = 16;

    objmodel();
    ~objmodel();
    objmodel(const objmodel&) = delete;
    objmodel& operator=(const objmodel&) = delete;

    // Reads the OBJ file and its material libraries; false only when the OBJ cannot be
    // opened (the model is then empty). Seeds the runtime random generator with 123456.
    // With gpu true, also builds the parts (needs the GL context).
    bool load(const std::string& path, bool gpu);
    // Reads one MTL library into materials (a missing file leaves one all-zero record).
    void load_materials(const std::string& path);
    // One part per object-start entry (the first 16): part i holds the first
    // object_starts[i] triangles. Fills the CPU arrays, and uploads them when GL is loaded.
    void build_parts();
    // Object k (or every object when k < 0) through client-side arrays; draw_parts when
    // the model was loaded with gpu.
    void draw_object(int k);
    // Part k (or every built part when k < 0) through its vertex array object.
    void draw_parts(int k);
    // Every built part in immediate mode, each triangle flat-shaded by its first corner.
    void draw_immediate();

    // Objects are the ranges between consecutive object starts.
    int object_count() const;

    float offset[3] = {0, 0, 0};  // added to positions by build_parts
    float scale[3] = {1, 1, 1};   // multiplies positions (before the offset) in build_parts
    int32_t object_counter = -1;
    objpart parts[kMaxParts];
    std::vector<int32_t> object_starts;  // triangle count at each o line, then the total
    float part_box_min[3] = {100000, 100000, 100000};
    float part_box_max[3] = {-100000, -100000, -100000};
    int32_t part_count = 0;
    bool loaded = false;
    bool gpu = false;
    bool has_positions = false, has_texcoords = false, has_normals = false;
    int32_t position_count = 0, texcoord_count = 0, normal_count = 0;
    int32_t triangle_count = 0;
    int32_t material_count = 0;
    int32_t group_count = 0;
    float centre[3] = {0, 0, 0};
    float size[3] = {0, 0, 0};
    std::string directory;
    std::vector<objgroup> groups;
    std::vector<objmaterial> materials;
    std::vector<objvertex> vertices;
    std::vector<uint32_t> indices;
    std::vector<int32_t> triangle_materials;
    std::vector<float> raw_positions, raw_colours, raw_texcoords, raw_normals;
    std::map<std::string, int32_t> material_names;
    std::map<int32_t, std::vector<uint32_t>> position_map;
    int32_t dropped_faces = 0;  // faces of the last load dropped for an index out of range
    // Corners of the last load that named a normal the file never defines; their vertices
    // (flagged in normal_missing) get normals generated from the faces.
    int32_t missing_normal_corners = 0;
    std::vector<uint8_t> normal_missing;

private:
    void reset();
    void counting_pass(text_scanner& scanner);
    void filling_pass(text_scanner& scanner);
    void add_face(const std::vector<face_corner>& corners, int32_t material);
    uint32_t vertex_for(const objvertex& v, int32_t position);
    void build_groups();
    void compute_centre_and_size();
    // All vertices, or only those flagged in `only` (one flag a vertex).
    void generate_normals(const std::vector<uint8_t>* only = nullptr);
    void upload_part(objpart& part);
    void release_parts();
};
