// The edge-front connectivity decoder. The front is one array of edge records linked by
// number; edges leave it by a flag and by relinking, never by erasing, so edge numbers
// stay valid.
//
// Every edge number in the front, the queue and the stack was made by this decoder and
// lies below the number of records made, so edges are looked up unchecked; only what
// comes from the stream (symbols, vertex indices, the count of new vertices) is checked.
// The queue holds each edge once and the stack each edge at most once at a time, so
// neither outgrows the front.
#include "crt/connectivity.h"

#include <algorithm>

#include "crt/errors.h"

namespace crt {

int index_bits(uint32_t vertex_count) {
    int bits = 1;
    while (vertex_count >>= 1) ++bits;
    return bits;
}

void EdgeArrays::reserve(size_t records) {
    if (capacity >= records) return;
    front.reset(new FrontEdge[records]);
    order.reset(new uint32_t[records]);
    postponed.reset(new uint32_t[records]);
    capacity = records;
}

namespace {

constexpr uint32_t kNoEdge = 0xFFFFFFFFu;

[[noreturn]] void fail(const char* message) { throw message; }

}  // namespace

void decode_group(MeshIndex& index, uint32_t vertex_count, uint64_t first, uint64_t last,
                  ConnectivityCursor& cursor) {
    if (first >= last) return;
    EdgeArrays& arrays = cursor.edges;
    arrays.reserve(static_cast<size_t>(last - first));
    FrontEdge* const front = arrays.front.get();
    uint32_t* const order = arrays.order.get();
    uint32_t* const postponed = arrays.postponed.get();
    uint32_t edges = 0, order_size = 0, order_read = 0, postponed_size = 0;
    uint32_t current = kNoEdge;

    const uint8_t* const symbols_begin = index.symbols.data();
    const uint8_t* symbol = symbols_begin + cursor.symbol_position;
    const uint8_t* const symbols_end = symbols_begin + index.symbols.size();
    VertexTriple* const predictions = index.predictions.data();
    const uint32_t vertex_limit = static_cast<uint32_t>(std::min<size_t>(vertex_count, index.predictions.size()));
    uint32_t decoded = cursor.decoded_vertices;
    const int vertex_bits = index_bits(vertex_count);
    BitReader bits = index.bits;
    uint32_t* const faces = index.faces32;

    auto next_symbol = [&]() -> uint8_t {
        if (symbol == symbols_end) fail(kSymbolsEnded);
        return *symbol++;
    };
    auto new_vertex_number = [&](const VertexTriple& prediction) -> uint32_t {
        if (decoded >= vertex_limit) fail(kTooManyVertices);
        predictions[decoded] = prediction;
        return decoded++;
    };
    auto vertex_index = [&]() -> uint32_t {
        const uint32_t v = bits.read(vertex_bits);
        if (v >= vertex_count) fail(kVertexIndex);
        return v;
    };

    for (uint64_t f = first; f < last;) {
        uint32_t number;
        if (current != kNoEdge) {
            number = current;
            current = kNoEdge;
        } else if (order_read < order_size) {
            number = order[order_read++];
        } else if (postponed_size) {
            number = postponed[--postponed_size];
        } else {
            // The first triangle of a connected piece.
            uint32_t previous_vertex = decoded - 1;  // all bits set when none yet
            const uint32_t flags = next_symbol() == old_vertex ? bits.read(3) : 0;
            uint32_t c[3];
            for (int k = 0; k < 3; ++k) {
                if (flags & (1u << k)) {
                    c[k] = vertex_index();
                } else {
                    c[k] = new_vertex_number({previous_vertex, previous_vertex, previous_vertex});
                    previous_vertex = c[k];
                }
            }
            const uint32_t D = edges;
            front[D] = {c[1], c[2], c[0], D + 2, D + 1, 0};
            front[D + 1] = {c[2], c[0], c[1], D, D + 2, 0};
            front[D + 2] = {c[0], c[1], c[2], D + 1, D, 0};
            order[order_size++] = D;
            order[order_size++] = D + 1;
            order[order_size++] = D + 2;
            edges += 3;
            faces[f] = c[0];
            faces[f + 1] = c[1];
            faces[f + 2] = c[2];
            f += 3;
            continue;
        }

        // A copy: the links below may change e's own record.
        const FrontEdge e = front[number];
        if (e.deleted) continue;
        const uint32_t D = edges;
        const uint8_t s = next_symbol();
        uint32_t v;
        switch (s) {
        case new_vertex:
        case old_vertex: {
            v = s == new_vertex ? new_vertex_number({e.b, e.a, e.opposite}) : vertex_index();
            front[e.prev].next = D;
            front[e.next].prev = D + 1;
            front[D] = {e.a, v, e.b, e.prev, D + 1, 0};
            front[D + 1] = {v, e.b, e.a, D, e.next, 0};
            order[order_size++] = D + 1;
            edges += 2;
            current = D;
            break;
        }
        case join_prev: {
            const uint32_t p = e.prev, pp = front[p].prev;
            v = front[p].a;
            front[p].deleted = 1;
            front[pp].next = D;
            front[e.next].prev = D;
            front[D] = {v, e.b, e.a, pp, e.next, 0};
            edges += 1;
            current = D;
            break;
        }
        case join_next: {
            const uint32_t n = e.next, nn = front[n].next;
            v = front[n].b;
            front[n].deleted = 1;
            front[nn].prev = D;
            front[e.prev].next = D;
            front[D] = {e.a, v, e.b, e.prev, nn, 0};
            edges += 1;
            current = D;
            break;
        }
        case close: {
            const uint32_t p = e.prev, n = e.next;
            const uint32_t pp = front[p].prev, nn = front[n].next;
            v = front[p].a;
            front[p].deleted = 1;
            front[n].deleted = 1;
            front[pp].next = nn;
            front[nn].prev = pp;
            break;
        }
        case border:
            continue;
        case postpone:
            postponed[postponed_size++] = number;
            continue;
        default:
            fail(kUnknownSymbol);
        }
        faces[f] = e.b;
        faces[f + 1] = e.a;
        faces[f + 2] = v;
        f += 3;
    }

    cursor.symbol_position = static_cast<size_t>(symbol - symbols_begin);
    cursor.decoded_vertices = decoded;
    index.bits = bits;
}

}  // namespace crt
