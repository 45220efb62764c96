// Encoder-made sample streams for the fuzz corpus and the damaged-stream tests.
#include "encoded_samples.h"

#include <filesystem>

#include "encode_mesh.h"
#include "test_meshes.h"

namespace crt_test {

bool have_testdata() {
    std::error_code ec;
    return std::filesystem::is_directory(std::filesystem::u8path(VELMORA_TESTDATA), ec);
}

std::string testdata(const std::string& relative) { return std::string(VELMORA_TESTDATA) + "/" + relative; }

namespace {

void add(std::vector<SampleStream>& out, const std::string& name, const InputMesh& mesh,
         const crt_encode::EncodeSettings& settings) {
    out.push_back({name, crt_encode::encode_mesh(mesh, settings).bytes});
}

crt_encode::EncodeSettings settings(int entropy, int32_t strategy,
                                    crt::NormalAttr::Mode mode = crt::NormalAttr::differential) {
    crt_encode::EncodeSettings s;
    s.entropy = entropy;
    s.position_strategy = s.uv_strategy = strategy;
    s.normal_mode = mode;
    s.choose_strategies = s.choose_normal_mode = false;
    s.position_bits = 12;
    return s;
}

}  // namespace

std::vector<SampleStream> encoded_sample_streams() {
    using crt::NormalAttr;
    std::vector<SampleStream> out;
    const InputMesh holed = grid_with_hole(7);
    add(out, "enc_grid_stored", holed, settings(0, crt::kParallelogram));
    add(out, "enc_grid_tunstall", holed, settings(1, crt::kParallelogram));
    add(out, "enc_grid_plain_correlated", holed, settings(1, crt::kCorrelated));
    add(out, "enc_grid_estimated_normals", holed, settings(1, crt::kParallelogram, NormalAttr::estimated));
    add(out, "enc_grid_border_normals", holed, settings(0, crt::kParallelogram | crt::kCorrelated,
                                                        NormalAttr::border_corrected));
    add(out, "enc_torus", torus(9, 6), settings(1, crt::kParallelogram));
    // The defaults: searched dictionaries, merged bit counts, chosen strategies and modes.
    add(out, "enc_torus_defaults", torus(9, 6), crt_encode::EncodeSettings{});
    InputMesh pieces = grid(6, 4, [](int i, int) { return i == 2 || i == 4; });
    pieces.runs = {{12, "left"}, {pieces.face_count(), "right"}};
    crt_encode::EncodeSettings grouped = settings(1, crt::kParallelogram);
    grouped.groups = true;
    add(out, "enc_pieces_in_groups", pieces, grouped);
    InputMesh odd = fin();
    const InputMesh tie = bow_tie();
    const uint32_t offset = odd.vertex_count();
    odd.positions.insert(odd.positions.end(), tie.positions.begin(), tie.positions.end());
    for (uint32_t v : tie.faces) odd.faces.push_back(v + offset);
    add(out, "enc_non_manifold", odd, settings(0, 0));

    if (have_testdata()) {
        for (const char* file : {"ply/platonic_cube.ply", "ply/test_more_datatypes.ply", "ply/cube_att.ply",
                                 "obj/cube_att_sub_o.obj", "obj/extra_vertex.obj", "obj/cube-vertexcol.obj"}) {
            const InputMesh mesh = crt_encode::read_mesh(testdata(file));
            std::string name = std::string("enc_") + file;
            for (char& c : name)
                if (c == '/' || c == '.' || c == '-') c = '_';
            add(out, name, mesh, settings(1, crt::kParallelogram));
        }
    }
    return out;
}

std::vector<SampleStream> encoded_large_streams() {
    std::vector<SampleStream> out;
    if (!have_testdata()) return out;
    add(out, "enc_bunny", crt_encode::read_mesh(testdata("meshes/bun_zipper.ply")), settings(1, crt::kParallelogram));
    add(out, "enc_suzanne_estimated", crt_encode::read_mesh(testdata("obj/suzanne.obj")),
        settings(0, crt::kCorrelated, crt::NormalAttr::estimated));
    return out;
}

}  // namespace crt_test
