// Connectivity decoding on hand-made symbol sequences: faces, vertex numbering,
// prediction triples, and the checks that keep damaged connectivity inside its arrays.
#include <gtest/gtest.h>

#include <functional>

#include "crt/connectivity.h"
#include "crt/errors.h"
#include "stream_builder.h"

using crt::VertexTriple;
using crt_test::BitWriter;

namespace {

struct Mesh {
    crt::MeshIndex index;
    std::vector<uint32_t> faces;
    std::vector<uint8_t> word_bytes;
    crt::ConnectivityCursor cursor;
    uint32_t vertex_count;

    Mesh(uint32_t vertices, uint32_t face_count, std::vector<uint8_t> symbols, const BitWriter& bits = {})
        : faces(face_count * 3, 0xDEADBEEF), vertex_count(vertices) {
        index.symbols = std::move(symbols);
        for (uint32_t w : bits.words)
            for (int i = 0; i < 4; ++i) word_bytes.push_back(static_cast<uint8_t>(w >> (8 * i)));
        index.bits.word = word_bytes.data();
        index.bits.words_left = static_cast<uint32_t>(bits.words.size());
        index.predictions.assign(vertices, VertexTriple{0, 0, 0});
        index.faces32 = faces.data();
    }
    void group(uint32_t face_start, uint32_t face_end) {
        crt::decode_group(index, vertex_count, uint64_t(face_start) * 3, uint64_t(face_end) * 3, cursor);
    }
    std::string error_of(uint32_t face_start, uint32_t face_end) {
        try {
            group(face_start, face_end);
        } catch (const char* m) {
            return m;
        }
        return "";
    }
};

constexpr uint32_t kNone = 0xFFFFFFFFu;

}  // namespace

TEST(Connectivity, IndexBitsIsTheBitLengthOfTheVertexCount) {
    EXPECT_EQ(crt::index_bits(0), 1);
    EXPECT_EQ(crt::index_bits(1), 1);
    EXPECT_EQ(crt::index_bits(2), 2);
    EXPECT_EQ(crt::index_bits(3), 2);
    EXPECT_EQ(crt::index_bits(5), 3);
    EXPECT_EQ(crt::index_bits(8), 4);
    EXPECT_EQ(crt::index_bits(0xFFFFFFFFu), 32);
}

TEST(Connectivity, OneTriangleReadsOneSymbolAndNoBits) {
    Mesh m(3, 1, {4, 6});  // any first symbol but 6
    m.group(0, 1);
    EXPECT_EQ(m.faces, (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_EQ(m.cursor.symbol_position, 1u);
    EXPECT_EQ(m.cursor.decoded_vertices, 3u);
    EXPECT_EQ(m.index.predictions[1], (VertexTriple{0, 0, 0}));
    EXPECT_EQ(m.index.predictions[2], (VertexTriple{1, 1, 1}));
    EXPECT_EQ(m.index.predictions[0], (VertexTriple{kNone, kNone, kNone}));
}

TEST(Connectivity, TwoTrianglesShareTheFirstQueuedEdge) {
    Mesh m(4, 2, {0, crt::new_vertex});
    m.group(0, 2);
    EXPECT_EQ(m.faces, (std::vector<uint32_t>{0, 1, 2, 2, 1, 3}));
    EXPECT_EQ(m.index.predictions[3], (VertexTriple{2, 1, 0}));
}

TEST(Connectivity, ClosedTetrahedron) {
    Mesh m(4, 4, {0, crt::new_vertex, crt::join_prev, crt::close});
    m.group(0, 4);
    EXPECT_EQ(m.faces, (std::vector<uint32_t>{0, 1, 2, 2, 1, 3, 3, 1, 0, 3, 0, 2}));
    EXPECT_EQ(m.index.predictions[3], (VertexTriple{2, 1, 0}));
    EXPECT_EQ(m.cursor.symbol_position, 4u);
}

TEST(Connectivity, JoinNextTakesTheEndOfTheNextEdge) {
    // After (0,1,2) and new vertex 3 on edge (1,2), the current edge D = (1,3) with next
    // D+1 = (3,2); join_next on it gives the face (3,1,2)'s mirror (3,1,2)->(b,a,N.b).
    Mesh m(4, 3, {0, crt::new_vertex, crt::join_next});
    m.group(0, 3);
    EXPECT_EQ(std::vector<uint32_t>(m.faces.begin() + 6, m.faces.end()), (std::vector<uint32_t>{3, 1, 2}));
}

TEST(Connectivity, FirstTriangleFlagsReadOldCorners) {
    // Flags 0b010: corner 1 is an index of index_bits(5) = 3 bits; 0 and 2 are new.
    BitWriter bits;
    bits.put(0b010, 3);
    bits.put(4, 3);
    Mesh m(5, 1, {crt::old_vertex}, bits);
    m.cursor.decoded_vertices = 2;  // as after an earlier piece
    m.group(0, 1);
    EXPECT_EQ(m.faces, (std::vector<uint32_t>{2, 4, 3}));
    EXPECT_EQ(m.index.predictions[2], (VertexTriple{1, 1, 1}));
    EXPECT_EQ(m.index.predictions[3], (VertexTriple{2, 2, 2}));  // corner 1 left previous_vertex alone
}

TEST(Connectivity, OldVertexReadsItsIndexFromTheBits) {
    BitWriter bits;
    bits.put(0, 3);  // old_vertex index 0 (index_bits(4) = 3)
    Mesh m(4, 2, {0, crt::old_vertex}, bits);
    m.group(0, 2);
    EXPECT_EQ(m.faces, (std::vector<uint32_t>{0, 1, 2, 2, 1, 0}));
    EXPECT_EQ(m.cursor.decoded_vertices, 3u);
}

TEST(Connectivity, PostponedEdgeReadsAFreshSymbolWhenTakenBack) {
    // Edges 0,1,2 queued. Edge 0 postponed, edges 1 and 2 on the border, then edge 0 comes
    // back from the stack and gets a new vertex.
    Mesh m(4, 2, {0, crt::postpone, crt::border, crt::border, crt::new_vertex});
    m.group(0, 2);
    EXPECT_EQ(m.faces, (std::vector<uint32_t>{0, 1, 2, 2, 1, 3}));
    EXPECT_EQ(m.cursor.symbol_position, 5u);
}

TEST(Connectivity, DeletedEdgeConsumesNoSymbol) {
    // After the closed tetrahedron the queued edges 1, 2 and 4 are all deleted: they are
    // skipped without a symbol, so the next symbol starts a new piece.
    Mesh m(7, 5, {0, crt::new_vertex, crt::join_prev, crt::close, 0});
    m.group(0, 5);
    EXPECT_EQ(m.cursor.symbol_position, 5u);
    EXPECT_EQ(std::vector<uint32_t>(m.faces.begin() + 12, m.faces.end()), (std::vector<uint32_t>{4, 5, 6}));
}

TEST(Connectivity, SecondGroupStartsAFreshFrontButContinuesTheNumbering) {
    Mesh m(6, 2, {0, 0});
    m.group(0, 1);
    m.group(1, 2);
    EXPECT_EQ(m.faces, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(m.index.predictions[3], (VertexTriple{2, 2, 2}));
}

TEST(Connectivity, EmptyRangeDoesNothing) {
    Mesh m(3, 1, {});
    m.group(1, 1);
    m.group(1, 0);
    EXPECT_EQ(m.cursor.symbol_position, 0u);
}

TEST(DamagedConnectivity, SymbolsAbove6AtAnEdgeAreRefused) {
    for (uint8_t symbol : {7, 100, 255}) {
        Mesh m(4, 2, {0, symbol});
        EXPECT_EQ(m.error_of(0, 2), crt::kUnknownSymbol) << int(symbol);
    }
}

TEST(DamagedConnectivity, VertexIndexAtOrBeyondTheVertexCountIsRefused) {
    BitWriter bits;
    bits.put(4, 3);  // index 4 of 4 vertices
    Mesh m(4, 2, {0, crt::old_vertex}, bits);
    EXPECT_EQ(m.error_of(0, 2), crt::kVertexIndex);

    BitWriter flags;
    flags.put(0b001, 3);
    flags.put(7, 3);
    Mesh first(5, 1, {crt::old_vertex}, flags);
    EXPECT_EQ(first.error_of(0, 1), crt::kVertexIndex);
}

TEST(DamagedConnectivity, MoreNewVerticesThanTheVertexCountAreRefused) {
    Mesh m(3, 2, {0, crt::new_vertex});
    EXPECT_EQ(m.error_of(0, 2), crt::kTooManyVertices);
    Mesh pieces(4, 2, {0, crt::border, crt::border, crt::border, 0});
    EXPECT_EQ(pieces.error_of(0, 2), crt::kTooManyVertices);
}

TEST(DamagedConnectivity, RunningOutOfSymbolsOrBitsIsRefused) {
    Mesh m(4, 2, {0});
    EXPECT_EQ(m.error_of(0, 2), crt::kSymbolsEnded);
    Mesh bits(4, 2, {0, crt::old_vertex});
    EXPECT_EQ(bits.error_of(0, 2), crt::kBitsEnded);
}

TEST(DamagedConnectivity, EndlessPostponingEndsWithTheSymbols) {
    Mesh m(3, 2, std::vector<uint8_t>(1000, crt::postpone));
    m.index.symbols[0] = 0;
    EXPECT_EQ(m.error_of(0, 2), crt::kSymbolsEnded);
}

TEST(DamagedConnectivity, DegenerateFrontsStayInsideTheirArrays) {
    // Joins and closes on a front that has already collapsed: whatever they do, every
    // index written stays below the vertex count (ASan watches the arrays).
    const std::vector<std::vector<uint8_t>> sequences = {
        {0, crt::close, crt::close, crt::close, crt::close},
        {0, crt::join_prev, crt::join_prev, crt::join_prev, crt::join_prev},
        {0, crt::join_next, crt::join_next, crt::join_next, crt::join_next},
        {0, crt::close, crt::join_next, crt::join_prev, crt::new_vertex, crt::close},
    };
    for (const auto& symbols : sequences) {
        Mesh m(5, 4, symbols);
        m.error_of(0, 4);
        for (uint32_t v : m.faces) EXPECT_TRUE(v < 5 || v == 0xDEADBEEF);
    }
}
