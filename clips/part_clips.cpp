// Part_Clips: construction, asset loading, the shader set-up, update and frame names.
#include "clips/part_clips.h"

#include "platform/gl.h"
#include <omp.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "app/app_state.h"
#include "app/window_picture.h"
#include "clips/frame_rules.h"
#include "clips/shader_overlay.h"
#include "clips/transport.h"
#include "models/skeleton.h"
#include "platform/console.h"
#include "platform/tick_clock.h"

Part_Clips::Part_Clips() { tempo = 120.0f; }

void Part_Clips::load() {
    const LaunchOptions& options = owner->options;
    renderScale.configure(options.adaptiveScale(), options.renderScaleAuto ? 1.0f : options.renderScale,
                          static_cast<float>(options.targetFps),
                          static_cast<double>(owner->window.width) * owner->window.height);
    if (options.batch() && options.renderScaleGiven && options.renderScaleAuto)
        printf("Render scale: offline every frame takes the time it needs; drawn at scale 1, not auto.\n");
    archive.open("bin");

    loadTextureFromFile(textures[tvphoto], "videos//tvphoto.jpeg", false, false);
    loadTextureFromFile(textures[credits], "videos//credits00000.jpg", false, false);
    loadTextureFromFile(textures[x0], "videos//X00000.jpg", false, false);
    loadTextureFromFile(textures[x1], "videos//X00001.jpg", false, false);
    loadTextureFromFile(textures[x2], "videos//X00002.jpg", false, false);
    loadTextureFromFile(textures[x3], "videos//X00003.jpg", false, false);

    const std::pair<objmodel*, const char*> models[] = {
        {&box, "resources3//box.obj"},           {&box2, "resources3//box2.obj"},
        {&terrain, "resources3//Terrain.obj"},   {&velmora2, "resources3//velmora2.obj"},
        {&velmora3, "resources3//velmora3.obj"}, {&ant0, "resources3//ant0.obj"},
        {&antall, "resources3//antall.obj"},     {&ant2, "resources3//ant2.obj"}};
    for (const auto& [model, path] : models) {
        model->load(path, false);
        model->build_parts();
    }

    // The two meshes are the slowest files to read: one worker thread each, no GL involved.
    omp_set_num_threads(4);
#pragma omp parallel for schedule(static)
    for (int i = 0; i < 2; ++i) loadPlyMesh(i == 0 ? "resources3//scul1.ply" : "resources3//scul2.ply", i == 0 ? scul1 : scul2);

    try {
        figure = std::make_unique<body>("resources3//avatar_female_walk.bvh");
    } catch (const fileNotFound&) {
        // Without its motion file the show still plays; the figure's scene draws no figure.
        printf("Part_Clips::load() : no figure, the motion file is missing\n");
    }
    human4.load("resources3//human4.obj", false);
    model270.load("resources3//270.obj", false);
    model270.build_parts();

    tempo = 120.0f;
    loadTextureFromFile(textures[overlayTexture], "videos//overlay.jpg", false, false);
    loadTextureFromFile(blueTexture, "videos//LDR_RGBA_0.png", false, false);
    if (blueTexture.loaded) {  // blue noise is a dither pattern: never interpolate it
        glBindTexture(GL_TEXTURE_2D, blueTexture.id);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    tessan[0].load("resources3//tessan2.obj", false);
    tessan[0].build_parts();

    setupShaders();
    warmUp();
    startPictures();
    if (owner->options.timing) addTimingLines();
}

namespace {

struct ProgramSources {
    ShaderProgram Part_Clips::*program;
    const char* vertex;
    const char* fragment;
};

const ProgramSources kPrograms[] = {
    {&Part_Clips::blurProgram, "shaders/v_fixed.cpp", "shaders/f_simpleblur.cpp"},
    {&Part_Clips::postProgram, "shaders/v_fixed.cpp", "shaders/f_postprocess.cpp"},
    {&Part_Clips::finalClipsProgram, "shaders/v_trace.cpp", "shaders/f_final_clips.cpp"},
    {&Part_Clips::objectProgram, "shaders//v_object.cpp", "shaders//f_object.cpp"},
};

std::vector<ShaderProgram*> allPrograms(Part_Clips& part) {
    std::vector<ShaderProgram*> programs;
    for (const ProgramSources& p : kPrograms) programs.push_back(&(part.*p.program));
    return programs;
}

}  // namespace

void Part_Clips::setupShaders() {
    for (const ProgramSources& p : kPrograms) {
        ShaderProgram& program = this->*p.program;
        program.verbose = true;
        loadProgram(program, shaderBasePath + p.vertex, shaderBasePath + p.fragment, TwinWrite::Later);
    }
    // Twins once all four are built: a shared file's twin only from text every program
    // that reads it builds with.
    writeAgreedTwins(allPrograms(*this));
}

void Part_Clips::reloadChangedShaders() {
    // A few looks a second at the files' times: a save shows within a quarter second, and
    // the twenty-odd stat calls cost nothing next to a frame.
    const int64_t now = platform::tick_count();
    if (now - lastShaderPoll < platform::kTicksPerSecond / 4) return;
    lastShaderPoll = now;
    std::vector<std::pair<std::string, bool>> saved;  // a changed file, and whether all its programs built
    for (const ProgramSources& p : kPrograms) {
        ShaderProgram& program = this->*p.program;
        const ShaderFile* changed = changedShaderFile(program);
        if (!changed) continue;
        const std::string file = changed->path;
        const bool built =
            loadProgram(program, program.vertexPath, program.fragmentPath, TwinWrite::Later) && program.linked;
        const auto known = std::find_if(saved.begin(), saved.end(), [&](const auto& s) { return s.first == file; });
        if (known == saved.end())
            saved.emplace_back(file, built);
        else
            known->second = known->second && built;
    }
    if (saved.empty()) return;
    writeAgreedTwins(allPrograms(*this));
    for (const auto& [file, built] : saved)
        if (built) std::cout << platform::grey << "reloaded " << file << std::endl;
}

void Part_Clips::drawShaderErrors() const {
    const auto broken = [this](const ProgramSources& p) { return !(this->*p.program).buildError.empty(); };
    if (std::none_of(std::begin(kPrograms), std::end(kPrograms), broken)) return;  // the usual frame
    std::vector<std::string> errors;
    for (const ProgramSources& p : kPrograms) errors.push_back((this->*p.program).buildError);
    int width = owner->window.width, height = owner->window.height;
    pictureSize(owner->window, width, height);
    bindPicture(owner->window);
    ::drawShaderErrors(errors, width, height);
}

void Part_Clips::update() {
    reloadChangedShaders();
    rebuildEdit(edit, editCache);
    const float p = edit.value_at(clock);

    TransportInputs in;
    in.dt = owner->dt;
    in.tempo = tempo;
    in.speedKnob = inputs->knobsHigh[2];
    in.count = count;
    in.keyA = owner->keys[4];
    in.controller = inputs->controller;
    in.wait = platform::sleep_ms;
    clock = advancePartClock(clock, in);

    cttime = p;
    fttime = p;
    theType = remap.tag_at(p);
    ttime = remap.value_at(p);
}

std::string Part_Clips::frameName(const char* prefix, int number) {
    if (endClock > kShowEnd) std::exit(0);  // the show is over
    return formatFrameName(prefix, number);
}
