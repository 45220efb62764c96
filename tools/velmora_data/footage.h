// The footage of the show: which picture generator makes each frame sequence of the
// archive, at what size, and how a frame number maps to a position in the clip.
#pragma once
#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace vdata {

enum class Footage {
    CtHead,       // CT slices sweeping down through a head and back up
    MriAxial,     // MRI slices, top to bottom
    MriSagittal,  // MRI slices, left to right
    XRay,         // chest x-ray (still)
    Fog,          // misty hills (still)
    Snow,         // snowfall at dusk (still)
    Fire,         // looping flames
    Smoke,        // drifting smoke (three colourings)
    Road,         // driving on a night road
    Meteors,      // meteors over a starry sky
    Veins,        // veins growing across tissue
    Clock,        // a running clock face
    Tunnel,       // driving through a lit tunnel
    Door,         // a door opening onto bright light
    Ornament,     // kaleidoscope ornaments
    Water,        // sunlight under water
    Artwork,      // nine abstract moving pictures
    Grain,        // film grain
};

struct SequenceInfo {
    const char* prefix;  // archive prefix, e.g. "c://videos//fog"
    Footage kind;
    int period;          // frames per loop; 0 for a still
    int origin;          // frame number at loop position 0
    int width, height;   // default pack size in pixels
    float aspect;        // width / height of the picture as its scene shows it on a 16:9 screen
    int variant;         // colouring or style within the kind
};

// Every sequence the frame rules can ask for, including the film grain.
const std::vector<SequenceInfo>& sequenceTable();
const SequenceInfo* findSequence(const std::string& prefix);

// What a generator is asked for.
struct FrameParams {
    cv::Size size;   // output pixels
    float aspect;    // displayed width / height: x spans `aspect` units while y spans 1
    float phase;     // loop position 0..1
    int number;      // frame number
    int variant;
    float scale;     // output height / 540, for sizes given in default-pack pixels
};

// Size of a sequence's frames in a pack whose frame height is `height` (540 default).
cv::Size frameSize(const SequenceInfo& seq, int packHeight);

// One frame of a sequence, BGR.
cv::Mat3b renderFrame(const SequenceInfo& seq, int number, int packHeight);

// Frames of sequences whose picture repeats (held frames, shared grain) map onto the
// frame that is actually drawn, so identical pictures are made and stored once.
int canonicalFrame(const SequenceInfo& seq, int number);

// The generators, one per kind (in the footage_*.cpp family files).
cv::Mat3b renderCtHead(const FrameParams& f);
cv::Mat3b renderMriAxial(const FrameParams& f);
cv::Mat3b renderMriSagittal(const FrameParams& f);
cv::Mat3b renderXRay(const FrameParams& f);
cv::Mat3b renderFog(const FrameParams& f);
cv::Mat3b renderSnow(const FrameParams& f);
cv::Mat3b renderFire(const FrameParams& f);
cv::Mat3b renderSmoke(const FrameParams& f);
cv::Mat3b renderRoad(const FrameParams& f);
cv::Mat3b renderMeteors(const FrameParams& f);
cv::Mat3b renderVeins(const FrameParams& f);
cv::Mat3b renderClock(const FrameParams& f);
cv::Mat3b renderTunnel(const FrameParams& f);
cv::Mat3b renderDoor(const FrameParams& f);
cv::Mat3b renderOrnament(const FrameParams& f);
cv::Mat3b renderWater(const FrameParams& f);
cv::Mat3b renderArtwork(const FrameParams& f);
cv::Mat3b renderGrain(const FrameParams& f);

}  // namespace vdata
