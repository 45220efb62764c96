#include "clips/scene_timing.h"

#include <algorithm>

#include "clips/frame_rules.h"

void SceneTiming::add(float x, double seconds) {
    const int scene = sceneForPosition(x);
    int index = 25;
    for (int i = 0; i < 25; ++i)
        if (kSceneStarts[i] == scene) index = i;
    total[index] += seconds;
    worst[index] = std::max(worst[index], seconds);
    frames[index] += 1;
}

void SceneTiming::print(FILE* out) const {
    double all = 0;
    int count = 0;
    fprintf(out, "scene      frames   mean ms  worst ms\n");
    for (int i = 0; i < 26; ++i) {
        if (!frames[i]) continue;
        all += total[i];
        count += frames[i];
        if (i < 25)
            fprintf(out, "scene%-5d %6d %9.1f %9.1f\n", kSceneStarts[i], frames[i], total[i] / frames[i] * 1000,
                    worst[i] * 1000);
        else
            fprintf(out, "(none)     %6d %9.1f %9.1f\n", frames[i], total[i] / frames[i] * 1000, worst[i] * 1000);
    }
    if (count) fprintf(out, "all        %6d %9.1f   (%.1f frames per second)\n", count, all / count * 1000, count / all);
}
