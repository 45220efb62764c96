// The table of frame sequences and the dispatch from a sequence to its generator.
#include "tools/velmora_data/footage.h"

#include <algorithm>
#include <cmath>

#include "tools/velmora_data/procedural.h"

namespace vdata {

namespace {

// Distinct grain pictures; the 10,000 grain names cycle through them.
constexpr int kGrainImages = 200;

// The aspect is what the scene's background transform makes of the picture on a 16:9
// screen, so the content can be drawn to look right there: 1.0 for the pictures the
// scenes squeeze with 0.5625, 1.42 for the 0.8-wide ones, 0.44 for the strip the
// tendril scenes stretch five-fold, 0.77 for the narrow door.
const std::vector<SequenceInfo> kSpecs = {
    {"c://dicom//img-0002-", Footage::CtHead, 25, 1, 540, 540, 1.0f, 0},
    {"c://videos//output6", Footage::Smoke, 300, 1, 768, 540, 1.422f, 0},
    {"c://videos//output2", Footage::Smoke, 300, 1, 768, 540, 1.422f, 1},
    {"c://videos//outputMRI", Footage::MriAxial, 199, 1, 960, 540, 1.7778f, 0},
    {"c://videos//xray", Footage::XRay, 0, 0, 1728, 1080, 1.6f, 0},
    {"c://videos//fog", Footage::Fog, 0, 0, 1080, 1080, 1.0f, 0},
    {"c://videos//fire", Footage::Fire, 80, 1, 960, 540, 1.7778f, 0},
    {"c://videos//road", Footage::Road, 1200, 1, 960, 540, 1.7778f, 0},
    {"c://videos//snow", Footage::Snow, 0, 0, 1080, 1080, 1.0f, 0},
    {"c://videos//met1", Footage::Meteors, 325, 1, 960, 540, 1.7778f, 0},
    {"c://videos//2//outputMRI1", Footage::MriSagittal, 121, 75, 960, 540, 1.7778f, 0},
    {"c://videos//3//outputV", Footage::Veins, 75, 64, 960, 540, 1.7778f, 0},
    {"c://videos//clock", Footage::Clock, 600, 1, 960, 540, 1.7778f, 0},
    {"c://videos//outputDrive", Footage::Tunnel, 1000, 1, 960, 540, 1.7778f, 0},
    {"c://videos//output0", Footage::Smoke, 500, 1, 960, 540, 0.4444f, 2},
    {"c://videos//outputdoor", Footage::Door, 299, 1, 416, 540, 0.77f, 0},
    {"c://videos//orn1", Footage::Ornament, 84, 1, 960, 540, 1.7778f, 0},
    {"c://videos//orn2", Footage::Ornament, 24, 1, 960, 540, 1.7778f, 1},
    {"d://video2//video", Footage::Water, 2400, 1, 960, 540, 1.7778f, 0},
    {"c://videos//vark1", Footage::Artwork, 249, 1, 960, 540, 1.7778f, 0},
    {"c://videos//vark2", Footage::Artwork, 249, 1, 960, 540, 1.7778f, 1},
    {"c://videos//vark3", Footage::Artwork, 199, 1, 960, 540, 1.7778f, 2},
    {"c://videos//vark4", Footage::Artwork, 249, 1, 960, 540, 1.7778f, 3},
    {"c://videos//vark5", Footage::Artwork, 249, 1, 960, 540, 1.7778f, 4},
    {"c://videos//vark6", Footage::Artwork, 249, 1, 960, 540, 1.7778f, 5},
    {"c://videos//vark7", Footage::Artwork, 249, 1, 960, 540, 1.7778f, 6},
    {"c://videos//vark8", Footage::Artwork, 314, 1, 960, 540, 1.7778f, 7},
    {"c://videos//vark9", Footage::Artwork, 249, 1, 960, 540, 1.7778f, 8},
    {"c://videos//outputN", Footage::Grain, kGrainImages, 1, 960, 540, 1.7778f, 0},
};

}  // namespace

const std::vector<SequenceInfo>& sequenceTable() { return kSpecs; }

const SequenceInfo* findSequence(const std::string& prefix) {
    for (const SequenceInfo& s : kSpecs)
        if (prefix == s.prefix) return &s;
    return nullptr;
}

cv::Size frameSize(const SequenceInfo& seq, int packHeight) {
    const double k = packHeight / 540.0;
    // Widths a multiple of 4: the show's loader would otherwise resample every frame.
    const int w = std::max(4, static_cast<int>(std::lround(seq.width * k / 4.0)) * 4);
    const int h = std::max(4, static_cast<int>(std::lround(seq.height * k)));
    return {w, h};
}

int canonicalFrame(const SequenceInfo& seq, int number) {
    switch (seq.kind) {
    case Footage::Grain:
        return (number - 1 + kGrainImages * 100) % kGrainImages + 1;
    case Footage::MriAxial:
        // Past the sweep the slice rests above the head, where the sweep starts.
        return number > seq.period ? 1 : number;
    case Footage::Door:
        // The door stays open from frame 200 to 260 (the show holds frame 200).
        return number >= 200 && number <= 260 ? 200 : number;
    case Footage::Fire:
        // Frame 0 comes after frame 1 when the flames play backwards: one loop earlier.
        return number <= 0 ? number + seq.period : number;
    default:
        return number;
    }
}

cv::Mat3b renderFrame(const SequenceInfo& seq, int number, int packHeight) {
    const int canonical = canonicalFrame(seq, number);
    FrameParams f;
    f.size = frameSize(seq, packHeight);
    f.aspect = seq.aspect;
    f.number = canonical;
    f.variant = seq.variant;
    f.scale = f.size.height / static_cast<float>(seq.height);
    if (seq.period > 0) {
        const double p = static_cast<double>(canonical - seq.origin) / seq.period;
        f.phase = static_cast<float>(p - std::floor(p));
    } else {
        f.phase = 0.0f;
    }
    switch (seq.kind) {
    case Footage::CtHead: return renderCtHead(f);
    case Footage::MriAxial: return renderMriAxial(f);
    case Footage::MriSagittal: return renderMriSagittal(f);
    case Footage::XRay: return renderXRay(f);
    case Footage::Fog: return renderFog(f);
    case Footage::Snow: return renderSnow(f);
    case Footage::Fire: return renderFire(f);
    case Footage::Smoke: return renderSmoke(f);
    case Footage::Road: return renderRoad(f);
    case Footage::Meteors: return renderMeteors(f);
    case Footage::Veins: return renderVeins(f);
    case Footage::Clock: return renderClock(f);
    case Footage::Tunnel: return renderTunnel(f);
    case Footage::Door: return renderDoor(f);
    case Footage::Ornament: return renderOrnament(f);
    case Footage::Water: return renderWater(f);
    case Footage::Artwork: return renderArtwork(f);
    case Footage::Grain: return renderGrain(f);
    }
    return cv::Mat3b(f.size, cv::Vec3b(0, 0, 0));
}

}  // namespace vdata
