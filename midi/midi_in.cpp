#include "midi/midi_in.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/tick_clock.h"

using namespace platform;

MidiIn::MidiIn() : midi_handle(nullptr) {}

MidiIn::~MidiIn() {
    // Derived parts are gone by now: a notification during the close lands in the base slots.
    if (midi_handle) {
        midi_in_stop(midi_handle);
        midi_in_close(midi_handle);
        midi_handle = nullptr;
        opened_device = -1;
    }
}

void MidiIn::midi_in_callback(MidiInHandle, uint32_t kind, uintptr_t instance, uintptr_t param1, uintptr_t param2) {
    MidiIn* in = reinterpret_cast<MidiIn*>(instance);
    const MidiDriverMessage message{kind, static_cast<uint32_t>(param1), static_cast<uint32_t>(param2)};
    if (kind == platform::MIM_DATA || kind == kOscControlKind) {
        const int64_t now = platform::tick_count();
        std::lock_guard<std::mutex> guard(in->arrivals_lock);
        if (in->arrivals.size() < kDeferredLimit) in->arrivals.push_back(now);
    }
    if (in->deferring.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> guard(in->deferred_lock);
        if (in->deferred.size() < kDeferredLimit)
            in->deferred.push_back(message);
        else
            ++in->deferred_dropped;
        return;
    }
    in->on_driver_message(message.kind, message.param1, message.param2);
}

std::vector<int64_t> MidiIn::take_arrivals() {
    std::vector<int64_t> taken;
    std::lock_guard<std::mutex> guard(arrivals_lock);
    taken.swap(arrivals);
    return taken;
}

void MidiIn::defer_messages(bool on) { deferring.store(on, std::memory_order_release); }

std::vector<MidiDriverMessage> MidiIn::deliver_deferred() {
    std::vector<MidiDriverMessage> taken;
    size_t dropped = 0;
    {
        std::lock_guard<std::mutex> guard(deferred_lock);
        taken.swap(deferred);
        std::swap(dropped, deferred_dropped);
    }
    if (dropped)
        printf("MIDI: %zu messages arrived while the show was busy and were dropped\n", dropped);
    for (const MidiDriverMessage& m : taken) on_driver_message(m.kind, m.param1, m.param2);
    return taken;
}

namespace {

std::vector<std::string> deviceNames(bool truncated) {
    std::vector<std::string> names;
    for (unsigned i = 0; i < midi_in_device_count(); ++i) names.push_back(midi_in_device_name(i, truncated));
    return names;
}

}  // namespace

bool MidiIn::start(const std::string& port) {
    std::string text;
    int device = 0;
    unsigned result = 0;
    // Device 0 needs no list: asking the driver for it would hide its own error text.
    if (!port.empty()) device = midi_in_choose_device(deviceNames(false), port, text);
    if (device >= 0) {
        result = midi_in_open(&midi_handle, static_cast<unsigned>(device), midi_in_callback, reinterpret_cast<uintptr_t>(this));
        if (result != 0) text = midi_in_error_text(result);
    }
    if (device < 0 || result != 0) {
        printf("MidiIn::start() : midiInOpen() failed...err=%s\n", text.substr(0, 255).c_str());
        return false;
    }
    opened_device = device;
    midi_in_start(midi_handle);
    return true;
}

void MidiIn::printDeviceNames(int opened) {
    const std::vector<std::string> names = deviceNames(true);
    printf("======== MidiIn::printDeviceNames() ========\n");
    for (size_t i = 0; i < names.size(); ++i)
        printf("  idx=%d : %s%s\n", static_cast<int>(i), names[i].c_str(), static_cast<int>(i) == opened ? "  <- opened" : "");
}

void MidiIn::dispatch_short_message(uint32_t packed) {
    uint8_t status = packed & 0xFF, data1 = (packed >> 8) & 0xFF, data2 = (packed >> 16) & 0xFF,
            data3 = (packed >> 24) & 0xFF;
    on_message(status, data1, data2, data3);
}

void MidiIn::on_driver_message(uint32_t kind, uint32_t param1, uint32_t) {
    switch (kind) {
    case MIM_OPEN: printf("wMsg=MIM_OPEN\n"); break;
    case MIM_CLOSE: printf("wMsg=MIM_CLOSE\n"); break;
    case MIM_DATA: dispatch_short_message(param1); break;
    case MIM_LONGDATA: printf("wMsg=MIM_LONGDATA\n"); break;
    case MIM_ERROR: printf("wMsg=MIM_ERROR\n"); break;
    case MIM_LONGERROR: printf("wMsg=MIM_LONGERROR\n"); break;
    case MIM_MOREDATA: printf("wMsg=MIM_MOREDATA\n"); break;
    default: printf("wMsg = unknown\n"); break;
    }
}

void MidiIn::on_message(uint8_t& status, uint8_t& data1, uint8_t& data2, uint8_t& data3) {
    printf("MidiIn::on_message() : ch_msg=%02x, data1=%02x, data2=%02x, data3=%02x\n", status, data1, data2, data3);
}
