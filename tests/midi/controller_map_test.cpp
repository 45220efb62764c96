// Controller maps: the text a performer edits, refused lines, and what each kind of
// binding makes of a message, with the built-in map exactly as the show has always read
// the nanoKONTROL2.
#include <gtest/gtest.h>

#include "midi/controller_learn.h"
#include "midi/controller_map.h"
#include "midi/nano_kontrol2.h"
#include "platform/midi_port.h"

namespace {

void send(NanoKONTROL2& c, uint8_t status, uint8_t data1, uint8_t data2) {
    MidiIn::midi_in_callback(nullptr, platform::MIM_DATA, reinterpret_cast<uintptr_t>(&c),
                             status | data1 << 8 | data2 << 16, 0);
}

ControllerMap parsed(const std::string& text) {
    ControllerMap map;
    std::string error;
    EXPECT_TRUE(parseControllerMap(text, map, error)) << error;
    return map;
}

std::string refusal(const std::string& text) {
    ControllerMap map;
    std::string error;
    EXPECT_FALSE(parseControllerMap(text, map, error)) << text;
    return error;
}

}  // namespace

TEST(ControllerMap, ReadsEveryFormAndWritesItBackTheSame) {
    const ControllerMap map = parsed(
        "# my controller\n"
        "speed = cc 23          # playback speed\n"
        "  k0 = cc 16 ch 1\n"
        "cue.store = note 36 ch 10\n"
        "k5 = pitchbend ch 3\n"
        "run = note 40 toggle\r\n"
        "k1 = cc 70 relative\n"
        "\n"
        "k2 = any 18\n"
        "* = any\n");
    ASSERT_EQ(map.bindings.size(), 7u);
    EXPECT_EQ(map.bindings[1].slot, 16);
    EXPECT_EQ(map.bindings[1].channel, 1);
    EXPECT_EQ(map.bindings[2].source, BindingSource::Note);
    EXPECT_TRUE(map.bindings[4].toggle);
    EXPECT_TRUE(map.bindings[5].relative);
    EXPECT_TRUE(map.passThrough);
    const ControllerMap again = parsed(formatControllerMap(map));
    EXPECT_EQ(formatControllerMap(again), formatControllerMap(map));
    // What --controls prints reads back as the built-in map.
    EXPECT_EQ(formatControllerMap(parsed(builtInControllerMapText())), formatControllerMap(builtInControllerMap()));
}

TEST(ControllerMap, RefusesABadLineWithItsNumber) {
    EXPECT_EQ(refusal("speed = cc 23\nspeeed = cc 24\n").substr(0, 31), "line 2: no control is named \"sp");
    EXPECT_EQ(refusal("k0 cc 16"), "line 1: expected NAME = SOURCE, e.g. \"k0 = cc 16\"");
    EXPECT_EQ(refusal("\n\nk0 = cc 128"), "line 3: \"cc\" needs a number 0 to 127");
    EXPECT_EQ(refusal("k0 = cc 16 ch 17"), "line 1: \"ch\" needs a channel 1 to 16");
    EXPECT_EQ(refusal("k0 = cc 16 ch"), "line 1: \"ch\" needs a channel 1 to 16");
    EXPECT_EQ(refusal("k0 = knob 3"), "line 1: expected cc N, note N, pitchbend or any N after \"=\"");
    EXPECT_EQ(refusal("k0 = note 3 relative"), "line 1: only a \"cc\" can be relative");
    EXPECT_EQ(refusal("k0 = cc 3 sideways").substr(0, 29), "line 1: unexpected \"sideways\"");
    EXPECT_EQ(refusal("* = cc 3"), "line 1: \"*\" takes only \"any\": \"* = any\"");
    EXPECT_EQ(refusal("k0 = cc -1"), "line 1: \"cc\" needs a number 0 to 127");
}

// Every status with every first data byte, through the built-in map and through the way
// the nanoKONTROL2 has always been read: the same values and latches.
TEST(ControllerMap, BuiltInMapReadsTheNanoKontrol2AsBefore) {
    MyNanoKONTROL2 mapped;
    float values[NanoKONTROL2::kControls] = {};
    int latches[NanoKONTROL2::kControls] = {};
    for (int status : {0x80, 0x90, 0xB0, 0xC3, 0xE0, 0xF8}) {
        for (int number = 0; number < 128; ++number) {
            for (int value : {127, 0, 64}) {
                send(mapped, static_cast<uint8_t>(status), static_cast<uint8_t>(number), static_cast<uint8_t>(value));
                if (number >= NanoKONTROL2::kControls) continue;
                values[number] = static_cast<float>(value + 0.0001);
                int& latch = latches[number];
                latch = latch == 0 && values[number] > 0.1 ? 1 : latch == 1 && values[number] < 0.1 ? 2
                        : latch == 2 && values[number] > 0.1 ? 0 : latch;
            }
        }
    }
    for (int i = 0; i < NanoKONTROL2::kControls; ++i) {
        EXPECT_EQ(mapped.value(i), values[i]) << i;
        EXPECT_EQ(mapped.toggle(i), latches[i]) << i;
    }
}

TEST(ControllerMap, EachBindingTakesOnlyItsMessages) {
    MyNanoKONTROL2 c;
    c.set_map(parsed("k0 = cc 16 ch 2\ncue.store = note 36\nk5 = pitchbend ch 3\nspeed = cc 10 relative\n"
                     "run = note 40 toggle\n"));
    send(c, 0xB0, 16, 99);  // channel 1: not k0's
    send(c, 0x90, 16, 99);  // a note 16: not k0's either
    EXPECT_EQ(c.value(16), 0.0f);
    send(c, 0xB1, 16, 99);
    EXPECT_FLOAT_EQ(c.value(16), 99.0001f);
    send(c, 0x99, 36, 100);  // note on, any channel
    EXPECT_FLOAT_EQ(c.value(45), 100.0001f);
    send(c, 0x89, 36, 64);  // note off
    EXPECT_FLOAT_EQ(c.value(45), 0.0001f);
    send(c, 0x92, 36, 0);  // note on with velocity 0 is a release too
    EXPECT_FLOAT_EQ(c.value(45), 0.0001f);
    send(c, 0xE2, 0x7F, 0x7F);  // the highest bend
    EXPECT_FLOAT_EQ(c.value(21), 127.0001f);
    send(c, 0xE2, 0x00, 0x40);  // the middle, 14 bits
    EXPECT_NEAR(c.value(21), 63.5, 0.01);
    for (int i = 0; i < 3; ++i) send(c, 0xB0, 10, 5);  // three steps up
    send(c, 0xB0, 10, 126);                          // two down
    EXPECT_FLOAT_EQ(c.value(23), 13.0001f);
    for (int i = 0; i < 40; ++i) send(c, 0xB0, 10, 65);  // far down: held at 0
    EXPECT_FLOAT_EQ(c.value(23), 0.0001f);
    // A button that latches by itself: each message is a whole press, so one press stops
    // the clock and the next starts it, as the nanoKONTROL2's momentary button does.
    send(c, 0x90, 40, 127);
    EXPECT_NE(c.toggle(44), 0);
    send(c, 0x90, 40, 0);
    EXPECT_EQ(c.toggle(44), 0);
    send(c, 0xB0, 50, 127);  // bound to nothing, and no "* = any"
    EXPECT_EQ(c.value(50), 0.0f);
}

// A knob sends many messages and a key its release: only the first of a source binds, and
// the map the walk writes reads back as the bindings it made.
TEST(ControllerLearn, BindsEachNewSourceOnceAndWritesAMapThatReadsBack) {
    ControllerLearn learn;
    EXPECT_NE(learnPrompt(learn).find("speed"), std::string::npos);
    EXPECT_TRUE(learnFrom(learn, 0xB2 | 23 << 8 | 5 << 16));    // speed = cc 23 ch 3
    EXPECT_FALSE(learnFrom(learn, 0xB2 | 23 << 8 | 9 << 16));   // the same knob, turned on
    EXPECT_TRUE(learnFrom(learn, 0x99 | 36 << 8 | 100 << 16));  // run = note 36 ch 10
    EXPECT_FALSE(learnFrom(learn, 0x89 | 36 << 8));             // its release
    skipControl(learn);                                         // step.back passed over
    EXPECT_TRUE(learnFrom(learn, 0xE0 | 0x40 << 16));           // step.forward = pitchbend ch 1
    EXPECT_TRUE(learnFrom(learn, 0xA0 | 7 << 8));               // aftertouch: cue.store = any 7
    const ControllerMap map = parsed(learnedMapText(learn));
    ASSERT_EQ(map.bindings.size(), 4u);
    EXPECT_EQ(formatControllerMap(map), formatControllerMap(learn.map));
    EXPECT_EQ(map.bindings[0].control, "speed");
    EXPECT_EQ(map.bindings[0].channel, 3);
    EXPECT_EQ(map.bindings[2].control, "step.forward");
    EXPECT_EQ(map.bindings[2].source, BindingSource::PitchBend);
    EXPECT_EQ(map.bindings[3].source, BindingSource::AnyStatus);
    while (!learn.done()) skipControl(learn);
    EXPECT_FALSE(learnFrom(learn, 0xB0 | 1 << 8));
}
