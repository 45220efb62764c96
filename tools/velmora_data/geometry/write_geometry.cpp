// Builds every geometry file of the default show and writes them all-or-nothing.
#include <filesystem>
#include <functional>
#include <memory>
#include <system_error>
#include <utility>

#include "geometry.h"
#include "model_text.h"
#include "scene_models.h"
#include "walk_cycle.h"
#include "platform/file_write.h"

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
    // Every file is written and flushed under its temporary name before the first takes
    // its real name; a failure drops all the temporaries (the writers' destructors).
    std::vector<std::unique_ptr<platform::FileWriter>> files;
    for (const auto& [name, build] : builders()) {
        files.push_back(std::make_unique<platform::FileWriter>());
        platform::FileWriter& file = *files.back();
        if (file.open((dir / name).string(), platform::WriteOptions(), error) != platform::FileWrite::Written)
            return false;
        file.write(build(tiny));
        if (file.flush(false, error) != platform::FileWrite::Written) return false;
    }
    for (const auto& file : files)
        if (file->commit(error) != platform::FileWrite::Written) return false;
    return true;
}

}  // namespace velmora_data
