// The frame rules of the 25 scenes. Arithmetic follows the show's own: x is a float,
// constants with a fraction promote the expression to double, int() truncates toward
// zero and % keeps the sign of the dividend.
#include "clips/frame_rules.h"

#include <cstdio>

const int kSceneStarts[25] = {0,   10,  20,  30,  40,  50,  60,  70,  80,  90,  100, 110, 120,
                              130, 150, 160, 170, 180, 190, 220, 280, 300, 330, 380, 500};

int sceneForPosition(float x) {
    if (!(x >= 0.0f) || x >= 510.0f) return -1;
    int scene = -1;
    for (int start : kSceneStarts)
        if (x >= static_cast<float>(start)) scene = start;
    return scene;
}

std::string formatFrameName(const std::string& prefix, int number) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%05d", number);
    return prefix + digits + "_n.jpg";
}

namespace {

void add(SceneFrames& f, const char* prefix, int number, int slot = kSlotVideo, bool load = true) {
    FrameRequest& r = f.requests[f.size++];
    r.prefix = prefix;
    r.number = number;
    r.slot = slot;
    r.load = load;
}

void grain(SceneFrames& f, int g) { add(f, "c://videos//outputN", g % 10000 + 1, kSlotNoise); }

const char* const kFog = "c://videos//fog";
const char* const kXray = "c://videos//xray";
const char* const kOutput0 = "c://videos//output0";
const char* const kOutput2 = "c://videos//output2";
const char* const kOutputMRI = "c://videos//outputMRI";
const char* const kOutputV = "c://videos//3//outputV";
const char* const kDicom = "c://dicom//img-0002-";

// The fog clips share their grain rule.
int fogGrain(float x) { return x < 53 ? int((x - 50) * 25 + 71) : int(x * 25 + 5856); }

struct Vark {
    int low;
    const char* prefix;
    int modulus;
};
const Vark kVarks[] = {{380, "c://videos//vark1", 249}, {390, "c://videos//vark2", 249},
                       {400, "c://videos//vark3", 199}, {410, "c://videos//vark4", 249},
                       {420, "c://videos//vark5", 249}, {430, "c://videos//vark6", 249},
                       {440, "c://videos//vark7", 249}, {450, "c://videos//vark8", 314},
                       {460, "c://videos//vark9", 249}};

}  // namespace

SceneFrames sceneFrameRequests(int scene, float x, float endClock) {
    SceneFrames f;
    switch (scene) {
    case 0: {
        add(f, kDicom, int(x * 7) % 25 + 1);
        int g = x > 7 ? int(x * 25 - 165) : x > 2 ? int(x * 25 + 354) : int(x * 25 + 3560);
        if (x < 2 && int(x * 12) % 4 == 0) g = 12;
        grain(f, g);
        break;
    }
    case 10:
        add(f, "c://videos//output6", int((x + 2.68) * 25) % 300 + 1);
        grain(f, x < 11.5 ? int(x * 25 + 3030) : int(x * 25 + 4135));
        break;
    case 20:
        add(f, kOutput2, int((x + 2.68) * 25) % 300 + 1);
        grain(f, int((x - 10) * 25 + 8350));
        break;
    case 30:
        add(f, kOutputMRI, int(x * 50 + 124) % 219 + 1);
        grain(f, int(x * 25 + 4000));
        break;
    case 40:
        add(f, kXray, 0);
        grain(f, int(x * 25 + 3216));
        break;
    case 50:
        add(f, kFog, 0);
        grain(f, fogGrain(x));
        break;
    case 60:
        add(f, kFog, 0);
        grain(f, int(x * 25) % 130 + 2952);
        break;
    case 70: {
        const int c = int(143.4 - int((x - 70) * 16));
        add(f, "c://videos//fire", c % 80 + 1);
        f.setsCount = true;
        f.count = c;
        grain(f, int(x * 25 + 6992));
        break;
    }
    case 80:
        add(f, "c://videos//road", int((x - 80 + 13.7) * 25) % 1200 + 1);
        grain(f, int((x - 80) * 25 + 5000));
        break;
    case 90:
        if (x > 95)
            add(f, "c://videos//met1", int(x * 25) % 325 + 1);
        else
            add(f, "c://videos//snow", 0);
        grain(f, int((x - 80) * 25 + 5000));
        break;
    case 100:
        add(f, "c://videos//2//outputMRI1", int(x * 10) % 121 + 75);
        grain(f, int((x - 100) * 20 + 5000));
        break;
    case 110:
        add(f, kOutputV, int(x * 20) % 75 + 64);
        grain(f, int((x - 110) * 20 + 5000));
        break;
    case 120:
        add(f, kFog, 0);
        grain(f, fogGrain(x));
        break;
    case 130:
        add(f, kXray, 0, kSlotVideo, false);
        grain(f, int(x * 25 + 3216));
        break;
    case 150:
        add(f, kOutput2, int((x + 6.46) * 25) % 300 + 1);
        grain(f, int(x * 6) % 3 != 0 ? int((x - 10) * 25 + 8350) : 12);
        break;
    case 160:
        add(f, "c://videos//clock", int((170 - x + 6.46) * 12) % 600 + 1);
        grain(f, int((x - 150) * 25 + 8350));
        break;
    case 170:
        add(f, "c://videos//outputDrive", int((x + 6.46) * 24) % 1000 + 1);
        add(f, kOutputV, int(x * 20) % 75 + 64, kSlotVideo2);
        grain(f, int((x - 150) * 25 + 8350));
        break;
    case 180:
    case 190:
        add(f, kOutput0, int(x * 25) % 500 + 1);
        grain(f, int(x * 25 + 696));
        break;
    case 220:
        add(f, "c://videos//outputdoor", x > 230 ? 200 : int(x * 24 + 101.7) % 299 + 1);
        grain(f, int((x - 150) * 25 + 4725));
        break;
    case 280:
        add(f, kOutputMRI, int(x * 24 + 101.7) % 199 + 1);
        grain(f, int((x - 250) * 25 + 6000));
        break;
    case 300:
        add(f, kOutputMRI, int(x * 24 + 101.7) % 199 + 1, kSlotVideo, false);
        grain(f, int((x - 300) * 25 + 6000));
        break;
    case 330:
        if (x >= 340)
            add(f, "d://video2//video", (int(x * 24) % 1200) * 2 + 1);
        else if (int(x) % 2 != 0)
            add(f, "c://videos//orn2", int(x * 24) % 24 + 1);
        else
            add(f, "c://videos//orn1", int(x * 24) % 84 + 1);
        grain(f, 0);
        break;
    case 380: {
        // vark1 with modulus 250 stands when x is on a decade boundary or past 470.
        const char* prefix = "c://videos//vark1";
        int modulus = 250;
        for (const Vark& v : kVarks)
            if (x > v.low && x < v.low + 10) {
                prefix = v.prefix;
                modulus = v.modulus;
            }
        add(f, prefix, int(x * 24) * 2 % modulus + 1);
        add(f, "c://videos//vark1", int(x * 24) * 2 % 249 + 1, kSlotVideo2);
        grain(f, endClock < 240 ? 0 : int((x - 250) * 25 + 6000));
        add(f, kDicom, int(x * 7) % 25 + 1, kSlotVideo, false);
        break;
    }
    case 500:
        add(f, kOutput0, int(x * 25) % 500 + 1);
        grain(f, x > 505 ? int((x - 505) * 25) : int((x - 500) * 25 + 386));
        break;
    default:
        break;
    }
    return f;
}
