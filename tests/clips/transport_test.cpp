#include <gtest/gtest.h>

#include "clips/transport.h"
#include "midi/nano_kontrol2.h"

namespace {

int g_waited = 0;
void countWait(int ms) { g_waited += ms; }

TransportInputs frame(NanoKONTROL2* nano, float dt = 0.02f) {
    TransportInputs in;
    in.dt = dt;
    in.controller = nano;
    in.wait = countWait;
    return in;
}

}  // namespace

TEST(Transport, UntouchedControllerRunsInRealTime) {
    MyNanoKONTROL2 nano;
    EXPECT_FLOAT_EQ(advancePartClock(10.0f, frame(&nano)), 10.02f);
    EXPECT_FLOAT_EQ(advancePartClock(10.0f, frame(nullptr)), 10.02f);
}

TEST(Transport, SpeedKnobFullyUpRunsSevenTimesFaster) {
    TransportInputs in = frame(nullptr, 0.01f);
    in.speedKnob = 1.0f;
    EXPECT_NEAR(advancePartClock(0.0f, in), 0.07f, 1e-6);
    in.tempo = 60.0f;
    EXPECT_NEAR(advancePartClock(0.0f, in), 0.035f, 1e-6);
}

TEST(Transport, ForwardLatchStopsTheClock) {
    MyNanoKONTROL2 nano;
    const uint32_t press = 0xB0 | NANO_KONTROL2_BUTTON_FOWARD << 8 | 127 << 16;
    MidiIn::midi_in_callback(nullptr, platform::MIM_DATA, reinterpret_cast<uintptr_t>(&nano), press, 0);
    EXPECT_EQ(advancePartClock(5.0f, frame(&nano)), 5.0f);
}

TEST(Transport, TrackButtonsStepTwoMillisecondsAndWait) {
    MyNanoKONTROL2 nano;
    nano.set_value(NANO_KONTROL2_BUTTON_TRACK_FOWARD, 127.0001f);
    g_waited = 0;
    EXPECT_NEAR(advancePartClock(5.0f, frame(&nano, 0.0f)), 5.002f, 1e-6);
    EXPECT_EQ(g_waited, 20);
    nano.set_value(NANO_KONTROL2_BUTTON_TRACK_BACK, 127.0001f);
    g_waited = 0;
    EXPECT_NEAR(advancePartClock(5.0f, frame(&nano, 0.0f)), 5.0f, 1e-6);
    EXPECT_EQ(g_waited, 40);
}

TEST(Transport, RecStoresTheCueAndBackReturnsToIt) {
    MyNanoKONTROL2 nano;
    nano.set_value(NANO_KONTROL2_BUTTON_REC, 127.0001f);
    const float t = advancePartClock(48.0f, frame(&nano, 0.0f));
    EXPECT_FLOAT_EQ(nano.value(NANO_KONTROL2_ROTARY_KNOB_6), t / 2.4f);
    nano.set_value(NANO_KONTROL2_BUTTON_REC, 0.0001f);
    nano.set_value(NANO_KONTROL2_BUTTON_BACK, 127.0001f);
    TransportInputs in = frame(&nano, 0.0f);
    for (int count : {0, 1, 2, 3}) {
        in.count = count;
        EXPECT_NEAR(advancePartClock(100.0f, in), 48.0f + (count % 3) * 0.1f, 1e-4) << count;
    }
}

TEST(Transport, KeyAHoldsTheClockAtMinusOneHundred) {
    TransportInputs in = frame(nullptr);
    in.keyA = true;
    EXPECT_EQ(advancePartClock(123.0f, in), -100.0f);
}
