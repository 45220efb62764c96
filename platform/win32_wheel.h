// Whole mouse-wheel notches from Windows' wheel messages. A notch is WHEEL_DELTA (120);
// precision touchpads and free-spinning wheels send fractions of one, which add up.
#pragma once

namespace platform {

struct WheelNotches {
    int remainder = 0;  // what the deltas so far hold beyond whole notches, signed

    // The whole notches this delta completes (positive away from the user). A turn the other
    // way drops what was left of the last direction, so that it answers at once.
    int add(int delta) {
        if ((delta > 0 && remainder < 0) || (delta < 0 && remainder > 0)) remainder = 0;
        remainder += delta;
        const int notches = remainder / 120;
        remainder -= notches * 120;
        return notches;
    }
};

}  // namespace platform
