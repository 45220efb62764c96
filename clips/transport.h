// The live transport: how the part clock advances each frame, steered by the tempo, the
// speed knob and the nanoKONTROL2's transport buttons, and the A key.
#pragma once
#include <cstdint>

class NanoKONTROL2;

struct TransportInputs {
    float dt = 0.0f;           // frame duration, seconds
    float tempo = 120.0f;
    float speedKnob = -1.0f;   // knob 7 mapped to -1..1; -1 while it has never moved
    int32_t count = 0;         // frames rendered (BACK adds 0, 0.1 or 0.2 s by it)
    bool keyA = false;
    NanoKONTROL2* controller = nullptr;  // null: no controller at all
    void (*wait)(int milliseconds) = nullptr;  // the TRACK buttons' 20 ms waits
};

// The part clock after this frame's advance and controls.
float advancePartClock(float t, const TransportInputs& in);
