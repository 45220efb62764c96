// One MIDI input port: opens device 0 with a callback on the driver's thread and hands
// each short message on as four bytes to a virtual slot.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/midi_port.h"

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

    MidiIn(const MidiIn&) = delete;  // the driver holds the object's address
    MidiIn& operator=(const MidiIn&) = delete;

protected:
    // Splits a packed short message (status | data1 << 8 | data2 << 16 | data3 << 24).
    void dispatch_short_message(uint32_t packed);

    platform::MidiInHandle midi_handle = nullptr;
    int opened_device = -1;
};
