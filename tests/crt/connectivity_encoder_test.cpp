// The connectivity encoder against the decoder: its symbols and bits, fed to
// decode_group, must rebuild exactly the faces and prediction triples the encoder
// expected, and those faces must be the input's triangles under the new numbering.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

#include "crt/connectivity.h"
#include "crt/connectivity_encoder.h"
#include "crt/errors.h"
#include "crt/stream.h"
#include "test_meshes.h"
#include "stream_builder.h"

using crt_test::InputMesh;

using crt_test::error_of;

namespace {

struct Decoded {
    std::vector<uint32_t> faces;
    std::vector<crt::VertexTriple> predictions;
    crt::ConnectivityCursor cursor;
};

// Runs the decoder on the encoder's output, group by group as decode_mesh does.
Decoded decode(const crt::ConnectivityCode& code) {
    const uint32_t V = uint32_t(code.vertex_order.size());
    Decoded d;
    d.faces.assign(code.faces.size(), 0xDEADBEEF);
    std::vector<uint8_t> words;
    for (uint32_t w : code.bits.words())
        for (int i = 0; i < 4; ++i) words.push_back(uint8_t(w >> (8 * i)));
    crt::MeshIndex index;
    index.symbols = code.symbols;
    index.bits.word = words.data();
    index.bits.words_left = uint32_t(code.bits.words().size());
    index.predictions.assign(V, crt::VertexTriple{0, 0, 0});
    index.faces32 = d.faces.data();
    index.front_capacity = code.front_capacity;
    uint32_t start = 0;
    for (uint32_t end : code.face_ends) {
        crt::decode_group(index, V, uint64_t(start) * 3, uint64_t(end) * 3, d.cursor);
        start = end;
    }
    d.predictions = index.predictions;
    EXPECT_EQ(d.cursor.symbol_position, code.symbols.size()) << "every symbol is read";
    EXPECT_EQ(d.cursor.decoded_vertices, V) << "every vertex is numbered";
    return d;
}

crt::ConnectivityOptions options_with(bool postpone, bool borders = false, bool joins = false) {
    crt::ConnectivityOptions options;
    options.postpone = postpone;
    options.border_when_sent_elsewhere = borders;
    options.close_as_join = joins;
    return options;
}

crt::ConnectivityCode encode(const InputMesh& m, const crt::ConnectivityOptions& options,
                             const std::vector<uint32_t>& ends = {}) {
    return crt::encode_connectivity(m.faces.data(), m.face_count(), m.vertex_count(), ends, options);
}
crt::ConnectivityCode encode(const InputMesh& m, bool postpone = true, const std::vector<uint32_t>& ends = {}) {
    return encode(m, options_with(postpone), ends);
}

// The whole check: decoder agrees with the encoder, and the faces are the input's.
void expect_rebuilt_with(const InputMesh& m, const crt::ConnectivityOptions& options, const std::vector<uint32_t>& ends) {
    const crt::ConnectivityCode code = encode(m, options, ends);
    const Decoded d = decode(code);
    EXPECT_EQ(d.faces, code.faces);
    EXPECT_EQ(d.predictions, code.predictions);
    EXPECT_EQ(crt_test::canonical_triangles(code.faces, &code.vertex_order), crt_test::canonical_triangles(m.faces));
    // A vertex is numbered only once it is met, so its triple names earlier vertices.
    for (size_t v = 1; v < code.predictions.size(); ++v)
        for (uint32_t p : code.predictions[v]) ASSERT_LT(p, v) << "vertex " << v;
}

// When postponing, also with put-off edges sent as borders and closes sent as joins.
void expect_rebuilt(const InputMesh& m, const std::string& what, bool postpone = true,
                    const std::vector<uint32_t>& ends = {}) {
    for (int variant = 0; variant < (postpone ? 4 : 1); ++variant) {
        SCOPED_TRACE(what + (postpone ? " (postponing, variant " + std::to_string(variant) + ")" : " (old vertices at once)"));
        expect_rebuilt_with(m, options_with(postpone, variant & 1, variant & 2), ends);
    }
}

size_t count(const std::vector<uint8_t>& symbols, uint8_t s) { return size_t(std::count(symbols.begin(), symbols.end(), s)); }

}  // namespace

TEST(ConnectivityEncoder, TetrahedronEndsOnAJoinNotAClose) {
    // The decoder's own example (0,1,2), (2,1,3), (3,1,0), (3,0,2), its last face sent as a
    // join: the group ends right after it, and the block needs no close symbol.
    const crt::ConnectivityCode code = encode(crt_test::tetrahedron());
    EXPECT_EQ(code.symbols, (std::vector<uint8_t>{crt::new_vertex, crt::new_vertex, crt::join_prev, crt::join_prev}));
    EXPECT_EQ(code.faces, (std::vector<uint32_t>{0, 1, 2, 2, 1, 3, 3, 1, 0, 3, 0, 2}));
    EXPECT_EQ(code.predictions[3], (crt::VertexTriple{2, 1, 0}));
    EXPECT_EQ(code.bits.bit_count(), 0u);
}

TEST(ConnectivityEncoder, SurfacesWithBordersHolesAndHandlesAreRebuilt) {
    for (bool postpone : {true, false}) {
        expect_rebuilt(crt_test::grid(1, 1), "one quad", postpone);
        expect_rebuilt(crt_test::grid(9, 5), "open grid", postpone);
        expect_rebuilt(crt_test::grid_with_hole(12), "grid with a hole", postpone);
        expect_rebuilt(crt_test::cube(), "closed cube", postpone);
        expect_rebuilt(crt_test::torus(12, 8), "torus", postpone);
        expect_rebuilt(crt_test::torus(3, 3), "smallest torus", postpone);
    }
}

TEST(ConnectivityEncoder, ClosedSurfacesNeedNoBorderSymbols) {
    const crt::ConnectivityCode code = encode(crt_test::cube());
    EXPECT_EQ(count(code.symbols, crt::border), 0u);
    EXPECT_EQ(code.symbols.size(), 12u) << "one symbol per face";
}

TEST(ConnectivityEncoder, ClosesSentAsJoinsAndUnneededPostponesSentAsBordersKeepTheFaces) {
    const InputMesh m = crt_test::torus(12, 8);
    const crt::ConnectivityCode plain = encode(m), borders = encode(m, options_with(true, true));
    EXPECT_EQ(count(encode(m, options_with(true, false, true)).symbols, crt::close), 0u);
    EXPECT_LE(count(borders.symbols, crt::postpone), count(plain.symbols, crt::postpone));
    EXPECT_EQ(borders.faces, plain.faces) << "the same traversal, told with other symbols";
}

TEST(ConnectivityEncoder, OldVerticesSentAtOnceWherePostponingWasInVain) {
    // A torus's front must split somewhere: the edges that postponed only to send an
    // index after all send it at once the second time, and no postpone is left.
    const InputMesh m = crt_test::torus(12, 8);
    const crt::ConnectivityCode first = encode(m);
    ASSERT_FALSE(first.postponed_in_vain.empty());
    crt::ConnectivityOptions options;
    options.old_at_once = first.postponed_in_vain;
    std::sort(options.old_at_once.begin(), options.old_at_once.end());
    expect_rebuilt_with(m, options, {});
    const crt::ConnectivityCode second = encode(m, options);
    EXPECT_LT(count(second.symbols, crt::postpone), count(first.symbols, crt::postpone));
    EXPECT_TRUE(second.postponed_in_vain.empty());
}

TEST(ConnectivityEncoder, SteeringAwayFromBadPredictionsKeepsTheSurface) {
    // Steering as hard as it goes: every vertex that some other triangle predicts better
    // is put off once. The surface must come back whole, and steering must have acted.
    for (const InputMesh& m : {crt_test::torus(16, 9), crt_test::grid_with_hole(10)}) {
        std::vector<int32_t> q(m.positions.size());
        for (size_t k = 0; k < q.size(); ++k) q[k] = int32_t(std::lround(m.positions[k] * 4096.0f));
        const crt::MeshAdjacency adjacency = crt::build_adjacency(m.faces.data(), m.face_count(), m.vertex_count(), {});
        const crt::PredictionHints hints = crt::prediction_hints(adjacency, q.data(), 3);
        crt::ConnectivityOptions options;
        options.hints = &hints;
        options.steer_width = 1;
        options.steer_margin = 1;
        expect_rebuilt_with(m, options, {});
        EXPECT_GT(count(encode(m, options).symbols, crt::postpone), count(encode(m).symbols, crt::postpone));
    }
}

TEST(ConnectivityEncoder, AnyStartFaceAndCornerRebuildsTheSurface) {
    // A start corner other than 0 must pair each front edge with its own half-edge.
    for (const InputMesh& m : {crt_test::torus(10, 7), crt_test::grid_with_hole(9)})
        for (uint32_t k = 0; k < 6; ++k) {
            crt::ConnectivityOptions options;
            options.start_face = m.face_count() * k / 6;
            options.start_corner = k % 3;
            SCOPED_TRACE("start " + std::to_string(options.start_face) + " corner " + std::to_string(k % 3));
            expect_rebuilt_with(m, options, {});
            EXPECT_EQ(encode(m, options).face_order.front(), options.start_face);
        }
}

TEST(ConnectivityEncoder, SeparatePiecesStartWithNewFirstTriangles) {
    const InputMesh m = crt_test::grid(8, 3, [](int i, int) { return i == 3 || i == 6; });
    expect_rebuilt(m, "three strips");
}

TEST(ConnectivityEncoder, NonManifoldInputIsSplitNotLost) {
    for (bool postpone : {true, false}) {
        expect_rebuilt(crt_test::fin(), "three faces on one edge", postpone);
        expect_rebuilt(crt_test::bow_tie(), "fans meeting at a vertex", postpone);
        expect_rebuilt(crt_test::flipped_neighbour(), "neighbour facing the other way", postpone);
        expect_rebuilt(crt_test::with_degenerate_face(), "faces with repeated corners", postpone);
        expect_rebuilt(crt_test::with_repeated_face(), "a face given twice", postpone);
    }
}

TEST(ConnectivityEncoder, DoubleSidedSheetsArePairedNotCutIntoSingleFaces) {
    // Every inner edge of the double-sided grid carries four faces. Paired into the two
    // sides (a face never with its own mirror image), the back is grown like the front,
    // its vertices sent by index little more than once each; a piece of one face at a
    // time would send three indices for every back face.
    const InputMesh grid = crt_test::grid(10, 10), both = crt_test::double_sided(grid);
    for (bool postpone : {true, false}) expect_rebuilt(both, "double-sided grid", postpone);
    const crt::ConnectivityCode code = encode(both, false);
    const uint32_t V = grid.vertex_count();
    EXPECT_LE(count(code.symbols, crt::old_vertex), V * 3 / 2);
    EXPECT_LE(code.bits.bit_count(), (V * 3 / 2) * uint32_t(crt::index_bits(V)));
    EXPECT_LE(code.symbols.size(), both.face_count() * 5 / 4);
}

TEST(ConnectivityEncoder, PiecesOfASoupStartWhereTheLastVertexLies) {
    // Every face of the soup is a piece of its own, its corners predicted from the vertex
    // numbered before each. Chained, a piece's first corner repeats that vertex's position
    // (nothing left to store) wherever a face there is still unsent.
    const InputMesh soup = crt_test::soup_of(crt_test::grid(6, 5));
    std::vector<int32_t> q(soup.positions.size());
    for (size_t k = 0; k < q.size(); ++k) q[k] = int32_t(std::lround(soup.positions[k] * 1000.0f));
    const crt::PositionClasses classes = crt::position_classes(soup.faces.data(), soup.face_count(), soup.vertex_count(), q.data(), 3);
    crt::ConnectivityOptions options;
    options.chain = &classes;
    expect_rebuilt_with(soup, options, {});
    const auto repeats = [&](const crt::ConnectivityCode& code) {
        size_t n = 0;
        for (size_t v = 3; v < code.vertex_order.size(); v += 3)
            n += std::equal(&q[code.vertex_order[v] * 3], &q[code.vertex_order[v] * 3] + 3, &q[code.vertex_order[v - 1] * 3]);
        return n;
    };
    const size_t pieces = soup.face_count();
    EXPECT_GE(repeats(encode(soup, options)), pieces * 9 / 10);
    EXPECT_LT(repeats(encode(soup, crt::ConnectivityOptions{})), pieces / 2);
}

TEST(ConnectivityEncoder, AVertexSharedByTwoPiecesIsSentByIndex) {
    // The second fan of the bow tie starts from the already numbered centre vertex.
    const crt::ConnectivityCode code = encode(crt_test::bow_tie());
    EXPECT_GE(count(code.symbols, crt::old_vertex), 1u);
    EXPECT_GT(code.bits.bit_count(), 0u);
    EXPECT_EQ(code.vertex_order.size(), 7u) << "the shared vertex is numbered once";
}

TEST(ConnectivityEncoder, UnusedVerticesGetNoNumber) {
    const InputMesh m = crt_test::with_unused_vertices();
    const crt::ConnectivityCode code = encode(m);
    EXPECT_EQ(code.vertex_order, (std::vector<uint32_t>{1, 2, 4}));
    expect_rebuilt(m, "unused vertices");
}

TEST(ConnectivityEncoder, GroupsDecodeWithFreshFrontsAndShareVertices) {
    const InputMesh m = crt_test::grid(6, 6);
    // Cut inside the grid so that vertices on the cut belong to both groups.
    expect_rebuilt(m, "three groups", true, {10, 40, m.face_count()});
    const crt::ConnectivityCode code = encode(m, true, {10, 40, m.face_count()});
    EXPECT_EQ(code.face_ends, (std::vector<uint32_t>{10, 40, m.face_count()}));
    // Each group's faces stay inside its range.
    const auto in_range = [&](uint32_t lo, uint32_t hi) {
        std::vector<uint32_t> sub(m.faces.begin() + lo * 3, m.faces.begin() + hi * 3);
        std::vector<uint32_t> got(code.faces.begin() + lo * 3, code.faces.begin() + hi * 3);
        return crt_test::canonical_triangles(got, &code.vertex_order) == crt_test::canonical_triangles(sub);
    };
    EXPECT_TRUE(in_range(0, 10));
    EXPECT_TRUE(in_range(10, 40));
    EXPECT_TRUE(in_range(40, m.face_count()));
    expect_rebuilt(m, "an empty group", true, {0, 20, 20, m.face_count()});
}

TEST(ConnectivityEncoder, RandomlyHoledGridsAndShuffledFacesAreRebuilt) {
    std::mt19937 rng(17);
    for (int trial = 0; trial < 60; ++trial) {
        std::vector<uint8_t> hole(15 * 15);
        for (uint8_t& h : hole) h = rng() % 4 == 0;
        InputMesh m = crt_test::grid(15, 15, [&](int i, int j) { return hole[j * 15 + i] != 0; });
        // Shuffle faces and rotate corners: the traversal must not depend on input order.
        std::vector<uint32_t> order(m.face_count());
        for (uint32_t f = 0; f < order.size(); ++f) order[f] = f;
        std::shuffle(order.begin(), order.end(), rng);
        std::vector<uint32_t> faces;
        for (uint32_t f : order) {
            const int r = int(rng() % 3);
            for (int k = 0; k < 3; ++k) faces.push_back(m.faces[f * 3 + (k + r) % 3]);
        }
        m.faces = faces;
        if (m.faces.empty()) continue;
        expect_rebuilt(m, "trial " + std::to_string(trial), trial % 2 == 0);
    }
}

TEST(ConnectivityEncoder, BadIndicesAndGroupsAreRefused) {
    const uint32_t faces[] = {0, 1, 5};
    EXPECT_EQ(error_of([&] { crt::encode_connectivity(faces, 1, 3, {}); }), crt::kFaceIndexRange);
    const uint32_t good[] = {0, 1, 2, 2, 1, 3};
    EXPECT_EQ(error_of([&] { crt::encode_connectivity(good, 2, 4, {1}); }), crt::kGroupOrder);
    EXPECT_EQ(error_of([&] { crt::encode_connectivity(good, 2, 4, {2, 1}); }), crt::kGroupOrder);
    EXPECT_EQ(error_of([&] { crt::encode_connectivity(good, 2, 4, {3}); }), crt::kGroupOrder);
}
