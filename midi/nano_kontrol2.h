// The Korg nanoKONTROL2 control map: the last value and a toggle latch per controller
// number, written on the driver's thread and read by the show once per frame.
#pragma once
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "midi/controller_map.h"
#include "midi/midi_in.h"

class NanoKONTROL2 : public MidiIn {
public:
    static constexpr int kControls = 100;

    NanoKONTROL2();
    void on_driver_message(uint32_t kind, uint32_t param1, uint32_t param2) override;
    void on_message(uint8_t& status, uint8_t& data1, uint8_t& data2, uint8_t& data3) override;
    // The map messages go through (the built-in one until set). The driver's thread reads
    // it: a new map replaces the old one whole, between two messages.
    void set_map(const ControllerMap& map);
    std::shared_ptr<const ControllerMap> map() const { return std::atomic_load(&map_); }
    // Sets a slot as a message would: its value (0..127 + 0.0001) and its toggle latch.
    void store(int slot, float stored);
    virtual void on_press_button(uint8_t& number);
    virtual void on_release_button(uint8_t& number);
    virtual void on_change_control(uint8_t& number, uint8_t& value);

    // Per-element atomics with relaxed order: no lock, the last writer wins per element,
    // readers see a value from just before or just after a concurrent update.
    float value(int number) const { return control_values[number].load(std::memory_order_relaxed); }
    void set_value(int number, float v) { control_values[number].store(v, std::memory_order_relaxed); }
    int32_t toggle(int number) const { return toggle_states[number].load(std::memory_order_relaxed); }

    // 0 until the control first sends, then the last value (0..127) + 0.0001.
    std::atomic<float> control_values[kControls];
    // 0 off, 1 switched on and held, 2 switched on and released.
    std::atomic<int32_t> toggle_states[kControls];

    // The last short message the driver delivered and how many have come: the learn walk
    // binds a control to what the performer moved.
    std::atomic<uint32_t> last_message{0};
    std::atomic<uint32_t> message_count{0};

    // Controller number -> control name, shared by all instances. Built on first use, so it
    // exists before the application record that holds a controller, and outlives it.
    static std::map<uint8_t, std::string>& control_names();

private:
    std::shared_ptr<const ControllerMap> map_;
};

// The application's controller: stores values and latches, prints nothing.
class MyNanoKONTROL2 : public NanoKONTROL2 {
public:
    void on_press_button(uint8_t&) override {}
    void on_release_button(uint8_t&) override {}
    void on_change_control(uint8_t&, uint8_t&) override {}
};

// Controller numbers the show reads.
enum NanoControl : int {
    NANO_KONTROL2_BUTTON_BACK = 43,
    NANO_KONTROL2_BUTTON_FOWARD = 44,
    NANO_KONTROL2_BUTTON_REC = 45,
    NANO_KONTROL2_BUTTON_TRACK_BACK = 58,
    NANO_KONTROL2_BUTTON_TRACK_FOWARD = 59,
    NANO_KONTROL2_ROTARY_KNOB_6 = 22,
    NANO_KONTROL2_ROTARY_KNOB_7 = 23,
};
