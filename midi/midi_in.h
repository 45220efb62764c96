// One MIDI input port: opens device 0 with a callback on the driver's thread and hands
// each short message on as four bytes to a virtual slot.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/midi_port.h"

// A control set over OSC travels as a notification of this kind (param1 the slot, param2
// the value 0..127 as float bits), beside the driver's: a take records and replays it
// with the MIDI messages, in the order both arrived.
constexpr uint32_t kOscControlKind = 0x4F53;

// A notification as the driver handed it to the callback entry.
struct MidiDriverMessage {
    uint32_t kind = 0;    // MIM_DATA, MIM_OPEN, ...
    uint32_t param1 = 0;  // a short message: status | data1 << 8 | data2 << 16 | data3 << 24
    uint32_t param2 = 0;  // the driver's time stamp
};

class MidiIn {
public:
    MidiIn();
    virtual ~MidiIn();
    // Driver notifications: message kind and the driver's two parameters.
    virtual void on_driver_message(uint32_t kind, uint32_t param1, uint32_t param2);
    virtual void on_message(uint8_t& status, uint8_t& data1, uint8_t& data2, uint8_t& data3);

    // Opens and starts MIDI input device 0, or the device that `port` names: a number, or
    // part of a device's name in any case. Prints the driver's error and returns false on
    // failure.
    bool start(const std::string& port = std::string());
    // Lists the input devices; the one this object opened, if any, is marked.
    static void printDeviceNames(int opened = -1);
    // The device number that was opened, -1 while closed.
    int openedDevice() const { return opened_device; }

    // The function given to the driver; the instance value is the MidiIn object.
    static void midi_in_callback(platform::MidiInHandle handle, uint32_t kind, uintptr_t instance, uintptr_t param1,
                                 uintptr_t param2);

    // While deferring, the callback entry only queues what the driver delivers, and the
    // main thread hands it on with deliver_deferred. A recorded performance needs this:
    // every message then reaches the show at a known point of a known frame, where a
    // replay hands it on again, instead of at any moment on the driver's thread.
    void defer_messages(bool on);
    // Hands every queued message, in the order it arrived, to on_driver_message on the
    // calling thread, and returns them.
    std::vector<MidiDriverMessage> deliver_deferred();
    // Messages the queue had no room for (the main thread stood still too long).
    static constexpr size_t kDeferredLimit = 1 << 16;

    // When each control message (MIDI data, or a control set over OSC) reached the
    // callback, in tick_count() units, since the last call: how long a knob takes to
    // reach the picture is measured from there.
    std::vector<int64_t> take_arrivals();

    MidiIn(const MidiIn&) = delete;  // the driver holds the object's address
    MidiIn& operator=(const MidiIn&) = delete;

protected:
    // Splits a packed short message (status | data1 << 8 | data2 << 16 | data3 << 24).
    void dispatch_short_message(uint32_t packed);

    platform::MidiInHandle midi_handle = nullptr;
    int opened_device = -1;

private:
    std::atomic<bool> deferring{false};
    std::mutex deferred_lock;  // the driver's thread and the main thread
    std::vector<MidiDriverMessage> deferred;
    size_t deferred_dropped = 0;
    std::mutex arrivals_lock;
    std::vector<int64_t> arrivals;
};
