// Part_Clips: the picture road. Each frame's pictures come from the prefetching cache into
// the texture slots; the forecast of the next frames' pictures keeps the cache's workers
// ahead; the damage and the names missing from the index met on the way are summed up when
// the show ends; the --timing lines.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "app/app_state.h"
#include "clips/frame_rules.h"
#include "clips/part_clips.h"

namespace {

// 64 MB holds about 30 frames of 960 x 540 footage: the half second ahead of two or three
// sequences at real time.
constexpr size_t kPictureBudget = 64u << 20;

// The part whose picture workers are stopped and whose frame damage is summed up when the
// process ends, which it does through exit().
Part_Clips* g_pictureOwner = nullptr;

void finishPictures() {
    if (!g_pictureOwner) return;
    g_pictureOwner->pictures.stop();
    const PictureProblems& problems = g_pictureOwner->pictureProblems;
    for (const std::string& line : {problems.summary(), problems.missingSummary(g_pictureOwner->archive)})
        if (!line.empty()) printf("%s\n", line.c_str());
}

}  // namespace

Part_Clips::~Part_Clips() {
    if (g_pictureOwner == this) g_pictureOwner = nullptr;
}

void Part_Clips::startPictures() {
    // Half the processors decode ahead: the rest draw (the driver rasterises on threads of
    // its own). None with --no-prefetch.
    const int workers = std::clamp(static_cast<int>(std::thread::hardware_concurrency()) / 2, 1, 4);
    pictures.start(archive, owner->options.prefetch ? workers : 0, kPictureBudget, &pictureProblems);
    static bool registered = false;
    if (!registered) std::atexit(finishPictures);
    registered = true;
    g_pictureOwner = this;
}

void Part_Clips::addTimingLines() {
    passTimer.enabled = true;
    timing.addLine("passes", [this] {
        static const char* const names[PassTimer::kPasses] = {"scene", "composite", "post", "final"};
        std::string text = "GPU ms per frame";
        char figure[48];
        for (int p = 0; p < PassTimer::kPasses; ++p) {
            const double ms = passTimer.meanMs(p);
            snprintf(figure, sizeof figure, ms < 0 ? "%s%s -" : "%s%s %.2f", p ? ", " : " ", names[p], ms);
            text += figure;
        }
        return text;
    });
    timing.addLine("render scale", [this] {
        const auto startNote = [this] {
            char note[64] = "";
            if (renderScale.startSeconds() > 0.0)
                snprintf(note, sizeof note, " (a frame at 1 took %.1f ms while loading)", renderScale.startSeconds() * 1000);
            return std::string(note);
        };
        char text[224];
        if (!renderScale.adaptive())
            snprintf(text, sizeof text, "%.2f, fixed", renderScale.scale());
        else
            snprintf(text, sizeof text,
                     "auto for %.0f frames per second: started at %.2f%s, mean %.2f, lowest %.2f, %d step%s, last %.2f",
                     renderScale.targetFps(), renderScale.startScale(), startNote().c_str(), renderScale.meanScale(),
                     renderScale.lowestScale(), renderScale.steps(), renderScale.steps() == 1 ? "" : "s",
                     renderScale.scale());
        return std::string(text);
    });
    timing.addLine("pictures", [this] {
        const PictureCacheStats s = pictures.stats();
        double seconds = 0;
        for (double t : timing.total) seconds += t;
        char text[256];
        snprintf(text, sizeof text,
                 "%llu decoded (%.1f per second), %llu of them ahead; asked for %llu: %llu ready, %llu waited for, "
                 "%llu decoded at once; ahead %s, peak %.1f of %.0f MB",
                 static_cast<unsigned long long>(s.decoded), seconds > 0 ? s.decoded / seconds : 0.0,
                 static_cast<unsigned long long>(s.decodedAhead),
                 static_cast<unsigned long long>(s.hits + s.waits + s.misses), static_cast<unsigned long long>(s.hits),
                 static_cast<unsigned long long>(s.waits), static_cast<unsigned long long>(s.misses),
                 pictures.prefetching() ? "on" : "off", s.peakBytes / 1048576.0, kPictureBudget / 1048576.0);
        const size_t missing = pictureProblems.missingNames();
        if (missing) return text + ("; " + std::to_string(missing) + " names not in " + archive.indexPath);
        return std::string(text);
    });
}

void Part_Clips::fetchFrames(int scene, float x) {
    const SceneFrames frames = sceneFrameRequests(scene, x, endClock);
    if (frames.setsCount) count = frames.count;
    for (int i = 0; i < frames.size; ++i) {
        const FrameRequest& r = frames.requests[i];
        const std::string name = frameName(r.prefix, r.number);
        if (!r.load) continue;
        ImageTexture& slot = textures[r.slot];
        // A still, or footage held for several frames: nothing to read, decode or upload.
        if (slot.loaded && (slot.source == name || warmUpKeepsPictures)) {
            resetSampling(slot);
            continue;
        }
        if (const platform::RgbaPicture* picture = pictures.take(archive, name)) {
            showPicture(slot, *picture, name);
            continue;
        }
        // A negative number names no entry by design, and an archive with no entries at all
        // has been said when it was opened; the warm-up's pictures are not the show's.
        if (r.number >= 0 && !warmingUp && !archive.entries.empty() && !archiveHasEntry(archive, name))
            pictureProblems.missing(archive, name);
    }
}

void Part_Clips::forecastPictures() {
    // clock now holds what the next frame looks up in the edit.
    if (!warmingUp && pictures.prefetching() && forecast.advance(edit, remap, clock, owner->dt))
        pictures.want(forecast.names());
}
