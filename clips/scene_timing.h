// How long each scene's frames take: the mean and the worst whole-frame render time per
// scene, for show makers tuning a scene and for measuring the show on a machine, followed
// by report lines that other parts of the program add (the passes, the pictures, ...).
#pragma once
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

struct SceneTiming {
    double total[26] = {};  // seconds, per scene index (25: outside every scene)
    double worst[26] = {};
    double cpu[26] = {};    // seconds of the render thread's own processor time
    double worstCpu[26] = {};  // the render thread's time in the worst frame: work, or waiting
    int frames[26] = {};
    std::vector<float> durations;  // every frame's, seconds: the share of slow frames
    // "name: text" lines printed after the table in the order added; the text is asked
    // for when the report is printed.
    std::vector<std::pair<std::string, std::function<std::string()>>> lines;

    void add(float editPosition, double seconds, double cpuSeconds);
    void addLine(const std::string& name, std::function<std::string()> text);
    void print(FILE* out) const;
};
