// Builds every geometry file of the default show and writes them all-or-nothing.
#include <cstdio>
#include <filesystem>
#include <functional>
#include <system_error>
#include <utility>

#include "geometry.h"
#include "model_text.h"
#include "scene_models.h"
#include "walk_cycle.h"
#include "platform/file_replace.h"

namespace velmora_data {

namespace {

using Builder = std::function<std::string(bool tiny)>;

std::string single(const std::string& title, Mesh mesh) { return objText(title, {{"", std::move(mesh)}}); }

// Scene models have no `o` line: the show draws them through all built parts, and
// part i covers triangles 0 .. S_i - 1, so one object is the only way to draw each
// triangle once.
const std::vector<std::pair<std::string, Builder>>& builders() {
    static const std::vector<std::pair<std::string, Builder>> list = {
        {"box.obj", [](bool) { return single("velmora box: bevelled cube", buildBox()); }},
        {"box2.obj", [](bool) { return single("velmora box2: wire cube", buildWireBox()); }},
        {"Terrain.obj", [](bool t) { return single("velmora terrain: canyon tile", buildTerrain(t)); }},
        {"velmora2.obj", [](bool) { return single("velmora title", buildTitle(16.0, 1.2, false)); }},
        {"velmora3.obj", [](bool) { return single("velmora title, underlined", buildTitle(28.0, 2.0, true)); }},
        {"ant0.obj", [](bool t) { return single("velmora ant: legs, first tripod", buildAntLegs(true, t)); }},
        {"ant2.obj", [](bool t) { return single("velmora ant: legs, second tripod", buildAntLegs(false, t)); }},
        {"antall.obj", [](bool t) { return single("velmora ant: body", buildAntBody(t)); }},
        {"270.obj", [](bool t) { return single("velmora sculpture on a plinth", buildSculpture270(t)); }},
        {"tessan2.obj", [](bool t) { return single("velmora tessellated ball", buildTessellatedBall(t)); }},
        {"human4.obj", [](bool t) { return objText("velmora figure: body parts 0-18", buildBodyParts(t)); }},
        {"avatar_female_walk.bvh", [](bool) { return walkBvhText(); }},
        {"scul1.ply", [](bool t) { return plyText(buildSculptureOne(t)); }},
        {"scul2.ply", [](bool t) { return plyText(buildSculptureTwo(t)); }},
    };
    return list;
}

// Created new, never through a file or link already under that name.
bool writeFile(const std::filesystem::path& path, const std::string& text) {
    std::FILE* out = platform::create_new_file(path.string());
    if (!out) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    return std::fclose(out) == 0 && written;
}

}  // namespace

const std::vector<std::string>& geometryFileNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (const auto& b : builders()) n.push_back(b.first);
        return n;
    }();
    return names;
}

bool writeGeometry(const std::string& outDir, bool tiny, std::string& error) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(outDir) / "resources3";
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir)) {
        error = "cannot create the folder " + dir.string() + (ec ? ": " + ec.message() : "");
        return false;
    }
    std::vector<fs::path> written;
    const auto discard = [&] {
        std::error_code ignored;
        for (const auto& p : written) fs::remove(p, ignored);
    };
    for (const auto& [name, build] : builders()) {
        const fs::path temp = platform::process_temp_path((dir / name).string(), ".partial");
        written.push_back(temp);
        if (!writeFile(temp, build(tiny))) {
            error = "cannot write " + temp.string();
            discard();
            return false;
        }
    }
    for (size_t i = 0; i < written.size(); ++i) {
        fs::rename(written[i], dir / builders()[i].first, ec);
        if (ec) {
            error = "cannot rename " + written[i].string() + ": " + ec.message();
            discard();
            return false;
        }
    }
    return true;
}

}  // namespace velmora_data
