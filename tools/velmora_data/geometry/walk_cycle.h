// The figure's walk: one looping cycle of motion frames, posed by placing the feet on
// the ground and solving the legs, and its BVH text.
#pragma once
#include <string>
#include <vector>

#include "mesh.h"

namespace velmora_data {

// One stride, left heel strike to left heel strike, in 12 frames: 1.33 s at the nine
// motion frames per second of the fog scene, a slow walk of 90 steps a minute.
constexpr int kWalkFrames = 12;

// Channel values of frame f (0-based, any integer; the cycle repeats) in file order:
// the root's Xposition Yposition Zposition, then Zrotation Xrotation Yrotation of every
// joint (degrees), the root's included.
std::vector<double> walkFrame(int f);

// World placements of every joint (same order as figureJoints()) for channel values,
// composed as the BVH reader does: parent * offset * position * Rz * Rx * Ry.
std::vector<Affine> figurePose(const std::vector<double>& channels);

// The motion file: the hierarchy, then one cycle of frames at 1/9 s.
std::string walkBvhText();

}  // namespace velmora_data
