// The MIDI input service standing in for the Windows multimedia one: count and name
// input ports, open one with a callback that receives (message kind, packed short
// message, time stamp) on the driver's thread, start, stop, close, error texts.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Message kinds delivered to the callback.
constexpr uint32_t MIM_OPEN = 0x3C1;
constexpr uint32_t MIM_CLOSE = 0x3C2;
constexpr uint32_t MIM_DATA = 0x3C3;
constexpr uint32_t MIM_LONGDATA = 0x3C4;
constexpr uint32_t MIM_ERROR = 0x3C5;
constexpr uint32_t MIM_LONGERROR = 0x3C6;
constexpr uint32_t MIM_MOREDATA = 0x3CC;

struct MidiInPort;  // opaque
using MidiInHandle = MidiInPort*;
using MidiInCallback = void (*)(MidiInHandle handle, uint32_t kind, uintptr_t instance, uintptr_t param1,
                                uintptr_t param2);

// Which of the driver's ports (by its names, in its order) are numbered as devices 0, 1, ...:
// the ports a user plugged in, never the sequencer's own loopback or announce ports.
std::vector<unsigned> midi_user_ports(const std::vector<std::string>& driverNames);  // ALSA only

// The device a --midi-port choice names among the device names: "" is device 0, digits are
// a device number, anything else the first name containing it, ignoring case. -1, with
// the reason in error, when there is no such device.
int midi_in_choose_device(const std::vector<std::string>& names, const std::string& choice, std::string& error);

unsigned midi_in_device_count();
// The port's name, cut to 31 characters as the device capabilities record holds it unless
// the whole name is asked for.
std::string midi_in_device_name(unsigned device, bool truncated = true);

// Returns 0 on success; otherwise an error code for midi_in_error_text.
unsigned midi_in_open(MidiInHandle* handle, unsigned device, MidiInCallback callback, uintptr_t instance);
void midi_in_start(MidiInHandle handle);
void midi_in_stop(MidiInHandle handle);
void midi_in_close(MidiInHandle handle);
std::string midi_in_error_text(unsigned code);

}  // namespace platform
