// Stand-in for the Windows sound and MIDI halves until they land: no sound device and no
// MIDI input, said the way the real halves say it, so the show runs silently on its own
// clock and without a controller.
#include <cstdio>

#include "platform/audio.h"
#include "platform/midi_port.h"

namespace platform {

bool decode_mp3(const std::string& path, std::vector<int16_t>& samples, std::string& error, int64_t) {
    samples.clear();
    error = "\"" + path + "\": this build has no MP3 decoder";
    return false;
}

bool audio_init(bool enabled) {
    if (!enabled) printf("Audio: disabled (--no-audio); the show runs silently on its own clock.\n");
    else printf("Audio: no sound device (this build has no sound output yet); the show runs silently on its own clock.\n");
    return false;
}

uint32_t music_load(const std::string&, int64_t) { return 0; }
void music_play(uint32_t) {}
int64_t music_get_position(uint32_t, int64_t) { return -1; }
bool music_set_position(uint32_t, uint64_t, int64_t) { return false; }
void music_pause(uint32_t, bool) {}
uint64_t music_length(uint32_t) { return 0; }
void audio_shutdown() {}

std::vector<unsigned> midi_user_ports(const std::vector<std::string>& names) {
    std::vector<unsigned> ports(names.size());
    for (unsigned i = 0; i < ports.size(); ++i) ports[i] = i;
    return ports;
}

int midi_in_choose_device(const std::vector<std::string>& names, const std::string& choice, std::string& error) {
    if (!names.empty()) return 0;
    error = "no MIDI input device for \"" + choice + "\"";
    return -1;
}

unsigned midi_in_device_count() { return 0; }
std::string midi_in_device_name(unsigned, bool) { return std::string(); }
constexpr unsigned kBadDeviceId = 2;  // MMSYSERR_BADDEVICEID, as midiInOpen answers with no device
unsigned midi_in_open(MidiInHandle* handle, unsigned, MidiInCallback, uintptr_t) {
    *handle = nullptr;
    return kBadDeviceId;
}
void midi_in_start(MidiInHandle) {}
void midi_in_stop(MidiInHandle) {}
void midi_in_close(MidiInHandle) {}
std::string midi_in_error_text(unsigned) { return "The specified device identifier is out of range."; }

}  // namespace platform
