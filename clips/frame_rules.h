// Which frames of which image sequences each scene shows at an edit position: the
// per-scene frame rules, as pure functions so they can be tested and enumerated
// (the data generator packs exactly the frames these rules ask for).
#pragma once
#include <string>

// Texture slots of the clip sequencer that frame requests fill.
enum FrameSlot { kSlotVideo = 0, kSlotVideo2 = 1, kSlotNoise = 4 };

struct FrameRequest {
    const char* prefix = "";  // sequence prefix, e.g. "c://videos//fog"
    int number = 0;           // frame number (may be negative: then it names no entry)
    int slot = kSlotVideo;    // the slot it fills when loaded
    bool load = true;         // false: the name is requested (the end test runs) but nothing is loaded
};

struct SceneFrames {
    FrameRequest requests[4];  // in request order: main, second, grain, extra names
    int size = 0;
    bool setsCount = false;    // the fire scene also stores its frame counter
    int count = 0;
};

// The scene that owns an edit position: its range start (0, 10, ... 500), or -1 outside
// every range.
int sceneForPosition(float x);

// The frames the scene requests at edit position x; endClock is the part clock of the frame.
SceneFrames sceneFrameRequests(int scene, float x, float endClock);

// prefix + the number as "%05d" + "_n.jpg": ("c://videos//fog", 7) -> "c://videos//fog00007_n.jpg".
std::string formatFrameName(const std::string& prefix, int number);

// Every scene's range start, in order.
extern const int kSceneStarts[25];
