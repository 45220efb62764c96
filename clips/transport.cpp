#include "clips/transport.h"

#include "midi/nano_kontrol2.h"

float advancePartClock(float t, const TransportInputs& in) {
    NanoKONTROL2* nano = in.controller;
    // The FOWARD latch stops the clock; without a controller it never does.
    if (!nano || nano->toggle(NANO_KONTROL2_BUTTON_FOWARD) == 0) {
        const float step = in.tempo / 120.0f * in.dt;  // single precision, as the clock always was
        const double factor = (static_cast<double>(in.speedKnob) + 1.0) * 3.0 + 1.0;
        t = static_cast<float>(t + step * factor);
    }
    if (nano) {
        if (nano->value(NANO_KONTROL2_BUTTON_TRACK_FOWARD) > 1.0f) {
            if (in.wait) in.wait(20);
            t = static_cast<float>(t + 0.002);
        }
        if (nano->value(NANO_KONTROL2_BUTTON_TRACK_BACK) > 1.0f) {
            if (in.wait) in.wait(20);
            t = static_cast<float>(t - 0.002);
        }
        if (nano->value(NANO_KONTROL2_BUTTON_BACK) > 1.0f)
            t = static_cast<float>(static_cast<double>(nano->value(NANO_KONTROL2_ROTARY_KNOB_6)) *
                                       static_cast<double>(2.4f) +
                                   (in.count % 3) * 0.1);
        // REC stores the clock in knob 6's slot, the cue that BACK returns to.
        if (nano->value(NANO_KONTROL2_BUTTON_REC) > 1.0f) nano->set_value(NANO_KONTROL2_ROTARY_KNOB_6, t / 2.4f);
    }
    if (in.keyA) t = -100.0f;
    return t;
}
