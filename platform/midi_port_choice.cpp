// Which MIDI input device a --midi-port choice names: the same on every system, whatever
// driver lists the devices.
#include <cctype>
#include <cstdlib>

#include "platform/midi_port.h"

namespace platform {

namespace {

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

int midi_in_choose_device(const std::vector<std::string>& names, const std::string& choice, std::string& error) {
    if (choice.empty() || choice.find_first_not_of("0123456789") == std::string::npos) {
        const unsigned long device = choice.empty() ? 0 : std::strtoul(choice.c_str(), nullptr, 10);
        if (device < names.size()) return static_cast<int>(device);
        error = "no MIDI input device " + (choice.empty() ? std::string("0") : choice) + " (" +
                std::to_string(names.size()) + " found)";
        return -1;
    }
    for (size_t i = 0; i < names.size(); ++i)
        if (lower(names[i]).find(lower(choice)) != std::string::npos) return static_cast<int>(i);
    error = "no MIDI input device named like \"" + choice + "\"";
    return -1;
}

}  // namespace platform
