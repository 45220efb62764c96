// How long each scene's frames take: the mean and the worst whole-frame render time per
// scene, for show makers tuning a scene and for measuring the show on a machine.
#pragma once
#include <cstdio>

struct SceneTiming {
    double total[26] = {};  // seconds, per scene index (25: outside every scene)
    double worst[26] = {};
    int frames[26] = {};

    void add(float editPosition, double seconds);
    void print(FILE* out) const;
};
