// The view volume as six planes in the space of the vertices being drawn, so a draw can skip
// geometry that cannot reach a pixel before the driver transforms, clips and bins it. No GL
// here: the caller passes the matrices it draws with.
#pragma once

struct ViewVolume {
    float planes[6][4] = {};  // a x + b y + c z + d >= 0 inside; (a, b, c) of unit length
    bool usable = false;      // false for a degenerate matrix: nothing is then outside
};

// From column-major 4 x 4 projection and modelview matrices, as glGetFloatv returns them.
ViewVolume viewVolume(const float projection[16], const float modelview[16]);

// True only when the whole sphere lies outside one plane: whatever it holds draws nothing.
// A NaN anywhere counts as inside.
bool sphereOutside(const ViewVolume& volume, float x, float y, float z, float radius);
