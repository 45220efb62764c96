#include "clips/scene_timing.h"

#include <algorithm>

#include "clips/frame_rules.h"

void SceneTiming::add(float x, double seconds, double cpuSeconds) {
    const int scene = sceneForPosition(x);
    int index = 25;
    for (int i = 0; i < 25; ++i)
        if (kSceneStarts[i] == scene) index = i;
    total[index] += seconds;
    if (seconds >= worst[index]) {
        worst[index] = seconds;
        worstCpu[index] = cpuSeconds;
    }
    cpu[index] += cpuSeconds;
    frames[index] += 1;
    durations.push_back(static_cast<float>(seconds));
}

void SceneTiming::addLine(const std::string& name, std::function<std::string()> text) {
    lines.emplace_back(name, std::move(text));
}

void SceneTiming::print(FILE* out) const {
    double all = 0, allCpu = 0, allWorst = 0, allWorstCpu = 0;
    int count = 0;
    // "thread ms": the render thread's own work; the rest of a frame it waits for the
    // driver's rasteriser threads and the display. "(thread)" is that work in the worst
    // frame: a worst frame with little of it waited for something else.
    fprintf(out, "scene      frames   mean ms  worst ms (thread) thread ms\n");
    for (int i = 0; i < 26; ++i) {
        if (!frames[i]) continue;
        all += total[i];
        allCpu += cpu[i];
        if (worst[i] >= allWorst) {
            allWorst = worst[i];
            allWorstCpu = worstCpu[i];
        }
        count += frames[i];
        char name[16] = "(none)";
        if (i < 25) snprintf(name, sizeof name, "scene%d", kSceneStarts[i]);
        fprintf(out, "%-10s %6d %9.1f %9.1f %8.1f %9.2f\n", name, frames[i], total[i] / frames[i] * 1000,
                worst[i] * 1000, worstCpu[i] * 1000, cpu[i] / frames[i] * 1000);
    }
    if (count)
        fprintf(out, "all        %6d %9.1f %9.1f %8.1f %9.2f   (%.1f frames per second)\n", count,
                all / count * 1000, allWorst * 1000, allWorstCpu * 1000, allCpu / count * 1000, count / all);
    if (count) {
        // What a viewer sees as a stutter: frames far longer than the usual one.
        const double slow = 1.5 * all / count;
        size_t over = 0;
        for (float d : durations) over += d > slow;
        fprintf(out, "slow frames: %zu of %zu (%.1f %%) took over 1.5 x the mean (%.1f ms)\n", over, durations.size(),
                durations.empty() ? 0.0 : 100.0 * over / durations.size(), slow * 1000);
    }
    for (const auto& [name, text] : lines) fprintf(out, "%s: %s\n", name.c_str(), text().c_str());
}
