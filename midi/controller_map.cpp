// The show's named controls, the map format's reader and writer, and what a message does.
#include "midi/controller_map.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace {

// Slots are the nanoKONTROL2's controller numbers the show reads (midi/nano_kontrol2.h).
// Built on first use: the application record's controller reads it while statics are
// still being constructed.
const std::vector<ShowControl>& controlTable() {
    static const std::vector<ShowControl> table = {
        {"speed", 23, "playback speed, real time to 7 x"},
        {"run", 44, "stops and restarts the show's clock (press once for each)"},
        {"step.back", 58, "held: the clock steps back 2 ms a frame"},
        {"step.forward", 59, "held: the clock steps forward 2 ms a frame"},
        {"cue.store", 45, "stores the present moment as the cue"},
        {"cue.back", 43, "held: jumps to the cue"},
        {"cue", 22, "the cue's position in the show (cue.store sets it)"},
        {"k0", 16, "passed to the shaders as k0"},
        {"k1", 17, "passed to the shaders as k1"},
        {"k2", 18, "passed to the shaders as k2"},
        {"k3", 19, "passed to the shaders as k3"},
        {"k4", 20, "passed to the shaders as k4"},
        {"k5", 21, "passed to the shaders as k5"},
        {"fader0", 5, "handed to the scenes as fader 0 (no scene reads it yet)"},
        {"fader1", 6, "handed to the scenes as fader 1 (no scene reads it yet)"},
        {"fader2", 7, "handed to the scenes as fader 2 (no scene reads it yet)"},
    };
    return table;
}

std::string trim(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return std::string();
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

bool numberIn(const std::string& word, int low, int high, int& value) {
    if (word.empty() || word.size() > 3 || word.find_first_not_of("0123456789") != std::string::npos) return false;
    value = std::stoi(word);
    return value >= low && value <= high;
}

std::string controlList() {
    std::string names;
    for (const ShowControl& c : controlTable()) names += (names.empty() ? "" : ", ") + std::string(c.name);
    return names;
}

// One binding's right-hand side, e.g. "cc 16 ch 1 toggle".
bool parseSource(const std::string& text, ControlBinding& b, std::string& why) {
    std::istringstream words(text);
    std::string kind, word;
    words >> kind;
    if (kind == "cc" || kind == "note" || kind == "any") {
        b.source = kind == "cc" ? BindingSource::ControlChange : kind == "note" ? BindingSource::Note : BindingSource::AnyStatus;
        if (!(words >> word) || !numberIn(word, 0, 127, b.number))
            return why = "\"" + kind + "\" needs a number 0 to 127", false;
    } else if (kind == "pitchbend") {
        b.source = BindingSource::PitchBend;
    } else {
        return why = "expected cc N, note N, pitchbend or any N after \"=\"", false;
    }
    while (words >> word) {
        if (word == "ch") {
            if (b.source == BindingSource::AnyStatus) return why = "\"any\" takes every channel; \"ch\" does not apply", false;
            std::string n;
            if (!(words >> n) || !numberIn(n, 1, 16, b.channel)) return why = "\"ch\" needs a channel 1 to 16", false;
        } else if (word == "toggle") {
            b.toggle = true;
        } else if (word == "momentary") {
            b.toggle = false;
        } else if (word == "relative") {
            if (b.source != BindingSource::ControlChange) return why = "only a \"cc\" can be relative", false;
            b.relative = true;
        } else {
            return why = "unexpected \"" + word + "\" (after the source: ch N, toggle, momentary or relative)", false;
        }
    }
    return true;
}

std::string sourceText(const ControlBinding& b) {
    std::string text;
    switch (b.source) {
    case BindingSource::AnyStatus: text = "any " + std::to_string(b.number); break;
    case BindingSource::ControlChange: text = "cc " + std::to_string(b.number); break;
    case BindingSource::Note: text = "note " + std::to_string(b.number); break;
    case BindingSource::PitchBend: text = "pitchbend"; break;
    }
    if (b.channel) text += " ch " + std::to_string(b.channel);
    if (b.toggle) text += " toggle";
    if (b.relative) text += " relative";
    return text;
}

// The value (0..127) a message gives a binding it matches, or false when it does not match.
bool bindingValue(const ControlBinding& b, uint8_t status, uint8_t data1, uint8_t data2, float present, float& value) {
    const int kind = status & 0xF0, channel = (status & 0x0F) + 1;
    if (b.source == BindingSource::AnyStatus) {
        if (data1 != b.number) return false;
        value = data2;
        return true;
    }
    if (b.channel && channel != b.channel) return false;
    switch (b.source) {
    case BindingSource::ControlChange:
        if (kind != 0xB0 || data1 != b.number) return false;
        if (b.relative) {
            // Two's complement steps of 7 bits: 1..63 up, 65..127 down.
            const int step = data2 < 64 ? data2 : data2 - 128;
            value = std::clamp(static_cast<float>(static_cast<int>(present) + step), 0.0f, 127.0f);
        } else {
            value = data2;
        }
        return true;
    case BindingSource::Note:
        if ((kind != 0x90 && kind != 0x80) || data1 != b.number) return false;
        value = kind == 0x90 ? data2 : 0;
        return true;
    case BindingSource::PitchBend:
        if (kind != 0xE0) return false;
        value = static_cast<float>((data2 << 7 | data1) * (127.0 / 16383.0));
        return true;
    default: return false;
    }
}

// The slots a controller fills: the nanoKONTROL2 sends 0..127, the show keeps 0..99.
constexpr int kSlots = 100;

float storedValue(float value) { return static_cast<float>(static_cast<double>(value) + 0.0001); }

}  // namespace

const std::vector<ShowControl>& showControls() { return controlTable(); }

const ShowControl* findShowControl(const std::string& name) {
    for (const ShowControl& c : controlTable())
        if (name == c.name) return &c;
    return nullptr;
}

bool parseControllerMap(const std::string& text, ControllerMap& map, std::string& error) {
    ControllerMap parsed;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const std::string content = trim(line.substr(0, line.find('#')));
        if (content.empty()) continue;
        const auto fail = [&](const std::string& why) {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        };
        const size_t equals = content.find('=');
        if (equals == std::string::npos) return fail("expected NAME = SOURCE, e.g. \"k0 = cc 16\"");
        ControlBinding binding;
        binding.control = trim(content.substr(0, equals));
        if (binding.control == "*") {
            if (trim(content.substr(equals + 1)) != "any") return fail("\"*\" takes only \"any\": \"* = any\"");
            parsed.passThrough = true;
            continue;
        }
        const ShowControl* control = findShowControl(binding.control);
        if (!control) return fail("no control is named \"" + binding.control + "\" (the controls: " + controlList() + ")");
        binding.slot = control->slot;
        std::string why;
        if (!parseSource(content.substr(equals + 1), binding, why)) return fail(why);
        parsed.bindings.push_back(binding);
    }
    parsed.name = map.name;
    map = std::move(parsed);
    return true;
}

std::string formatControllerMap(const ControllerMap& map) {
    std::string text;
    for (const ControlBinding& b : map.bindings) {
        const ShowControl* control = findShowControl(b.control);
        char line[160];
        std::snprintf(line, sizeof line, "%-28s # %s\n", (b.control + " = " + sourceText(b)).c_str(),
                      control ? control->what : "");
        text += line;
    }
    if (map.passThrough)
        text += "* = any                      # every other message: the slot of its first data byte (0..99)\n";
    return text;
}

const ControllerMap& builtInControllerMap() {
    static const ControllerMap map = [] {
        ControllerMap m;
        m.name = "the built-in nanoKONTROL2 map";
        for (const ShowControl& c : controlTable()) {
            ControlBinding b;
            b.control = c.name;
            b.slot = c.slot;
            b.source = BindingSource::AnyStatus;
            b.number = c.slot;
            m.bindings.push_back(b);
        }
        m.passThrough = true;
        return m;
    }();
    return map;
}

std::string builtInControllerMapText() {
    return "# The controller map built into the show, for the Korg nanoKONTROL2. Copy it, edit\n"
           "# it and pass it back with --controller FILE, or save it as controller.map in the\n"
           "# show's folder.\n"
           "#   NAME = cc N | note N | pitchbend | any N   [ch 1-16]   [toggle]   [relative]\n"
           "# \"any N\" takes every message whose first data byte is N, whatever its kind, as the\n"
           "# nanoKONTROL2 has always been read. Without \"ch\" any channel is taken. \"toggle\":\n"
           "# the button latches by itself; \"relative\": an endless encoder's steps.\n" +
           formatControllerMap(builtInControllerMap());
}

int translateMessage(const ControllerMap& map, uint8_t status, uint8_t data1, uint8_t data2,
                     float (*current)(const void* owner, int slot), const void* owner, SlotChange* out, int limit) {
    int count = 0;
    for (const ControlBinding& b : map.bindings) {
        float value = 0.0f;
        const float present = current ? current(owner, b.slot) : 0.0f;
        if (!bindingValue(b, status, data1, data2, present, value)) continue;
        if (b.toggle) {
            // A latching button's every message is one press and release of a momentary one.
            if (count < limit) out[count++] = {b.slot, storedValue(127.0f)};
            if (count < limit) out[count++] = {b.slot, storedValue(0.0f)};
        } else if (count < limit) {
            out[count++] = {b.slot, storedValue(value)};
        }
    }
    if (map.passThrough && count == 0 && data1 < kSlots && limit > 0) out[count++] = {data1, storedValue(data2)};
    return count;
}
