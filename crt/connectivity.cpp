// The edge-front connectivity decoder. The front is one growing vector of edge records
// linked by number; edges leave it by a flag and by relinking, never by erasing, so edge
// numbers stay valid while the vector grows.
#include "crt/connectivity.h"

#include <algorithm>

#include "crt/errors.h"

namespace crt {

int index_bits(uint32_t vertex_count) {
    int bits = 1;
    while (vertex_count >>= 1) ++bits;
    return bits;
}

namespace {

constexpr uint32_t kNoEdge = 0xFFFFFFFFu;

class GroupDecoder {
public:
    GroupDecoder(MeshIndex& index, uint32_t vertex_count, ConnectivityCursor& cursor)
        : index_(index), vertex_count_(vertex_count), index_bits_(crt::index_bits(vertex_count)),
          cursor_(cursor) {}

    void run(uint64_t first, uint64_t last) {
        const uint64_t range = last - first;
        // Each face adds at most three edges, so the stream's hint never needs to exceed that.
        if (index_.front_capacity) front_.reserve(static_cast<size_t>(std::min<uint64_t>(index_.front_capacity, range)));
        order_.reserve(static_cast<size_t>(range / 2));
        uint64_t f = first;
        while (f < last) step(f);
    }

private:
    FrontEdge& edge(uint32_t number) {
        if (number >= front_.size()) throw kEdgeOutsideFront;
        return front_[number];
    }

    uint8_t next_symbol() {
        if (cursor_.symbol_position >= index_.symbols.size()) throw kSymbolsEnded;
        return index_.symbols[cursor_.symbol_position++];
    }

    uint32_t read_vertex_index() {
        const uint32_t v = index_.bits.read(index_bits_);
        if (v >= vertex_count_) throw kVertexIndex;
        return v;
    }

    uint32_t number_new_vertex(const VertexTriple& prediction) {
        const uint32_t v = cursor_.decoded_vertices;
        if (v >= vertex_count_) throw kTooManyVertices;
        index_.predictions[v] = prediction;
        ++cursor_.decoded_vertices;
        return v;
    }

    uint32_t add_edge(uint32_t a, uint32_t b, uint32_t opposite, uint32_t prev, uint32_t next) {
        front_.push_back({a, b, opposite, prev, next, 0});
        return static_cast<uint32_t>(front_.size() - 1);
    }

    void write_face(uint64_t& f, uint32_t c0, uint32_t c1, uint32_t c2) {
        index_.faces32[f] = c0;
        index_.faces32[f + 1] = c1;
        index_.faces32[f + 2] = c2;
        f += 3;
    }

    void step(uint64_t& f) {
        uint32_t number;
        if (current_ != kNoEdge) {
            number = current_;
            current_ = kNoEdge;
        } else if (order_read_ < order_.size()) {
            number = order_[order_read_++];
        } else if (!postponed_.empty()) {
            number = take_postponed();
        } else {
            start_piece(f);
            return;
        }
        work_on(number, f);
    }

    uint32_t take_postponed() {
        if (postponed_.empty()) throw kTopologyFailed;
        const uint32_t number = postponed_.back();
        postponed_.pop_back();
        return number;
    }

    void work_on(uint32_t number, uint64_t& f) {
        // A copy: the links below may change e's own record, and the front may grow.
        const FrontEdge e = edge(number);
        if (e.deleted) return;
        const uint8_t symbol = next_symbol();
        if (symbol == border) return;
        if (symbol > old_vertex) throw kUnknownSymbol;
        if (symbol == postpone) {
            postponed_.push_back(number);
            return;
        }
        const uint32_t D = static_cast<uint32_t>(front_.size());
        uint32_t v = 0;
        switch (symbol) {
        case new_vertex:
        case old_vertex: {
            v = symbol == new_vertex ? number_new_vertex({e.b, e.a, e.opposite}) : read_vertex_index();
            edge(e.prev).next = D;
            edge(e.next).prev = D + 1;
            add_edge(e.a, v, e.b, e.prev, D + 1);
            order_.push_back(D + 1);
            add_edge(v, e.b, e.a, D, e.next);
            current_ = D;
            break;
        }
        case join_prev: {
            const FrontEdge P = edge(e.prev);
            v = P.a;
            edge(e.prev).deleted = 1;
            edge(P.prev).next = D;
            edge(e.next).prev = D;
            add_edge(P.a, e.b, e.a, P.prev, e.next);
            current_ = D;
            break;
        }
        case join_next: {
            const FrontEdge N = edge(e.next);
            v = N.b;
            edge(e.next).deleted = 1;
            edge(N.next).prev = D;
            edge(e.prev).next = D;
            add_edge(e.a, N.b, e.b, e.prev, N.next);
            current_ = D;
            break;
        }
        case close: {
            const FrontEdge P = edge(e.prev);
            const FrontEdge N = edge(e.next);
            v = P.a;
            edge(e.prev).deleted = 1;
            edge(e.next).deleted = 1;
            edge(P.prev).next = N.next;
            edge(N.next).prev = P.prev;
            break;
        }
        }
        write_face(f, e.b, e.a, v);
    }

    // The first triangle of a connected piece.
    void start_piece(uint64_t& f) {
        uint32_t previous_vertex = cursor_.decoded_vertices - 1;  // all bits set when none yet
        const uint8_t symbol = next_symbol();
        const uint32_t flags = symbol == old_vertex ? index_.bits.read(3) : 0;
        uint32_t c[3];
        for (int k = 0; k < 3; ++k) {
            if (flags & (1u << k)) {
                c[k] = read_vertex_index();
            } else {
                c[k] = number_new_vertex({previous_vertex, previous_vertex, previous_vertex});
                previous_vertex = c[k];
            }
        }
        const uint32_t D = static_cast<uint32_t>(front_.size());
        order_.push_back(D);
        add_edge(c[1], c[2], c[0], D + 2, D + 1);
        order_.push_back(D + 1);
        add_edge(c[2], c[0], c[1], D, D + 2);
        order_.push_back(D + 2);
        add_edge(c[0], c[1], c[2], D + 1, D);
        write_face(f, c[0], c[1], c[2]);
    }

    MeshIndex& index_;
    const uint32_t vertex_count_;
    const int index_bits_;
    ConnectivityCursor& cursor_;
    std::vector<FrontEdge> front_;
    std::vector<uint32_t> order_;
    size_t order_read_ = 0;
    std::vector<uint32_t> postponed_;
    uint32_t current_ = kNoEdge;
};

}  // namespace

void decode_group(MeshIndex& index, uint32_t vertex_count, uint64_t first, uint64_t last,
                  ConnectivityCursor& cursor) {
    if (first >= last) return;
    GroupDecoder(index, vertex_count, cursor).run(first, last);
}

}  // namespace crt
