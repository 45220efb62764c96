// The head phantom behind the scan footage.
#include "tools/velmora_data/head_phantom.h"

#include <cmath>

#include "tools/velmora_data/procedural.h"

namespace vdata {

namespace {

// Normalised squared distance to an ellipsoid's centre: below 1 inside.
inline float ell(float x, float y, float z, float cx, float cy, float cz, float rx, float ry, float rz) {
    const float dx = (x - cx) / rx, dy = (y - cy) / ry, dz = (z - cz) / rz;
    return dx * dx + dy * dy + dz * dz;
}

// The cranium, and the layers inside it as shrunken copies (scalp, skull, brain).
struct Cranium {
    float cx = 0, cy = 0.05f, cz = 0.12f, rx = 0.74f, ry = 0.92f, rz = 0.86f;
    float at(float x, float y, float z, float inset) const {
        return ell(x, y, z, cx, cy, cz, rx - inset, ry - inset, rz - inset);
    }
};
const Cranium kCranium;

bool insideOuter(float x, float y, float z) {
    if (kCranium.at(x, y, z, 0) < 1) return true;
    if (z < 0.1f && ell(x, y, z, 0, -0.12f, -0.42f, 0.62f, 0.8f, 0.55f) < 1) return true;  // face and jaw
    if (ell(x, y, z, 0, -0.93f, -0.45f, 0.09f, 0.12f, 0.18f) < 1) return true;             // nose
    if (z < -0.55f) {                                                                       // neck
        const float dx = x / 0.42f, dy = (y - 0.12f) / 0.45f;
        if (dx * dx + dy * dy < 1) return true;
    }
    return false;
}

// The skull base: the floor of the brain case, higher at the front than at the back.
float skullBase(float y) { return -0.45f - 0.2f * y; }

// Pushing a point away from the head's centre tells how deep under the skin it lies
// (in all three directions, so the crown has its scalp too).
bool underSkin(float x, float y, float z, float k) {
    return insideOuter(x * k, (y - 0.05f) * k + 0.05f, (z - 0.1f) * k + 0.1f);
}

Tissue cerebrum(float x, float y, float z, float depth) {
    // Midline fissure between the hemispheres, above the bridge that joins them.
    // Kept thin: the sagittal sweep passes within a few thousandths of the midline.
    if (z > 0.3f && std::fabs(x) < 0.002f + 0.004f * (z - 0.3f)) return Tissue::Csf;
    if (ell(x, y, z, 0, 0.0f, 0.2f, 0.09f, 0.42f, 0.07f) < 1) return Tissue::White;  // the bridge
    // Lateral ventricles: two curved lobes either side of the midline.
    const float bend = 0.08f * (y + 0.05f) * (y + 0.05f);
    if (ell(std::fabs(x), y, z - bend, 0.11f, -0.02f, 0.08f, 0.065f, 0.34f, 0.1f) < 1) return Tissue::Csf;
    if (std::fabs(x) < 0.016f && ell(x, y, z, 0, 0.05f, -0.06f, 0.03f, 0.16f, 0.12f) < 1) return Tissue::Csf;
    // Deep grey nuclei.
    if (ell(std::fabs(x), y, z, 0.2f, 0.0f, -0.05f, 0.08f, 0.15f, 0.1f) < 1) return Tissue::Grey;
    // Folded cortex: sulci are the thin level sets of one noise, lined with grey matter;
    // the grey ribbon's thickness wanders with another noise.
    const float fold = valueNoise3(x * 8.5f, y * 8.5f, z * 8.5f, 17);
    const float near = std::fabs(fold - 0.5f);
    if (depth < 0.3f && near < 0.022f) return Tissue::Csf;
    const float ribbon = 0.09f + 0.06f * (valueNoise3(x * 9, y * 9, z * 9, 29) - 0.5f);
    if (depth < ribbon || (depth < 0.34f && near < 0.07f)) return Tissue::Grey;
    return Tissue::White;
}

}  // namespace

float valueNoise3(float x, float y, float z, unsigned seed) {
    const float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy), iz = static_cast<int>(fz);
    float tx = x - fx, ty = y - fy, tz = z - fz;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    tz = tz * tz * (3 - 2 * tz);
    auto v = [&](int i, int j, int k) {
        return unitFromHash(hash32(static_cast<uint32_t>(ix + i) * 73856093u ^ seed,
                                   static_cast<uint32_t>(iy + j) * 19349663u,
                                   static_cast<uint32_t>(iz + k) * 83492791u));
    };
    auto lerp = [](float a, float b, float t) { return a + (b - a) * t; };
    const float x00 = lerp(v(0, 0, 0), v(1, 0, 0), tx), x10 = lerp(v(0, 1, 0), v(1, 1, 0), tx);
    const float x01 = lerp(v(0, 0, 1), v(1, 0, 1), tx), x11 = lerp(v(0, 1, 1), v(1, 1, 1), tx);
    return lerp(lerp(x00, x10, ty), lerp(x01, x11, ty), tz);
}

Tissue headTissue(float x, float y, float z) {
    if (!insideOuter(x, y, z)) return Tissue::Air;
    if (!underSkin(x, y, z, 1.03f)) return Tissue::Skin;
    if (!underSkin(x, y, z, 1.075f)) return Tissue::Fat;

    // Eyes with their lenses, in orbits of fat walled by bone.
    for (float side : {-0.29f, 0.29f}) {
        if (ell(x, y, z, side, -0.76f, -0.22f, 0.05f, 0.02f, 0.05f) < 1) return Tissue::Lens;
        if (ell(x, y, z, side, -0.66f, -0.22f, 0.11f, 0.11f, 0.11f) < 1) return Tissue::Fluid;
        const float orbit = ell(x, y, z, side, -0.62f, -0.22f, 0.18f, 0.21f, 0.16f);
        if (orbit < 1) return Tissue::Fat;
        if (orbit < 1.2f) return Tissue::Bone;
    }

    const float base = skullBase(y);
    const float cranium = kCranium.at(x, y, z, 0);
    if (cranium < 1 && z > base - 0.012f) {
        // Skull: two tables of compact bone around the marrow.
        if (kCranium.at(x, y, z, 0.072f) > 1) return Tissue::Bone;
        if (kCranium.at(x, y, z, 0.11f) > 1) return Tissue::Marrow;
        if (kCranium.at(x, y, z, 0.122f) > 1) return Tissue::Bone;
        const float brain = kCranium.at(x, y, z, 0.14f);
        const bool stem = ell(x, y, 0, 0, 0.18f, 0, 0.13f, 0.13f, 1) < 1;
        if (z < base + 0.012f && !stem) return Tissue::Bone;  // a thin floor, seen edge-on in most slices
        if (brain > 1 || z < base + 0.05f) return Tissue::Csf;
        // Cerebellum at the back, under a sheet of fluid, with its fine leaves.
        const float cb = ell(x, y, z, 0, 0.42f, -0.4f, 0.52f, 0.34f, 0.22f);
        if (cb < 1) {
            const float leaf = 0.5f + 0.5f * std::sin(z * 90.0f + 6 * valueNoise3(x * 6, y * 6, z * 6, 41));
            return leaf > 0.82f ? Tissue::Csf : (cb < 0.3f ? Tissue::White : Tissue::Grey);
        }
        if (cb < 1.12f) return Tissue::Csf;
        if (stem && z < -0.05f) return Tissue::White;
        return cerebrum(x, y, z, 1.0f - std::sqrt(brain));
    }

    // Air spaces of the face.
    if (ell(x, y, z, 0, -0.65f, -0.5f, 0.08f, 0.25f, 0.22f) < 1) return Tissue::Air;
    for (float side : {-0.24f, 0.24f}) {
        const float m = ell(x, y, z, side, -0.55f, -0.55f, 0.14f, 0.16f, 0.14f);
        if (m < 1) return Tissue::Air;
        if (m < 1.2f) return Tissue::Bone;
    }
    // Lower jaw: a horseshoe of bone.
    if (z > -0.92f && z < -0.58f && y < -0.12f) {
        const float jx = x / 0.48f, jy = (y + 0.3f) / 0.55f;
        const float j = jx * jx + jy * jy;
        if (j > 0.8f && j < 1.0f) return j > 0.86f && j < 0.94f ? Tissue::Marrow : Tissue::Bone;
    }
    // Airway, spinal cord and the stacked vertebrae of the neck.
    {
        const float ax = x / 0.06f, ay = (y + 0.15f) / 0.06f;
        if (z < -0.45f && ax * ax + ay * ay < 1) return Tissue::Air;
        const float cx = x / 0.05f, cy = (y - 0.24f) / 0.05f;
        const float cord = cx * cx + cy * cy;
        if (cord < 1) return Tissue::White;
        if (cord < 2) return Tissue::Csf;
        if (z < base) {
            if (cord < 3.4f) return Tissue::Bone;
            const float bx = x / 0.12f, by = (y - 0.04f) / 0.1f;
            const float body = bx * bx + by * by;
            if (body < 1) {
                const float level = z * 7.0f - std::floor(z * 7.0f);
                if (level < 0.18f) return Tissue::Grey;  // disc
                return body < 0.7f ? Tissue::Marrow : Tissue::Bone;
            }
        }
    }
    // Muscle, with fat between the muscle bellies.
    if (std::fabs(valueNoise3(x * 7, y * 7, z * 3, 53) - 0.5f) < 0.025f) return Tissue::Fat;
    return Tissue::Muscle;
}

float mriT1(Tissue t) {
    switch (t) {
    case Tissue::Air: return 0.02f;
    case Tissue::Skin: return 0.5f;
    case Tissue::Fat: return 0.92f;
    case Tissue::Bone: return 0.05f;
    case Tissue::Marrow: return 0.72f;
    case Tissue::Csf: return 0.1f;
    case Tissue::Grey: return 0.44f;
    case Tissue::White: return 0.66f;
    case Tissue::Fluid: return 0.12f;
    case Tissue::Lens: return 0.55f;
    case Tissue::Muscle: return 0.36f;
    }
    return 0;
}

float ctBrain(Tissue t) {
    switch (t) {
    case Tissue::Air: return 0.0f;
    case Tissue::Skin: return 0.5f;
    case Tissue::Fat: return 0.18f;
    case Tissue::Bone: return 1.0f;
    case Tissue::Marrow: return 0.9f;
    case Tissue::Csf: return 0.28f;
    case Tissue::Grey: return 0.52f;
    case Tissue::White: return 0.45f;
    case Tissue::Fluid: return 0.3f;
    case Tissue::Lens: return 0.62f;
    case Tissue::Muscle: return 0.48f;
    }
    return 0;
}

}  // namespace vdata
