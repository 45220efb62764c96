#include <gtest/gtest.h>

#include "midi/nano_kontrol2.h"
#include "platform/midi_port.h"

namespace {

// Deliver a message the way the driver does: through the registered callback.
void deliver(MidiIn& m, uint32_t kind, uint32_t packed = 0) {
    MidiIn::midi_in_callback(nullptr, kind, reinterpret_cast<uintptr_t>(&m), packed, 1234);
}
uint32_t cc(uint8_t number, uint8_t value, uint8_t status = 0xB0) { return status | number << 8 | value << 16; }

}  // namespace

TEST(NanoKontrol, ButtonPressedAndReleasedTwiceCyclesTheLatch) {
    NanoKONTROL2 nano;
    std::vector<int> latches;
    std::vector<float> values;
    testing::internal::CaptureStdout();
    for (uint8_t v : {127, 0, 127, 0}) {
        deliver(nano, platform::MIM_DATA, cc(32, v));
        latches.push_back(nano.toggle(32));
        values.push_back(nano.value(32));
    }
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(latches, (std::vector<int>{1, 2, 0, 0}));
    EXPECT_FLOAT_EQ(values[0], 127.0001f);
    EXPECT_FLOAT_EQ(values[1], 0.0001f);
    EXPECT_FLOAT_EQ(values[2], 127.0001f);
    const std::string press = "NanoKONTROL2::on_press_button() : cc=NANO_KONTROL2_BUTTON_0_S\n";
    const std::string release = "NanoKONTROL2::on_release_button() : cc=NANO_KONTROL2_BUTTON_0_S\n";
    EXPECT_EQ(out, press + release + press + release);
}

TEST(NanoKontrol, ApplicationControllerStoresButPrintsNothing) {
    MyNanoKONTROL2 nano;
    testing::internal::CaptureStdout();
    deliver(nano, platform::MIM_DATA, cc(32, 127));
    deliver(nano, platform::MIM_DATA, cc(3, 64));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(nano.toggle(32), 1);
    EXPECT_FLOAT_EQ(nano.value(3), 64.0001f);
}

TEST(NanoKontrol, FaderChangesNotifyWithoutLineEnd) {
    NanoKONTROL2 nano;
    testing::internal::CaptureStdout();
    deliver(nano, platform::MIM_DATA, cc(3, 64));
    deliver(nano, platform::MIM_DATA, cc(3, 0));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "3 => 643 => 0");
    EXPECT_FLOAT_EQ(nano.value(3), 0.0001f);
    EXPECT_EQ(nano.toggle(3), 2);
}

TEST(NanoKontrol, AnyStatusCountsAsAControlChange) {
    NanoKONTROL2 nano;
    testing::internal::CaptureStdout();
    deliver(nano, platform::MIM_DATA, cc(60, 100, 0x90));  // note-on, key 60, velocity 100
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "NanoKONTROL2::on_press_button() : cc=NANO_KONTROL2_BUTTON_MARKER_SET\n");
    EXPECT_FLOAT_EQ(nano.value(60), 100.0001f);
}

TEST(NanoKontrol, UnnamedNumberPrintsAnEmptyNameAndIsAdded) {
    NanoKONTROL2 nano;
    testing::internal::CaptureStdout();
    deliver(nano, platform::MIM_DATA, cc(40, 1));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "NanoKONTROL2::on_press_button() : cc=\n");
    EXPECT_EQ(NanoKONTROL2::control_names().count(40), 1u);
    EXPECT_EQ(NanoKONTROL2::control_names()[40], "");
}

TEST(NanoKontrol, NumbersBeyondTheTablesAreIgnored) {
    MyNanoKONTROL2 nano;
    for (uint8_t n : {100, 120, 127}) deliver(nano, platform::MIM_DATA, cc(n, 127));
    for (int i = 0; i < NanoKONTROL2::kControls; ++i) {
        EXPECT_EQ(nano.value(i), 0.0f);
        EXPECT_EQ(nano.toggle(i), 0);
    }
}

TEST(NanoKontrol, NonDataNotificationsAreSilentAndChangeNothing) {
    NanoKONTROL2 nano;
    testing::internal::CaptureStdout();
    for (uint32_t kind : {platform::MIM_OPEN, platform::MIM_CLOSE, platform::MIM_ERROR, platform::MIM_LONGDATA, 0x3C8u})
        deliver(nano, kind, cc(5, 100));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(nano.value(5), 0.0f);
}

// While a take is recorded, messages from the driver's thread wait for the main thread.
TEST(NanoKontrol, DeferredMessagesWaitAndArriveInOrder) {
    MyNanoKONTROL2 nano;
    nano.defer_messages(true);
    deliver(nano, platform::MIM_DATA, cc(23, 100));
    deliver(nano, platform::MIM_DATA, cc(23, 7));
    EXPECT_EQ(nano.value(23), 0.0f);
    const std::vector<MidiDriverMessage> taken = nano.deliver_deferred();
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].param1, cc(23, 100));
    EXPECT_EQ(taken[1].param2, 1234u);
    EXPECT_FLOAT_EQ(nano.value(23), 7.0001f);
    EXPECT_TRUE(nano.deliver_deferred().empty());
}

TEST(NanoKontrol, NamesAreFilledOnceWithFiftyOneControls) {
    NanoKONTROL2 a;
    NanoKONTROL2::control_names().erase(40);  // another test may have added the unnamed entry
    EXPECT_EQ(NanoKONTROL2::control_names().size(), 51u);
    EXPECT_EQ(NanoKONTROL2::control_names()[44], "NANO_KONTROL2_BUTTON_FOWARD");
    EXPECT_EQ(NanoKONTROL2::control_names()[23], "NANO_KONTROL2_ROTARY_KNOB_7");
    EXPECT_EQ(NanoKONTROL2::control_names()[71], "NANO_KONTROL2_BUTTON_7_R");
    NanoKONTROL2 b;
    EXPECT_EQ(NanoKONTROL2::control_names().size(), 51u);
    EXPECT_EQ(b.value(0), 0.0f);
}

TEST(MidiInBase, LogsNotificationsAndUnpacksShortMessages) {
    MidiIn m;
    testing::internal::CaptureStdout();
    deliver(m, platform::MIM_OPEN);
    deliver(m, platform::MIM_CLOSE);
    deliver(m, 0x3C7);
    deliver(m, 0x3CD);
    deliver(m, platform::MIM_MOREDATA);
    deliver(m, platform::MIM_DATA, 0xF8);  // a timing clock: one byte, the rest zero
    deliver(m, platform::MIM_DATA, 0x7F1DB0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "wMsg=MIM_OPEN\nwMsg=MIM_CLOSE\nwMsg = unknown\nwMsg = unknown\nwMsg=MIM_MOREDATA\n"
              "MidiIn::on_message() : ch_msg=f8, data1=00, data2=00, data3=00\n"
              "MidiIn::on_message() : ch_msg=b0, data1=1d, data2=7f, data3=00\n");
}

TEST(MidiInBase, WithoutADeviceStartFailsWithTheDriversText) {
    // These machines have no MIDI sequencer; on one that has a port this test says so.
    if (platform::midi_in_device_count() > 0) GTEST_SKIP() << "a MIDI input device is present";
    MidiIn m;
    testing::internal::CaptureStdout();
    MidiIn::printDeviceNames();
    EXPECT_FALSE(m.start());
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("======== MidiIn::printDeviceNames() ========\n", 0), 0u);
    const size_t text = out.find("MidiIn::start() : midiInOpen() failed...err=");
    ASSERT_NE(text, std::string::npos);
    EXPECT_GT(out.find('\n', text), text + 45) << "the driver's own text follows: " << out;
}

#ifndef _WIN32  // ALSA's port list; Windows lists only devices
TEST(MidiPorts, DeviceZeroIsThePluggedInPortNotTheSequencersOwn) {
    // As ALSA lists them on a desktop: the kernel's loopback first, a sound server's
    // announce port, the controller, a second controller, and this program's own client.
    const std::vector<std::string> alsa = {
        "Midi Through:Midi Through Port-0 14:0", "System:Announce 0:1",
        "PipeWire-System:PipeWire-System Announce 129:0", "nanoKONTROL2:nanoKONTROL2 nanoKONTROL2 _ CTR 20:0",
        "Launchkey MK3:Launchkey MK3 MIDI 1 24:0", "velmora:velmora input 130:0"};
    EXPECT_EQ(platform::midi_user_ports(alsa), (std::vector<unsigned>{3, 4}));
    EXPECT_TRUE(platform::midi_user_ports({"Midi Through:Midi Through Port-0 14:0"}).empty());
}
#endif

TEST(MidiPorts, MidiPortChoosesByNumberOrByPartOfTheNameInAnyCase) {
    const std::vector<std::string> names = {"nanoKONTROL2 MIDI 1", "Launchkey MK3 MIDI 1"};
    std::string error;
    EXPECT_EQ(platform::midi_in_choose_device(names, "", error), 0);
    EXPECT_EQ(platform::midi_in_choose_device(names, "1", error), 1);
    EXPECT_EQ(platform::midi_in_choose_device(names, "LAUNCHKEY", error), 1);
    EXPECT_EQ(platform::midi_in_choose_device(names, "2", error), -1);
    EXPECT_EQ(error, "no MIDI input device 2 (2 found)");
    EXPECT_EQ(platform::midi_in_choose_device(names, "korg", error), -1);
    EXPECT_EQ(error, "no MIDI input device named like \"korg\"");
}
