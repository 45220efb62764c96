#include <gtest/gtest.h>

#include "platform/win32_keys.h"
#include "platform/win32_wheel.h"

using platform::sdl_key_for;

// The console's KEY lines and take files hold SDL's numbers on every system.
TEST(Win32Keys, KeysTheShowReadsGetSdlNumbers) {
    EXPECT_EQ(sdl_key_for('A', 0x1E, false).scancode, 4);  // A sets the part clock
    EXPECT_EQ(sdl_key_for('A', 0x1E, false).sym, 'a');
    EXPECT_EQ(sdl_key_for(0x1B, 0x01, false).scancode, 41);  // Escape
    EXPECT_EQ(sdl_key_for(0x1B, 0x01, false).sym, 27);
    EXPECT_EQ(sdl_key_for(0x20, 0x39, false).scancode, 44);  // Space rebuilds the shaders
    EXPECT_EQ(sdl_key_for('0', 0x0B, false).scancode, 39);
    EXPECT_EQ(sdl_key_for(0x70, 0x3B, false).scancode, 58);  // F1
    EXPECT_EQ(sdl_key_for(0x26, 0x48, true).sym, 82 | (1 << 30));  // Up
}

TEST(Win32Keys, ModifierSidesAreToldApartAndUnknownKeysAreZero) {
    EXPECT_EQ(sdl_key_for(0x10, 0x2A, false).scancode, 225);  // left Shift
    EXPECT_EQ(sdl_key_for(0x10, 0x36, false).scancode, 229);  // right Shift
    EXPECT_EQ(sdl_key_for(0x11, 0x1D, true).scancode, 228);   // right Ctrl
    EXPECT_EQ(sdl_key_for(0x0D, 0x1C, true).scancode, 88);    // keypad Enter
    EXPECT_EQ(sdl_key_for(0xFF, 0, false).scancode, 0);
    EXPECT_EQ(sdl_key_for(0xFF, 0, false).sym, 0);
}

// SDL's scancode is the key's place: on AZERTY the key labelled A sits where QWERTY has Q.
TEST(Win32Keys, ScancodesFollowThePlaceAndSymbolsTheLabel) {
    const platform::SdlKey azertyA = sdl_key_for('A', 0x10, false);
    EXPECT_EQ(azertyA.scancode, 20);  // SDL_SCANCODE_Q
    EXPECT_EQ(azertyA.sym, 'a');
    EXPECT_EQ(sdl_key_for(0x25, 0x4B, true).scancode, 80);  // Left keeps its own: the scan code is keypad 4's
}

// Every wheel message counted as a notch: a precision touchpad's fractions zoomed many
// times faster on Windows than the same gesture on Linux.
TEST(Win32Wheel, FractionsOfANotchAddUpToWholeNotches) {
    platform::WheelNotches wheel;
    EXPECT_EQ(wheel.add(40), 0);
    EXPECT_EQ(wheel.add(40), 0);
    EXPECT_EQ(wheel.add(40), 1);
    EXPECT_EQ(wheel.add(100), 0);
    EXPECT_EQ(wheel.add(380), 4);  // a fast spin: 480 in all
    EXPECT_EQ(wheel.remainder, 0);
    EXPECT_EQ(wheel.add(-120), -1);
    EXPECT_EQ(wheel.add(-360), -3);
}

TEST(Win32Wheel, ATurnTheOtherWayDropsTheOldRemainder) {
    platform::WheelNotches wheel;
    EXPECT_EQ(wheel.add(100), 0);
    EXPECT_EQ(wheel.add(-120), -1);  // not 100 - 120 = -20, no notch
    EXPECT_EQ(wheel.add(-60), 0);
    EXPECT_EQ(wheel.add(30), 0);
    EXPECT_EQ(wheel.remainder, 30);
}
