// The crt encoder's stream layout and order of work: connectivity first (it fixes the
// vertex numbering and the prediction triples), then every attribute reordered, predicted
// and written in attribute-name order, the order the decoder reads them in.
#include "crt/encoder.h"

#include <algorithm>
#include <cstdint>
#include <cmath>

#include "crt/decoder.h"
#include "crt/entropy_writer.h"
#include "crt/errors.h"
#include "crt/stream_writer.h"

namespace crt {

Encoder::Encoder(uint32_t vertex_count, const uint32_t* faces, uint32_t face_count)
    : vertex_count_(vertex_count), faces_(faces, faces + size_t(face_count) * 3) {}

VertexAttribute& Encoder::add_attribute(const std::string& name, std::unique_ptr<VertexAttribute> attribute,
                                        const void* values, int32_t input_format) {
    if (!values && vertex_count_ > 0) throw kAttributeSize;
    attribute->quantize_from(vertex_count_, values, input_format);
    std::unique_ptr<VertexAttribute>& slot = attributes_[name];
    slot = std::move(attribute);
    return *slot;
}

GenericAttr<int>& Encoder::add_positions(const float* values, int components, float step, int32_t strategy) {
    auto a = std::make_unique<GenericAttr<int>>();
    a->components = components;
    a->step = step;
    a->strategy = strategy;
    return static_cast<GenericAttr<int>&>(add_attribute("position", std::move(a), values, format_float));
}

GenericAttr<int>& Encoder::add_uvs(const float* values, int components, float step, int32_t strategy) {
    auto a = std::make_unique<GenericAttr<int>>();
    a->components = components;
    a->step = step;
    a->strategy = strategy;
    return static_cast<GenericAttr<int>&>(add_attribute("uv", std::move(a), values, format_float));
}

NormalAttr& Encoder::add_normals(const float* values, int unit, NormalAttr::Mode mode) {
    auto a = std::make_unique<NormalAttr>();
    a->step = static_cast<float>(unit);
    a->mode = mode;
    a->strategy = kCorrelated;  // normals are always read correlated
    return static_cast<NormalAttr&>(add_attribute("normal", std::move(a), values, format_float));
}

ColorAttr& Encoder::add_colors(const void* values, int components, int32_t input_format,
                               const std::array<int32_t, 4>& steps, int32_t strategy) {
    auto a = std::make_unique<ColorAttr>();
    a->components = components;
    a->channel_steps = steps;
    a->strategy = strategy & kParallelogram;  // colours are always read per component
    a->step = 1.0f;
    return static_cast<ColorAttr&>(add_attribute("color", std::move(a), values, input_format));
}

namespace {

template <typename T>
void reorder(std::vector<T>& values, size_t width, const std::vector<uint32_t>& order) {
    std::vector<T> out(order.size() * width);
    for (size_t i = 0; i < order.size(); ++i)
        std::copy_n(values.begin() + size_t(order[i]) * width, width, out.begin() + i * width);
    values.swap(out);
}

// The quantised values in decode order: new vertex i takes input vertex order[i].
void reorder_attribute(VertexAttribute& attribute, const std::vector<uint32_t>& order) {
    if (auto* a = dynamic_cast<GenericAttr<int>*>(&attribute)) return reorder(a->quantized, a->components, order);
    if (auto* a = dynamic_cast<GenericAttr<unsigned char>*>(&attribute))
        return reorder(a->quantized, a->components, order);
    if (auto* a = dynamic_cast<NormalAttr*>(&attribute)) {
        reorder(a->encode_directions, 3, order);
        return reorder(a->encode_normals, 2, order);
    }
    throw kInternal;
}

// Bytes the symbol block and the connectivity words take in the stream.
size_t connectivity_size(const ConnectivityCode& code, int32_t entropy) {
    return entropy_block_size(code.symbols, entropy) + code.bits.words().size() * 4;
}

// Leaves the attribute set up with whichever candidate gives it the smallest section
// written with `coder`; `apply` sets a candidate up (and computes its residuals).
template <typename Candidate, typename Apply>
void keep_smallest(VertexAttribute& attribute, const std::vector<Candidate>& candidates, Apply apply, int32_t coder) {
    Candidate best = candidates.front();
    size_t best_size = SIZE_MAX;
    std::vector<uint8_t> scratch;
    for (const Candidate& c : candidates) {
        apply(c);
        scratch.clear();
        attribute.write_residuals(scratch, coder);
        if (scratch.size() < best_size) {
            best_size = scratch.size();
            best = c;
        }
    }
    apply(best);
}

void write_properties(std::vector<uint8_t>& out, const std::map<std::string, std::string>& properties) {
    for (const auto& p : properties) {
        write_string(out, p.first);
        write_string(out, p.second);
    }
}

}  // namespace

std::vector<uint8_t> Encoder::encode() {
    // The quantised values are put in decode order in place: a second run would reorder
    // them again.
    if (encoded_) throw kAlreadyEncoded;
    encoded_ = true;
    if (entropy != 0 && entropy != 1 && entropy != kEntropySmaller) throw kUnknownEntropy;
    const uint32_t face_count = static_cast<uint32_t>(faces_.size() / 3);
    if (face_count == 0) throw kNoFaces;  // the decoder returns -1 without reading anything
    if (face_count > uint32_t(INT32_MAX)) throw kFaceCountTooLarge;
    std::vector<uint32_t> face_ends;
    for (const FaceGroup& g : groups) {
        if (g.properties.size() > 255) throw kGroupOrder;
        face_ends.push_back(g.face_end);
    }
    // Attributes bound by name must fill exactly the arrays the decoder's callers size.
    for (const auto& entry : attributes_) {
        const int32_t width = array_width(entry.first, *entry.second);
        if (width && width != output_width(*entry.second)) throw kArrayMismatch;
    }

    // The positions guide how faces on edges shared by more than two are paired.
    const GenericAttr<int>* p = positions();
    PairingGeometry geometry;
    if (p && p->components >= 3) {
        geometry.positions = p->quantized.data();
        geometry.stride = size_t(p->components);
    }
    const MeshAdjacency adjacency = build_adjacency(faces_.data(), face_count, vertex_count_, face_ends, geometry);
    // Chained pieces help where corners repeat positions and may cost a little elsewhere:
    // where the mesh falls into more pieces than its groups, measured both ways.
    PositionClasses classes;
    if (geometry.positions) {
        classes = position_classes(faces_.data(), face_count, vertex_count_, geometry.positions, geometry.stride);
        connectivity.chain = &classes;
        if (!fast && encode_connectivity(adjacency, connectivity).pieces > adjacency.face_ends.size()) {
            ConnectivityOptions in_face_order = connectivity;
            in_face_order.chain = nullptr;
            if (estimated_size(adjacency, in_face_order, false) < estimated_size(adjacency, connectivity, false))
                connectivity.chain = nullptr;
        }
    }
    if (choose_start_face && !fast) choose_start(adjacency);
    // Steering needs three position components; the hints outlive every traversal below.
    PredictionHints hints;
    if (steer_predictions && !fast && p && p->components >= 3) {
        hints = prediction_hints(adjacency, p->quantized.data(), size_t(p->components));
        choose_steering(adjacency, hints);
    }
    code_ = encode_connectivity(adjacency, connectivity);
    if (choose_postponing) {
        // With and without postponing, and variants of each traversal that may leave
        // fewer symbol kinds: which wins depends on which kinds each leaves, since every
        // kind costs the Tunstall dictionary codes.
        const int32_t kind = search_kind();
        size_t best = connectivity_size(code_, kind);
        const auto consider = [&](ConnectivityCode&& candidate) {
            const size_t size = connectivity_size(candidate, kind);
            if (size < best) {
                best = size;
                code_ = std::move(candidate);
            }
        };
        for (bool postpone : {true, false}) {
            ConnectivityOptions options = connectivity;
            options.postpone = postpone;
            options.border_when_sent_elsewhere = options.close_as_join = false;
            ConnectivityCode plain = encode_connectivity(adjacency, options);
            const bool closes = std::find(plain.symbols.begin(), plain.symbols.end(), close) != plain.symbols.end();
            // Old vertices sent at once where postponing only delayed them (as the first
            // traversal found), closes sent as joins where there are closes, and both.
            std::vector<uint32_t> in_vain = plain.postponed_in_vain;
            std::sort(in_vain.begin(), in_vain.end());
            std::vector<ConnectivityCode> runs;
            runs.push_back(std::move(plain));
            for (int variant = 1; variant < 4; ++variant) {
                if (((variant & 1) && in_vain.empty()) || ((variant & 2) && !closes)) continue;
                ConnectivityOptions other = options;
                if (variant & 1) other.old_at_once = in_vain;
                other.close_as_join = (variant & 2) != 0;
                runs.push_back(encode_connectivity(adjacency, other));
            }
            for (ConnectivityCode& run : runs) {
                if (!run.unneeded_postpones.empty()) {
                    ConnectivityCode borders = run;
                    send_unneeded_postpones_as_borders(borders);
                    consider(std::move(borders));
                }
                consider(std::move(run));
            }
        }
    }
    connectivity.hints = nullptr;  // they die with this call, and the positions are reordered below
    connectivity.chain = nullptr;
    const uint32_t V = static_cast<uint32_t>(code_.vertex_order.size());

    for (auto& entry : attributes_) reorder_attribute(*entry.second, code_.vertex_order);
    // Estimated normals are rebuilt from the decoded position integers: any normals get
    // them when a position attribute can serve, so that every mode can be tried.
    for (auto& entry : attributes_) {
        auto* normals = dynamic_cast<NormalAttr*>(entry.second.get());
        if (!normals) continue;
        if (normals->mode != NormalAttr::differential && !p)
            throw attributes_.count("position") ? kPositionOverloaded : kNoPositionAttribute;
        if (p) {
            normals->encode_positions = p->quantized.data();
            normals->encode_position_components = p->components;
        }
    }
    for (auto& entry : attributes_) entry.second->prepare_encode(V, face_count, code_.faces.data());
    for (auto& entry : attributes_) entry.second->compute_residuals(V, code_.predictions);
    if (choose_strategies) {
        const int32_t kind = search_kind();
        for (auto& entry : attributes_)
            if (auto* a = dynamic_cast<GenericAttr<int>*>(entry.second.get())) pick_strategy(*a, trial_coder(kind));
    }
    if (choose_normal_mode) {
        const int32_t kind = search_kind();
        for (auto& entry : attributes_)
            if (auto* n = dynamic_cast<NormalAttr*>(entry.second.get())) pick_normal_mode(*n, trial_coder(kind));
    }

    if (entropy != kEntropySmaller) return write_stream(entropy);
    // Small meshes can do better stored: Tunstall blocks carry their symbol lists.
    std::vector<uint8_t> tunstall = write_stream(1);
    std::vector<uint8_t> stored = write_stream(0);
    return stored.size() < tunstall.size() ? stored : write_stream(1);
}

size_t Encoder::estimated_size(const MeshAdjacency& adjacency, const ConnectivityOptions& options,
                               bool thorough) const {
    // The connectivity (with unneeded postpones as borders where that is smaller, and when
    // thorough with old vertices sent at once where postponing was in vain) and the
    // positions' residuals under the predictions it gives, coded quickly.
    const int32_t kind = search_kind();
    ConnectivityCode code = encode_connectivity(adjacency, options);
    const auto connectivity_bytes = [&](ConnectivityCode& c) {
        size_t size = connectivity_size(c, kind);
        if (!c.unneeded_postpones.empty()) {
            send_unneeded_postpones_as_borders(c);
            size = std::min(size, connectivity_size(c, kind));
        }
        return size;
    };
    std::vector<uint32_t> in_vain = code.postponed_in_vain;
    size_t size = connectivity_bytes(code);
    if (thorough && !in_vain.empty()) {
        ConnectivityOptions at_once = options;
        at_once.old_at_once = std::move(in_vain);
        std::sort(at_once.old_at_once.begin(), at_once.old_at_once.end());
        ConnectivityCode other = encode_connectivity(adjacency, at_once);
        const size_t other_size = connectivity_bytes(other);
        if (other_size < size) {
            size = other_size;
            code = std::move(other);
        }
    }
    if (const GenericAttr<int>* p = positions()) {
        GenericAttr<int> trial;
        trial.components = p->components;
        trial.strategy = kParallelogram | kCorrelated;
        trial.quantized = p->quantized;
        reorder(trial.quantized, size_t(trial.components), code.vertex_order);
        trial.compute_residuals(uint32_t(code.vertex_order.size()), code.predictions);
        std::vector<uint8_t> scratch;
        trial.write_residuals(scratch, kind);
        size += scratch.size();
    }
    return size;
}

void Encoder::choose_start(const MeshAdjacency& adjacency) {
    // Sixteen faces spread evenly over the first group, each from another corner. On the
    // scans the spread between starts is about 1 %, mostly in the symbols.
    const uint32_t first_group_end = adjacency.face_ends.front();
    if (first_group_end == 0) return;
    ConnectivityOptions options = connectivity;
    size_t best = SIZE_MAX;
    for (uint32_t k = 0; k < 16; ++k) {
        options.start_face = uint32_t(uint64_t(first_group_end) * k / 16);
        options.start_corner = k % 3;
        const size_t size = estimated_size(adjacency, options, false);
        if (size < best) {
            best = size;
            connectivity.start_face = options.start_face;
            connectivity.start_corner = options.start_corner;
        }
    }
}

void Encoder::choose_steering(const MeshAdjacency& adjacency, const PredictionHints& hints) {
    // Steering trades symbols (postpones, most of which become borders) for better
    // predictions; how many vertices are worth it differs from mesh to mesh.
    ConnectivityOptions options = connectivity;
    options.hints = &hints;
    size_t best = estimated_size(adjacency, connectivity, true);
    for (const auto& [width, margin] : {std::pair{9, 2}, std::pair{8, 2}, std::pair{8, 3}}) {
        options.steer_width = width;
        options.steer_margin = margin;
        const size_t size = estimated_size(adjacency, options, true);
        if (size < best) {
            best = size;
            connectivity.hints = &hints;
            connectivity.steer_width = width;
            connectivity.steer_margin = margin;
        }
    }
}

void Encoder::pick_strategy(GenericAttr<int>& a, int32_t coder) {
    const uint32_t V = static_cast<uint32_t>(code_.vertex_order.size());
    const std::vector<int32_t> strategies{kParallelogram, kParallelogram | kCorrelated, 0, kCorrelated};
    keep_smallest(a, strategies, [&](int32_t strategy) {
        a.strategy = strategy;
        a.compute_residuals(V, code_.predictions);
    }, coder);
}

void Encoder::pick_normal_mode(NormalAttr& n, int32_t coder) {
    const uint32_t V = static_cast<uint32_t>(code_.vertex_order.size());
    const uint32_t F = static_cast<uint32_t>(code_.faces.size() / 3);
    std::vector<NormalAttr::Mode> modes{NormalAttr::differential};
    if (n.encode_positions && n.encode_position_components >= 3) {
        modes.push_back(NormalAttr::estimated);
        // Interior vertices then take the estimate from the positions as it is: only
        // where every one of them lands within the grid's precision of its input normal.
        n.mode = NormalAttr::border_corrected;
        n.prepare_encode(V, F, code_.faces.data());
        if (n.worst_error <= normal_precision(int(n.step))) modes.push_back(NormalAttr::border_corrected);
    }
    keep_smallest(n, modes, [&](NormalAttr::Mode mode) {
        n.mode = mode;
        n.prepare_encode(V, F, code_.faces.data());
        n.compute_residuals(V, code_.predictions);
    }, coder);
}

// Either kind may be written when the smaller is kept; choices are measured with Tunstall.
int32_t Encoder::search_kind() const { return entropy == kEntropySmaller ? 1 : entropy; }

const GenericAttr<int>* Encoder::positions() const {
    const auto found = attributes_.find("position");
    return found == attributes_.end() ? nullptr : dynamic_cast<const GenericAttr<int>*>(found->second.get());
}

int32_t Encoder::coder(int32_t kind) const { return kind == 1 && !fast ? kind | kSmallestBlocks : kind; }

// Choices between strategies see merged bit counts (they change which strategy wins) but
// not the probability search (it shaves every candidate alike).
int32_t Encoder::trial_coder(int32_t kind) const { return kind == 1 && !fast ? kind | kMergedWidths : kind; }

std::vector<uint8_t> Encoder::write_stream(int32_t kind) {
    const uint32_t V = static_cast<uint32_t>(code_.vertex_order.size());
    const uint32_t face_count = static_cast<uint32_t>(faces_.size() / 3);
    coder_used_ = coder(kind);
    std::vector<uint8_t> out;
    write_u32(out, kMagic);
    write_u32(out, 0);  // not interpreted by the decoder
    write_u8(out, static_cast<uint8_t>(kind));
    write_u32(out, static_cast<uint32_t>(properties.size()));
    for (const auto& p : properties) {
        write_string(out, p.first);
        write_string(out, p.second);
    }
    write_i32(out, static_cast<int32_t>(attributes_.size()));
    for (const auto& entry : attributes_) {
        const VertexAttribute& a = *entry.second;
        write_string(out, entry.first);
        write_i32(out, a.codec_kind());
        write_f32(out, a.step);
        write_u8(out, static_cast<uint8_t>(a.components));
        write_u8(out, static_cast<uint8_t>(a.format));
        write_u8(out, static_cast<uint8_t>(a.strategy));
    }
    write_u32(out, V);
    write_u32(out, face_count);
    header_bytes = out.size();

    write_u32(out, static_cast<uint32_t>(code_.face_ends.size()));
    for (size_t g = 0; g < code_.face_ends.size(); ++g) {
        write_u32(out, code_.face_ends[g]);
        if (g < groups.size()) {
            write_u8(out, static_cast<uint8_t>(groups[g].properties.size()));
            write_properties(out, groups[g].properties);
        } else {
            write_u8(out, 0);
        }
    }
    write_u32(out, code_.front_capacity);
    groups_bytes = out.size() - header_bytes;
    write_entropy_block(out, code_.symbols, coder(kind));
    symbol_bytes = out.size() - header_bytes - groups_bytes;
    write_word_block(out, code_.bits.words());
    connectivity_bytes = out.size() - header_bytes;

    for (auto& entry : attributes_) entry.second->write_residuals(out, coder(kind));
    return out;
}

float step_for_bits(const float* values, size_t vertex_count, int components, int bits) {
    float extent = 0.0f;
    for (int j = 0; j < components; ++j) {
        float lo = INFINITY, hi = -INFINITY;
        for (size_t i = 0; i < vertex_count; ++i) {
            lo = std::min(lo, values[i * components + j]);
            hi = std::max(hi, values[i * components + j]);
        }
        if (hi > lo) extent = std::max(extent, hi - lo);
    }
    bits = std::clamp(bits, 1, 30);
    if (!(extent > 0.0f) || !std::isfinite(extent)) return 1.0f;
    return static_cast<float>(double(extent) / double((uint32_t(1) << bits) - 1));
}

int32_t color_step_for_bits(int bits) {
    for (int32_t step : {1, 3, 5, 15, 17, 51, 85})
        if (bits >= 31 || 255 / step + 1 <= (1 << std::max(bits, 0))) return step;
    return 255;
}

double normal_precision(int unit) { return 1.5 / double(std::max(unit, 1)) + 1e-6; }

int normal_unit_for_bits(int bits) { return std::max(1, (1 << (std::clamp(bits, 2, 30) - 1)) - 1); }

}  // namespace crt
