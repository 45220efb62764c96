#include "midi/nano_kontrol2.h"

#include <cstdio>
#include <cstring>

std::map<uint8_t, std::string>& NanoKONTROL2::control_names() {
    static std::map<uint8_t, std::string> names;
    return names;
}

namespace {

void fill_names(std::map<uint8_t, std::string>& names) {
    for (int n = 0; n < 8; ++n) {
        const std::string k = std::to_string(n);
        names[static_cast<uint8_t>(n)] = "NANO_KONTROL2_FADER_" + k;
        names[static_cast<uint8_t>(16 + n)] = "NANO_KONTROL2_ROTARY_KNOB_" + k;
        names[static_cast<uint8_t>(32 + n)] = "NANO_KONTROL2_BUTTON_" + k + "_S";
        names[static_cast<uint8_t>(48 + n)] = "NANO_KONTROL2_BUTTON_" + k + "_M";
        names[static_cast<uint8_t>(64 + n)] = "NANO_KONTROL2_BUTTON_" + k + "_R";
    }
    // "FOWARD" is how the device's controls have always been named here.
    names[41] = "NANO_KONTROL2_BUTTON_PLAY";
    names[42] = "NANO_KONTROL2_BUTTON_STOP";
    names[43] = "NANO_KONTROL2_BUTTON_BACK";
    names[44] = "NANO_KONTROL2_BUTTON_FOWARD";
    names[45] = "NANO_KONTROL2_BUTTON_REC";
    names[46] = "NANO_KONTROL2_BUTTON_CYCLE";
    names[58] = "NANO_KONTROL2_BUTTON_TRACK_BACK";
    names[59] = "NANO_KONTROL2_BUTTON_TRACK_FOWARD";
    names[60] = "NANO_KONTROL2_BUTTON_MARKER_SET";
    names[61] = "NANO_KONTROL2_BUTTON_MARKER_BACK";
    names[62] = "NANO_KONTROL2_BUTTON_MARKER_FOWARD";
}

}  // namespace

NanoKONTROL2::NanoKONTROL2() : map_(std::make_shared<const ControllerMap>(builtInControllerMap())) {
    for (int i = 0; i < kControls; ++i) {
        control_values[i].store(0.0f, std::memory_order_relaxed);
        toggle_states[i].store(0, std::memory_order_relaxed);
    }
    if (control_names().empty()) fill_names(control_names());
}

void NanoKONTROL2::on_driver_message(uint32_t kind, uint32_t param1, uint32_t param2) {
    if (kind == platform::MIM_DATA) {
        last_message.store(param1, std::memory_order_relaxed);
        message_count.fetch_add(1, std::memory_order_release);
        dispatch_short_message(param1);
    }
    if (kind == kOscControlKind && param1 < static_cast<uint32_t>(kControls)) {
        float value;
        std::memcpy(&value, &param2, sizeof value);
        if (value >= 0.0f && value <= 127.0f) store(static_cast<int>(param1), static_cast<float>(value + 0.0001));
    }
}

void NanoKONTROL2::set_map(const ControllerMap& map) {
    std::atomic_store(&map_, std::shared_ptr<const ControllerMap>(std::make_shared<const ControllerMap>(map)));
}

void NanoKONTROL2::on_message(uint8_t& status, uint8_t& data1, uint8_t& data2, uint8_t&) {
    // Each binding the message matches sets its slot; a latching button sets two values.
    constexpr int kMostChanges = 64;
    SlotChange changes[kMostChanges];
    const auto present = [](const void* owner, int slot) { return static_cast<const NanoKONTROL2*>(owner)->value(slot); };
    const std::shared_ptr<const ControllerMap> map = std::atomic_load(&map_);
    const int count = translateMessage(*map, status, data1, data2, present, this, changes, kMostChanges);
    for (int i = 0; i < count; ++i) store(changes[i].slot, changes[i].value);
}

void NanoKONTROL2::store(int slot, float stored) {
    if (slot < 0 || slot >= kControls) return;
    uint8_t number = static_cast<uint8_t>(slot);
    uint8_t value = static_cast<uint8_t>(stored);
    control_values[number].store(stored, std::memory_order_relaxed);

    int32_t latch = toggle_states[number].load(std::memory_order_relaxed);
    const double v = stored;
    if (latch == 0 && v > 0.1) latch = 1;
    else if (latch == 1 && v < 0.1) latch = 2;
    else if (latch == 2 && v > 0.1) latch = 0;
    toggle_states[number].store(latch, std::memory_order_relaxed);

    if (number < 8 || (number >= 16 && number < 24))
        on_change_control(number, value);
    else if (value != 0)
        on_press_button(number);
    else
        on_release_button(number);
}

void NanoKONTROL2::on_press_button(uint8_t& number) {
    printf("NanoKONTROL2::on_press_button() : cc=%s\n", control_names()[number].c_str());
}

void NanoKONTROL2::on_release_button(uint8_t& number) {
    printf("NanoKONTROL2::on_release_button() : cc=%s\n", control_names()[number].c_str());
}

void NanoKONTROL2::on_change_control(uint8_t& number, uint8_t& value) { printf("%d => %d", number, value); }
