// The edge-front connectivity encoder. It keeps a copy of the decoder's front (same edge
// records, same numbering, same queue and stack) but on input vertices, and at each edge
// looks up the face across it through a twin table of half-edges; the decoder's choices
// are then forced, and the symbol is whatever makes it build that face.
#include "crt/connectivity_encoder.h"

#include <algorithm>
#include <memory>
#include <tuple>

#include "crt/edge_pairing.h"
#include "crt/errors.h"

namespace crt {

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;

// Half-edge h = 3f + k runs from corner k of face f to corner k + 1.
uint32_t next_in_face(uint32_t h) { return h % 3 == 2 ? h - 2 : h + 1; }

// Bits of the widest component of v's residual under the parallelogram a + b - o.
int parallelogram_width(const PredictionHints& hints, uint32_t v, uint32_t a, uint32_t b, uint32_t o) {
    const int32_t* q = hints.positions;
    const size_t s = hints.stride;
    int width = 0;
    for (size_t j = 0; j < 3; ++j) {
        const int64_t r = int64_t(q[v * s + j]) - (int64_t(q[a * s + j]) + q[b * s + j] - q[o * s + j]);
        uint64_t m = r < 0 ? uint64_t(-r) : uint64_t(r);
        int n = 0;
        for (; m; m >>= 1) ++n;
        width = std::max(width, n);
    }
    return width;
}

struct BucketEntry {
    uint32_t high, group, half_edge;
};

// The twin of each half-edge: the half-edge of the face on the other side, or kNone on a
// border and where no face of opposite direction is left to pair with (within one
// group; faces of different groups never meet on a front). Edges of more than two faces
// are paired into sheets by pair_half_edges. Half-edges are bucketed by their lower
// vertex, so only a vertex's few edges are compared with one another.
std::vector<uint32_t> twin_table(const uint32_t* F, uint32_t face_count, uint32_t vertex_count,
                                 const std::vector<uint32_t>& group_of, const PairingGeometry& geometry) {
    auto degenerate = [&](uint32_t f) {
        const uint32_t* c = F + size_t(f) * 3;
        return c[0] == c[1] || c[1] == c[2] || c[2] == c[0];
    };
    std::vector<uint32_t> start(size_t(vertex_count) + 1, 0);
    for (uint32_t f = 0; f < face_count; ++f) {
        if (degenerate(f)) continue;
        for (uint32_t k = 0; k < 3; ++k) ++start[std::min(F[3 * f + k], F[next_in_face(3 * f + k)]) + 1];
    }
    for (size_t v = 0; v < vertex_count; ++v) start[v + 1] += start[v];
    std::vector<BucketEntry> entries(start[vertex_count]);
    std::vector<uint32_t> fill(start.begin(), start.end() - 1);
    for (uint32_t f = 0; f < face_count; ++f) {
        if (degenerate(f)) continue;
        for (uint32_t h = 3 * f; h < 3 * f + 3; ++h) {
            const uint32_t u = F[h], w = F[next_in_face(h)];
            entries[fill[std::min(u, w)]++] = {std::max(u, w), group_of[f], h};
        }
    }
    std::vector<uint32_t> twin(size_t(face_count) * 3, kNone);
    std::vector<uint32_t> run;
    for (size_t v = 0; v < vertex_count; ++v) {
        const auto first = entries.begin() + start[v], last = entries.begin() + start[v + 1];
        std::sort(first, last, [](const BucketEntry& l, const BucketEntry& r) {
            return l.high != r.high ? l.high < r.high : l.group != r.group ? l.group < r.group : l.half_edge < r.half_edge;
        });
        for (auto i = first; i != last;) {
            auto j = i + 1;
            while (j != last && j->high == i->high && j->group == i->group) ++j;
            if (j - i >= 2) {
                run.clear();
                for (auto k = i; k != j; ++k) run.push_back(k->half_edge);
                pair_half_edges(F, run.data(), run.size(), geometry, twin);
            }
            i = j;
        }
    }
    return twin;
}

// A traversal's view of the position classes: a cursor per position skips the corners
// of faces already sent.
struct PositionCorners {
    const PositionClasses& classes;
    std::vector<uint32_t> cursor;  // position -> first corner whose face may be unsent

    explicit PositionCorners(const PositionClasses& c) : classes(c), cursor(c.start.begin(), c.start.end() - 1) {}
};

struct EncoderEdge {
    uint32_t a, b, opposite;  // input vertices
    uint32_t prev, next;      // edge numbers, as in the decoder's front
    uint32_t half_edge;       // the half-edge a -> b of the edge's own face
    bool deleted;
    bool on_front;            // still linked into the front (not yet passed by a face)
    bool postponed;           // already put off once
    uint32_t postpone_symbol; // where its postpone symbol is
};

class GroupEncoder {
public:
    GroupEncoder(const uint32_t* F, const std::vector<uint32_t>& twin, std::vector<uint32_t>& new_number,
                 std::vector<uint8_t>& face_done, std::vector<uint32_t>& on_front, int index_bits,
                 const ConnectivityOptions& options, PositionCorners* chain, ConnectivityCode& out)
        : F_(F), twin_(twin), new_number_(new_number), face_done_(face_done), on_front_(on_front),
          index_bits_(index_bits), options_(options), chain_(chain), out_(out) {}

    void run(uint32_t face_start, uint32_t face_end) {
        next_seed_ = face_start;
        group_start_ = face_start;
        group_end_ = face_end;
        if (options_.start_face >= face_start && options_.start_face < face_end) start_face_ = options_.start_face;
        uint32_t remaining = face_end - face_start;
        while (remaining) {
            if (step(remaining == 1)) --remaining;
        }
        // The group ends with all its faces sent, so edges still put off are never taken
        // back and their faces came from elsewhere: their postpones could be borders too.
        for (uint32_t e : postponed_) out_.unneeded_postpones.push_back(front_[e].postpone_symbol);
        out_.front_capacity = std::max<uint32_t>(out_.front_capacity, uint32_t(front_.size()));
        // The next group starts with an empty front.
        for (uint32_t e = 0; e < front_.size(); ++e) leave_front(e);
    }

private:
    uint32_t corner(uint32_t h) const { return F_[h]; }

    uint32_t assign_number(uint32_t v, const VertexTriple& prediction) {
        new_number_[v] = uint32_t(out_.vertex_order.size());
        out_.vertex_order.push_back(v);
        out_.predictions.push_back(prediction);
        return new_number_[v];
    }

    uint32_t add_edge(uint32_t a, uint32_t b, uint32_t opposite, uint32_t prev, uint32_t next, uint32_t half_edge) {
        front_.push_back({a, b, opposite, prev, next, half_edge, false, true, false, 0});
        ++on_front_[a];
        ++on_front_[b];
        return uint32_t(front_.size() - 1);
    }

    // The edge leaves the front: a face was built on it, or a join or close removed it.
    void leave_front(uint32_t number) {
        EncoderEdge& e = front_[number];
        if (!e.on_front) return;
        e.on_front = false;
        --on_front_[e.a];
        --on_front_[e.b];
    }

    void write_face(uint32_t face, uint32_t c0, uint32_t c1, uint32_t c2) {
        out_.faces.push_back(new_number_[c0]);
        out_.faces.push_back(new_number_[c1]);
        out_.faces.push_back(new_number_[c2]);
        out_.face_order.push_back(face);
        face_done_[face] = 1;
    }

    // One step of the decoder's loop; returns whether it wrote a face.
    bool step(bool last_face) {
        uint32_t e;
        if (current_ != kNone) {
            e = current_;
            current_ = kNone;
        } else if (order_read_ < order_.size()) {
            e = order_[order_read_++];
        } else if (!postponed_.empty()) {
            e = postponed_.back();
            postponed_.pop_back();
            return work_on_postponed(e, last_face);
        } else {
            start_piece();
            return true;
        }
        return work_on(e, last_face);
    }

    void put_off(uint32_t number) {
        out_.symbols.push_back(postpone);
        front_[number].postponed = true;
        front_[number].postpone_symbol = uint32_t(out_.symbols.size() - 1);
        postponed_.push_back(number);
    }

    // Whether new vertex v is better left for another triangle than the one behind e.
    bool steer_away(const EncoderEdge& e, uint32_t v) const {
        if (!options_.hints || options_.steer_width <= 0 || !options_.postpone || e.postponed) return false;
        const int here = parallelogram_width(*options_.hints, v, e.a, e.b, e.opposite);
        return here >= options_.steer_width && here >= options_.hints->best_width[v] + options_.steer_margin;
    }

    // An edge taken back from the stack. When its face has been sent by then, its
    // postpone could have been a border (see send_unneeded_postpones_as_borders).
    bool work_on_postponed(uint32_t number, bool last_face) {
        const EncoderEdge& e = front_[number];
        const uint32_t t = twin_[e.half_edge];
        if (e.deleted || t == kNone || face_done_[t / 3]) {
            out_.unneeded_postpones.push_back(e.postpone_symbol);
            if (!e.deleted) out_.taken_back_borders.push_back(uint32_t(out_.symbols.size()));
        }
        return work_on(number, last_face);
    }

    bool work_on(uint32_t number, bool last_face) {
        const EncoderEdge e = front_[number];
        if (e.deleted) return false;  // the decoder reads no symbol for it either
        const uint32_t t = twin_[e.half_edge];
        if (t == kNone || face_done_[t / 3]) {
            out_.symbols.push_back(border);
            return false;
        }
        // t runs b -> a in the face g across the edge; its third corner is v.
        const uint32_t g = t / 3;
        const uint32_t h_av = next_in_face(t), h_vb = next_in_face(h_av);
        const uint32_t v = corner(h_vb);
        const EncoderEdge P = front_[e.prev], N = front_[e.next];
        const uint32_t D = uint32_t(front_.size());

        if (new_number_[v] == kNone || (v != P.a && v != N.b)) {
            if (new_number_[v] == kNone && steer_away(e, v)) {
                put_off(number);
                return false;
            }
            if (new_number_[v] == kNone) {
                out_.symbols.push_back(new_vertex);
                assign_number(v, {new_number_[e.b], new_number_[e.a], new_number_[e.opposite]});
            } else if (options_.postpone && !e.postponed && on_front_[v] > 0 &&
                       !std::binary_search(options_.old_at_once.begin(), options_.old_at_once.end(), e.half_edge)) {
                // Only a vertex on the front can be closed up to; one inside the part
                // already built, or met first on another sheet, goes by index at once.
                put_off(number);
                return false;
            } else {
                if (e.postponed) out_.postponed_in_vain.push_back(e.half_edge);
                out_.symbols.push_back(old_vertex);
                out_.bits.write(new_number_[v], index_bits_);
            }
            leave_front(number);
            front_[e.prev].next = D;
            front_[e.next].prev = D + 1;
            add_edge(e.a, v, e.b, e.prev, D + 1, h_av);
            order_.push_back(D + 1);
            add_edge(v, e.b, e.a, D, e.next, h_vb);
            current_ = D;
        } else if (v == P.a && v == N.b && !last_face && !options_.close_as_join) {
            out_.symbols.push_back(close);
            for (uint32_t gone : {number, e.prev, e.next}) leave_front(gone);
            front_[e.prev].deleted = true;
            front_[e.next].deleted = true;
            front_[P.prev].next = N.next;
            front_[N.next].prev = P.prev;
        } else if (v == P.a) {
            // Also the group's last face when it closes a gap: the decoder ends the group
            // right after it, so the join's new edge is never read, and a closed surface
            // needs no close symbol at all.
            out_.symbols.push_back(join_prev);
            leave_front(number);
            leave_front(e.prev);
            front_[e.prev].deleted = true;
            front_[P.prev].next = D;
            front_[e.next].prev = D;
            add_edge(P.a, e.b, e.a, P.prev, e.next, h_vb);
            current_ = D;
        } else {
            out_.symbols.push_back(join_next);
            leave_front(number);
            leave_front(e.next);
            front_[e.next].deleted = true;
            front_[N.next].prev = D;
            front_[e.prev].next = D;
            add_edge(e.a, N.b, e.b, e.prev, N.next, h_av);
            current_ = D;
        }
        write_face(g, e.b, e.a, v);
        return true;
    }

    // A new piece from the next face not yet sent; its corners already numbered go by
    // index, behind the flag symbol.
    void start_piece() {
        uint32_t f = kNone, r = 0;
        if (start_face_ != kNone && !face_done_[start_face_]) {
            f = start_face_;
            r = options_.start_corner % 3;
        } else if (chain_ && !out_.vertex_order.empty()) {
            chained_face(out_.vertex_order.back(), f, r);
        }
        start_face_ = kNone;
        if (f == kNone) {
            while (face_done_[next_seed_]) ++next_seed_;  // some face is left: run() counts them
            f = next_seed_;
        }
        // Corner k of the first triangle is corner (k + r) of the face; half-edge 3f + i
        // runs from corner i to corner i + 1.
        const uint32_t c[3] = {F_[3 * f + r], F_[3 * f + (r + 1) % 3], F_[3 * f + (r + 2) % 3]};
        uint32_t previous = uint32_t(out_.vertex_order.size()) - 1;  // all bits set when none yet
        uint32_t flags = 0;
        uint32_t old_index[3] = {0, 0, 0};
        for (uint32_t k = 0; k < 3; ++k) {
            if (new_number_[c[k]] != kNone) {
                flags |= 1u << k;
                old_index[k] = new_number_[c[k]];
            } else {
                previous = assign_number(c[k], {previous, previous, previous});
            }
        }
        out_.symbols.push_back(flags ? old_vertex : new_vertex);
        ++out_.pieces;
        if (flags) {
            out_.bits.write(flags, 3);
            for (uint32_t k = 0; k < 3; ++k)
                if (flags & (1u << k)) out_.bits.write(old_index[k], index_bits_);
        }
        const uint32_t D = uint32_t(front_.size());
        order_.push_back(D);
        add_edge(c[1], c[2], c[0], D + 2, D + 1, 3 * f + (r + 1) % 3);
        order_.push_back(D + 1);
        add_edge(c[2], c[0], c[1], D, D + 2, 3 * f + (r + 2) % 3);
        order_.push_back(D + 2);
        add_edge(c[0], c[1], c[2], D + 1, D, 3 * f + r);
        write_face(f, c[0], c[1], c[2]);
    }

    // The first corner at position c, from `from` on, of a face of this group not yet
    // sent (and not `except`); kNone when there is none. Corners of sent faces at the
    // front of the list are dropped for good.
    uint32_t unsent_corner(uint32_t c, uint32_t except) {
        uint32_t& cursor = chain_->cursor[c];
        for (uint32_t i = cursor; i < chain_->classes.start[c + 1]; ++i) {
            const uint32_t h = chain_->classes.corners[i];
            if (face_done_[h / 3]) {
                if (i == cursor) ++cursor;
                continue;
            }
            if (h / 3 < group_start_ || h / 3 >= group_end_ || h / 3 == except) continue;
            return h;
        }
        return kNone;
    }

    // A face of this group not yet sent with a corner (r) where vertex `last` lies;
    // rather one whose last corner, the next piece's start, has an unsent face too.
    void chained_face(uint32_t last, uint32_t& f, uint32_t& r) {
        const uint32_t c = chain_->classes.class_of[last];
        const uint32_t first = unsent_corner(c, kNone);
        if (first == kNone) return;
        f = first / 3;
        r = first % 3;
        // A few candidates are enough, and keep a position shared by thousands of faces
        // from costing time squared.
        int looked = 0;
        for (uint32_t i = chain_->cursor[c]; i < chain_->classes.start[c + 1] && looked < 8; ++i) {
            const uint32_t h = chain_->classes.corners[i];
            if (face_done_[h / 3] || h / 3 < group_start_ || h / 3 >= group_end_) continue;
            ++looked;
            const uint32_t end = F_[3 * (h / 3) + (h % 3 + 2) % 3];
            if (unsent_corner(chain_->classes.class_of[end], h / 3) != kNone) {
                f = h / 3;
                r = h % 3;
                return;
            }
        }
    }

    const uint32_t* F_;
    const std::vector<uint32_t>& twin_;
    std::vector<uint32_t>& new_number_;
    std::vector<uint8_t>& face_done_;
    std::vector<uint32_t>& on_front_;  // per input vertex: live front edges ending at it
    const int index_bits_;
    const ConnectivityOptions& options_;
    PositionCorners* chain_;  // null: pieces start in face order
    ConnectivityCode& out_;
    uint32_t group_start_ = 0, group_end_ = 0;

    std::vector<EncoderEdge> front_;
    std::vector<uint32_t> order_;
    size_t order_read_ = 0;
    std::vector<uint32_t> postponed_;
    uint32_t current_ = kNone;
    uint32_t next_seed_ = 0;
    uint32_t start_face_ = kNone;  // options_.start_face, when it lies in this group
};

}  // namespace

PredictionHints prediction_hints(const MeshAdjacency& mesh, const int32_t* positions, size_t stride) {
    PredictionHints hints;
    hints.positions = positions;
    hints.stride = stride;
    hints.best_width.assign(mesh.vertex_count, 0xFF);
    const uint32_t* F = mesh.faces;
    // Half-edge h runs a -> b in its face, whose third corner v the face across (b -> a,
    // third corner o) would predict as a + b - o.
    for (uint32_t h = 0; h < mesh.twin.size(); ++h) {
        const uint32_t t = mesh.twin[h];
        if (t == kNone) continue;
        const uint32_t a = F[h], b = F[next_in_face(h)], v = F[next_in_face(next_in_face(h))];
        const uint32_t o = F[next_in_face(next_in_face(t))];
        const int width = parallelogram_width(hints, v, a, b, o);
        hints.best_width[v] = uint8_t(std::min<int>(hints.best_width[v], width));
    }
    return hints;
}

MeshAdjacency build_adjacency(const uint32_t* faces, uint32_t face_count, uint32_t vertex_count,
                              const std::vector<uint32_t>& face_ends, const PairingGeometry& geometry) {
    // Half-edges are numbered 3f + k in 32 bits.
    if (face_count > 0xFFFFFFFFu / 3 - 1) throw kTooManyFaces;
    MeshAdjacency m;
    m.faces = faces;
    m.face_count = face_count;
    m.vertex_count = vertex_count;
    m.face_ends = face_ends.empty() ? std::vector<uint32_t>{face_count} : face_ends;
    const std::vector<uint32_t>& ends = m.face_ends;
    for (size_t g = 0; g < ends.size(); ++g)
        if ((g > 0 && ends[g] < ends[g - 1]) || ends[g] > face_count) throw kGroupOrder;
    if (ends.back() != face_count) throw kGroupOrder;

    std::vector<uint8_t> used(vertex_count, 0);
    for (size_t i = 0; i < size_t(face_count) * 3; ++i) {
        if (faces[i] >= vertex_count) throw kFaceIndexRange;
        used[faces[i]] = 1;
    }
    for (uint8_t u : used) m.used_vertices += u;

    std::vector<uint32_t> group_of(face_count);
    for (uint32_t g = 0, start = 0; g < ends.size(); start = ends[g++])
        std::fill(group_of.begin() + start, group_of.begin() + ends[g], g);
    m.twin = twin_table(faces, face_count, vertex_count, group_of, geometry);
    return m;
}

PositionClasses position_classes(const uint32_t* F, uint32_t face_count, uint32_t vertex_count, const int32_t* p,
                                 size_t stride) {
    PositionClasses out;
    std::vector<uint32_t> order(vertex_count);
    for (uint32_t v = 0; v < vertex_count; ++v) order[v] = v;
    const auto at = [&](uint32_t v) { return std::tie(p[v * stride], p[v * stride + 1], p[v * stride + 2]); };
    std::sort(order.begin(), order.end(), [&](uint32_t l, uint32_t r) { return at(l) < at(r); });
    out.class_of.assign(vertex_count, 0);
    uint32_t classes = 0;
    for (uint32_t i = 0; i < vertex_count; ++i) {
        if (i > 0 && at(order[i]) != at(order[i - 1])) ++classes;
        out.class_of[order[i]] = classes;
    }
    ++classes;
    out.start.assign(size_t(classes) + 1, 0);
    for (size_t h = 0; h < size_t(face_count) * 3; ++h) ++out.start[out.class_of[F[h]] + 1];
    for (uint32_t c = 0; c < classes; ++c) out.start[c + 1] += out.start[c];
    out.corners.resize(out.start[classes]);
    std::vector<uint32_t> fill(out.start.begin(), out.start.end() - 1);
    for (uint32_t h = 0; h < face_count * 3; ++h) out.corners[fill[out.class_of[F[h]]]++] = h;
    return out;
}

ConnectivityCode encode_connectivity(const MeshAdjacency& mesh, const ConnectivityOptions& options) {
    const uint32_t face_count = mesh.face_count;
    ConnectivityCode out;
    out.face_ends = mesh.face_ends;
    out.vertex_order.reserve(mesh.used_vertices);
    out.predictions.reserve(mesh.used_vertices);
    out.faces.reserve(size_t(face_count) * 3);
    out.face_order.reserve(face_count);
    out.symbols.reserve(face_count + face_count / 4 + 16);
    std::vector<uint32_t> new_number(mesh.vertex_count, kNone);
    std::vector<uint8_t> face_done(face_count, 0);
    std::vector<uint32_t> on_front(mesh.vertex_count, 0);
    std::unique_ptr<PositionCorners> chain;
    if (options.chain) chain = std::make_unique<PositionCorners>(*options.chain);
    // Old vertex indices are as wide as the count the stream will carry: the used vertices.
    const int bits = index_bits(mesh.used_vertices);
    const std::vector<uint32_t>& ends = mesh.face_ends;
    for (uint32_t g = 0, start = 0; g < ends.size(); start = ends[g++]) {
        GroupEncoder(mesh.faces, mesh.twin, new_number, face_done, on_front, bits, options, chain.get(), out)
            .run(start, ends[g]);
    }
    if (options.border_when_sent_elsewhere) send_unneeded_postpones_as_borders(out);
    return out;
}

void send_unneeded_postpones_as_borders(ConnectivityCode& code) {
    std::vector<uint8_t>& symbols = code.symbols;
    for (uint32_t i : code.unneeded_postpones) symbols[i] = border;
    std::vector<uint32_t>& drop = code.taken_back_borders;
    std::sort(drop.begin(), drop.end());
    size_t write = drop.empty() ? symbols.size() : drop.front(), d = 0;
    for (size_t read = write; read < symbols.size(); ++read) {
        if (d < drop.size() && drop[d] == read) {
            ++d;
            continue;
        }
        symbols[write++] = symbols[read];
    }
    symbols.resize(write);
    code.unneeded_postpones.clear();
    drop.clear();
}

ConnectivityCode encode_connectivity(const uint32_t* faces, uint32_t face_count, uint32_t vertex_count,
                                     const std::vector<uint32_t>& face_ends, const ConnectivityOptions& options) {
    return encode_connectivity(build_adjacency(faces, face_count, vertex_count, face_ends), options);
}

}  // namespace crt
