// Round trips of the shared real meshes (the bunny and the two larger scans, and every
// PLY and OBJ test file) through the encoder and the exported decoder, for every entropy
// kind, prediction strategy and normal mode.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>

#include "crt/decoder.h"
#include "encode_mesh.h"
#include "encoded_samples.h"
#include "round_trip.h"
#include "test_meshes.h"

using crt_encode::EncodeSettings;
using crt_encode::InputMesh;

namespace {

#define SKIP_WITHOUT_TESTDATA() \
    if (!crt_test::have_testdata()) GTEST_SKIP() << "no shared test data at " VELMORA_TESTDATA

std::vector<std::string> files_in(const std::string& folder) {
    std::vector<std::string> out;
    if (DIR* dir = opendir(crt_test::testdata(folder).c_str())) {
        while (const dirent* e = readdir(dir)) {
            const std::string name = e->d_name;
            if (name.size() > 4 && (name.compare(name.size() - 4, 4, ".ply") == 0 || name.compare(name.size() - 4, 4, ".obj") == 0))
                out.push_back(folder + "/" + name);
        }
        closedir(dir);
    }
    std::sort(out.begin(), out.end());
    return out;
}

::testing::AssertionResult round_trip(const InputMesh& mesh, const EncodeSettings& s, size_t* size = nullptr) {
    const crt_encode::EncodedMesh encoded = crt_encode::encode_mesh(mesh, s);
    if (size) *size = encoded.bytes.size();
    return crt_test::same_mesh(mesh, encoded, crt_test::decode_with_api(encoded.bytes));
}

}  // namespace

TEST(RealMeshRoundTrip, EveryFileEveryEntropyKindAndStrategy) {
    SKIP_WITHOUT_TESTDATA();
    std::vector<std::string> files = files_in("meshes");
    for (const char* folder : {"ply", "obj"})
        for (const std::string& f : files_in(folder)) files.push_back(f);
    ASSERT_GE(files.size(), 3u);
    for (const std::string& file : files) {
        const InputMesh mesh = crt_encode::read_mesh(crt_test::testdata(file));
        if (mesh.face_count() == 0) continue;
        for (int entropy : {0, 1})
            for (int32_t strategy : {0, 1, 2, 3}) {
                EncodeSettings s;
                s.entropy = entropy;
                s.position_strategy = s.uv_strategy = strategy;
                s.choose_strategies = false;
                s.fast = true;
                EXPECT_TRUE(round_trip(mesh, s)) << file << " entropy " << entropy << " strategy " << strategy;
            }
        // The defaults (searched dictionaries, merged bit counts, strategies and normal
        // modes chosen), and the same choices made quickly.
        EncodeSettings fast;
        fast.fast = true;
        EXPECT_TRUE(round_trip(mesh, EncodeSettings{})) << file << " defaults";
        EXPECT_TRUE(round_trip(mesh, fast)) << file << " fast";
    }
}

TEST(RealMeshRoundTrip, NormalsInEveryModeAndPrecision) {
    SKIP_WITHOUT_TESTDATA();
    for (const char* file : {"ply/cube_att.ply", "obj/suzanne.obj", "obj/cube_att_sub_o.obj", "obj/extra_vertex.obj"}) {
        const InputMesh mesh = crt_encode::read_mesh(crt_test::testdata(file));
        for (auto mode : {crt::NormalAttr::differential, crt::NormalAttr::estimated, crt::NormalAttr::border_corrected})
            for (int bits : {4, 8, 12, 16}) {
                EncodeSettings s;
                s.normal_mode = mode;
                s.choose_normal_mode = false;
                s.normal_bits = bits;
                EXPECT_TRUE(round_trip(mesh, s)) << file << " normals " << mode << " bits " << bits;
            }
    }
}

TEST(RealMeshRoundTrip, TunstallStreamsAreSmallerThanStoredOnes) {
    SKIP_WITHOUT_TESTDATA();
    for (const char* file : {"meshes/bun_zipper.ply", "meshes/nefertiti.obj", "meshes/ogre.obj"}) {
        const InputMesh mesh = crt_encode::read_mesh(crt_test::testdata(file));
        EncodeSettings stored, tunstall;
        stored.entropy = 0;
        tunstall.entropy = 1;
        const size_t a = crt_encode::encode_mesh(mesh, stored).bytes.size();
        const size_t b = crt_encode::encode_mesh(mesh, tunstall).bytes.size();
        EXPECT_LT(b, a * 9 / 10) << file;
    }
}

TEST(RealMeshRoundTrip, ObjGroupsBecomeFaceGroupsWithTheirFaces) {
    SKIP_WITHOUT_TESTDATA();
    for (const char* file : {"obj/cornell_box.obj", "obj/cube_att_sub_o.obj", "obj/mat_test.obj", "obj/cube-vertexcol.obj"}) {
        const InputMesh mesh = crt_encode::read_mesh(crt_test::testdata(file));
        ASSERT_GT(mesh.runs.size(), 1u) << file;
        EncodeSettings s;
        s.groups = true;
        const crt_encode::EncodedMesh encoded = crt_encode::encode_mesh(mesh, s);
        const crt_test::ApiDecode decoded = crt_test::decode_with_api(encoded.bytes);
        EXPECT_TRUE(crt_test::same_mesh(mesh, encoded, decoded)) << file;
        auto d = crt::create_decoder(encoded.bytes.data(), encoded.bytes.size());
        std::vector<uint32_t> indices(mesh.faces.size());
        crt::OutputArrays arrays;
        arrays.indices = indices.data();
        ASSERT_EQ(crt::decode_mesh(*d, arrays), int32_t(mesh.face_count()));
        ASSERT_EQ(d->index.groups.size(), mesh.runs.size()) << file;
        uint32_t start = 0;
        for (size_t g = 0; g < mesh.runs.size(); ++g) {
            const uint32_t end = mesh.runs[g].face_end;
            EXPECT_EQ(d->index.groups[g].face_end, end);
            EXPECT_EQ(d->index.groups[g].properties["name"], mesh.runs[g].name);
            const std::vector<uint32_t> in(mesh.faces.begin() + start * 3, mesh.faces.begin() + end * 3);
            const std::vector<uint32_t> out(indices.begin() + start * 3, indices.begin() + end * 3);
            EXPECT_EQ(crt_test::canonical_triangles(out, &encoded.code.vertex_order),
                      crt_test::canonical_triangles(in, &encoded.merged_into))
                << file << " group " << g;
            start = end;
        }
    }
}
