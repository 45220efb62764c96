// crt-encode INPUT.ply|INPUT.obj OUTPUT.crt [options]: encodes a triangle mesh as a crt
// stream and prints its size by section.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "crt/encoder.h"
#include "encode_mesh.h"
#include "mesh_reader.h"
#include "platform/file_write.h"

namespace {

const char kUsage[] =
    "usage: crt-encode INPUT.ply|INPUT.obj OUTPUT.crt [options]\n"
    "  --entropy stored|tunstall|auto   entropy coding of every block (default tunstall; auto keeps\n"
    "                                   the smaller stream)\n"
    "  --position-bits N                quantise positions to N bits across the largest extent (default 14)\n"
    "  --position-step S                or to a step of S\n"
    "  --prediction parallelogram|plain predict positions, colours and uvs (default: positions and uvs\n"
    "                                   take whichever prediction and coding is smaller, colours parallelogram)\n"
    "  --coding per-component|correlated residual coding of positions and uvs (default: the smaller)\n"
    "  --normals diff|estimated|border|none\n"
    "                                   stored normals (default: the smallest mode that keeps every normal within\n"
    "                                   the precision of its bits); estimated ones store corrections to normals\n"
    "                                   computed from the positions, border ones only on the border (interior\n"
    "                                   normals are then the estimates, however far they are from the file's)\n"
    "  --normal-bits N                  bits per octahedral coordinate (default 10: within 0.17 degrees)\n"
    "  --color-bits N                   bits per colour channel (default 8), --no-colors to leave them out\n"
    "  --uv-bits N | --uv-step S        texture coordinate precision (default 12 bits), --no-uvs\n"
    "  --groups                         keep OBJ groups/objects/materials as face groups\n"
    "  --no-merge                       keep every vertex of the file; by default corners equal in position\n"
    "                                   and in every attribute stored are one vertex\n"
    "  --postpone auto|always|never     put off edges whose far vertex is already known, hoping the\n"
    "                                   front closes up to it (default auto: whichever is smaller)\n"
    "  --fast                           encode quicker, a little larger: no search for the smallest\n"
    "                                   Tunstall dictionaries and bit counts\n"
    "  --stats                          print where the bytes go, beside the order-0 entropy of\n"
    "                                   what each part codes\n";

// A NaN or an infinity cannot be quantised: named here, with its vertex, rather than met
// as an overflow deep in the encoder.
void refuse_non_finite(const crt_encode::InputMesh& mesh, const std::string& input) {
    const struct {
        const std::vector<float>* values;
        size_t per_vertex;
        const char* what;
    } arrays[] = {{&mesh.positions, 3, "position"},
                  {&mesh.normals, 3, "normal"},
                  {&mesh.colors, size_t(mesh.color_components > 0 ? mesh.color_components : 1), "colour"},
                  {&mesh.uvs, 2, "texture coordinate"}};
    for (const auto& a : arrays)
        for (size_t i = 0; i < a.values->size(); ++i)
            if (!std::isfinite((*a.values)[i]))
                throw std::runtime_error(input + ": vertex " + std::to_string(i / a.per_vertex + 1) + " has a " +
                                         a.what + " that is not a finite number; nothing was encoded");
}

[[noreturn]] void usage_error(const std::string& what) {
    std::fprintf(stderr, "crt-encode: %s\n%s", what.c_str(), kUsage);
    std::exit(2);
}

int int_option(const std::string& option, const char* text, int lo, int hi) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < lo || v > hi)
        usage_error(option + " needs a whole number from " + std::to_string(lo) + " to " + std::to_string(hi));
    return int(v);
}

float step_option(const std::string& option, const char* text) {
    char* end = nullptr;
    const float v = std::strtof(text, &end);
    if (!*text || *end || !(v > 0.0f) || !std::isfinite(v)) usage_error(option + " needs a positive number");
    return v;
}

// The stream part by part: bytes, the entropy bound of what the part codes, and the
// excess of the one over the other.
void print_parts(const std::vector<crt::StreamPart>& parts) {
    std::printf("  %-28s %9s %9s %7s  %s\n", "part", "bytes", "entropy", "excess", "holds");
    size_t total = 0;
    double bound = 0.0;
    for (const crt::StreamPart& p : parts) {
        total += p.bytes;
        if (p.entropy_bytes < 0.0) {
            bound += double(p.bytes);
            std::printf("  %-28s %9zu %9s %7s  %s\n", p.name.c_str(), p.bytes, "", "", p.note.c_str());
            continue;
        }
        bound += p.entropy_bytes;
        const double excess = p.entropy_bytes > 0.0 ? 100.0 * (double(p.bytes) / p.entropy_bytes - 1.0) : 0.0;
        std::printf("  %-28s %9zu %9.0f %6.1f%%  %s\n", p.name.c_str(), p.bytes, p.entropy_bytes, excess,
                    p.note.c_str());
    }
    std::printf("  %-28s %9zu %9.0f %6.1f%%\n", "total", total, bound, 100.0 * (double(total) / bound - 1.0));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string input = argv[1], output = argv[2];
    crt_encode::EncodeSettings s;
    for (int i = 3; i < argc; ++i) {
        const std::string option = argv[i];
        const bool has_value = i + 1 < argc;
        auto value = [&]() -> const char* {
            if (!has_value) usage_error(option + " needs a value");
            return argv[++i];
        };
        if (option == "--entropy") {
            const std::string v = value();
            if (v == "stored") s.entropy = 0;
            else if (v == "tunstall") s.entropy = 1;
            else if (v == "auto") s.entropy = crt::kEntropySmaller;
            else usage_error("--entropy is stored, tunstall or auto");
        } else if (option == "--position-bits") {
            s.position_bits = int_option(option, value(), 1, 30);
        } else if (option == "--position-step") {
            s.position_step = step_option(option, value());
        } else if (option == "--prediction") {
            const std::string v = value();
            if (v != "parallelogram" && v != "plain") usage_error("--prediction is parallelogram or plain");
            const int32_t bit = v == "parallelogram" ? crt::kParallelogram : 0;
            s.position_strategy = (s.position_strategy & ~crt::kParallelogram) | bit;
            s.uv_strategy = (s.uv_strategy & ~crt::kParallelogram) | bit;
            s.choose_strategies = false;
        } else if (option == "--coding") {
            const std::string v = value();
            if (v != "per-component" && v != "correlated") usage_error("--coding is per-component or correlated");
            const int32_t bit = v == "correlated" ? crt::kCorrelated : 0;
            s.position_strategy = (s.position_strategy & ~crt::kCorrelated) | bit;
            s.uv_strategy = (s.uv_strategy & ~crt::kCorrelated) | bit;
            s.choose_strategies = false;
        } else if (option == "--normals") {
            const std::string v = value();
            s.normals = v != "none";
            s.choose_normal_mode = false;
            if (v == "diff") s.normal_mode = crt::NormalAttr::differential;
            else if (v == "estimated") s.normal_mode = crt::NormalAttr::estimated;
            else if (v == "border") s.normal_mode = crt::NormalAttr::border_corrected;
            else if (v != "none") usage_error("--normals is diff, estimated, border or none");
        } else if (option == "--normal-bits") {
            s.normal_bits = int_option(option, value(), 2, 30);
        } else if (option == "--color-bits") {
            s.color_bits = int_option(option, value(), 1, 8);
        } else if (option == "--no-colors") {
            s.colors = false;
        } else if (option == "--uv-bits") {
            s.uv_bits = int_option(option, value(), 1, 30);
        } else if (option == "--uv-step") {
            s.uv_step = step_option(option, value());
        } else if (option == "--no-uvs") {
            s.uvs = false;
        } else if (option == "--no-merge") {
            s.merge = false;
        } else if (option == "--groups") {
            s.groups = true;
        } else if (option == "--fast") {
            s.fast = true;
        } else if (option == "--stats") {
            s.stats = true;
        } else if (option == "--postpone") {
            const std::string v = value();
            if (v == "never") s.postpone = 0;
            else if (v == "always") s.postpone = 1;
            else if (v == "auto") s.postpone = 2;
            else usage_error("--postpone is auto, always or never");
        } else {
            usage_error("unknown option " + option);
        }
    }

    // The output name is checked before the mesh is read: a pipe, a folder or the input
    // itself is refused at once, not after the encoding.
    platform::WriteOptions write_options;
    write_options.inputs = {input};
    std::string why;
    if (platform::check_output(output, write_options, why) != platform::FileWrite::Written) {
        std::fprintf(stderr, "crt-encode: %s\n", why.c_str());
        return 1;
    }
    try {
        const crt_encode::InputMesh mesh = crt_encode::read_mesh(input);
        for (const std::string& warning : mesh.warnings) std::fprintf(stderr, "crt-encode: %s\n", warning.c_str());
        if (mesh.face_count() == 0) throw std::runtime_error(input + ": no triangles to encode");
        refuse_non_finite(mesh, input);
        const crt_encode::EncodedMesh encoded = crt_encode::encode_mesh(mesh, s);
        if (platform::write_file(output, encoded.bytes.data(), encoded.bytes.size(), write_options, why) !=
            platform::FileWrite::Written) {
            std::fprintf(stderr, "crt-encode: %s\n", why.c_str());
            return 1;
        }

        const size_t V = encoded.code.vertex_order.size(), F = mesh.face_count();
        const double bits = double(encoded.bytes.size()) * 8.0;
        std::printf("%s: %u vertices, %zu triangles\n", input.c_str(), mesh.vertex_count(), F);
        if (V != mesh.vertex_count()) std::printf("  %zu vertices used by faces are stored\n", V);
        std::printf("%s: %zu bytes, %.2f bits per vertex, %.2f bits per triangle\n", output.c_str(),
                    encoded.bytes.size(), V ? bits / double(V) : 0.0, bits / double(F));
        std::printf("  header %zu, connectivity %zu", encoded.header_bytes, encoded.connectivity_bytes);
        for (const auto& a : encoded.attribute_bytes) std::printf(", %s %zu", a.first.c_str(), a.second);
        std::printf(" bytes\n  position step %g", double(encoded.position_step));
        if (encoded.normal_unit) {
            static const char* const kModes[] = {"diff", "estimated", "border"};
            const double degrees = 180.0 / std::acos(-1.0);  // M_PI is not standard C++ (mingw leaves it out)
            std::printf(", normal unit %d (%s, worst %.3f deg from the file's, precision %.3f deg)", encoded.normal_unit,
                        kModes[encoded.normal_mode], encoded.normal_worst_error * degrees,
                        crt::normal_precision(encoded.normal_unit) * degrees);
        }
        if (encoded.color_step) std::printf(", colour step %d", encoded.color_step);
        if (encoded.uv_step > 0.0f) std::printf(", uv step %g", double(encoded.uv_step));
        std::printf("\n");
        if (s.stats) print_parts(encoded.parts);
    } catch (const std::exception& e) {
        // Every failure names the file, the encoder's own included.
        const std::string what = e.what();
        const bool named = what.compare(0, input.size(), input) == 0 || what.compare(0, output.size(), output) == 0;
        std::fprintf(stderr, "crt-encode: %s%s\n", named ? "" : (input + ": ").c_str(), what.c_str());
        return 1;
    }
    return 0;
}
