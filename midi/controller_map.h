// Which controller message moves which control of the show. The show reads its controls
// from numbered slots (the nanoKONTROL2's controller numbers, which it was built around);
// a map binds a performer's own controller to them by name, in a small text format:
//
//   speed = cc 23          # playback speed, real time to 7 x
//   k0 = cc 16 ch 1        # passed to the shaders as k0
//   cue.store = note 36 ch 10
//   k5 = pitchbend ch 3
//
// One binding a line: NAME = SOURCE [ch 1-16] [toggle] [relative], "#" starts a comment.
// SOURCE is "cc N" (a control change), "note N" (note on/off), "pitchbend" (14 bits), or
// "any N": every short message whose first data byte is N, whatever its kind, which is
// how the nanoKONTROL2 has always been read. Without "ch" any channel is taken. "toggle"
// is for a button that latches by itself (each message is one press and release);
// "relative" for an endless encoder sending steps (1..63 up, 65..127 down). The line
// "* = any" hands every message that no binding took to the slot of its first data byte
// (0..99), as the nanoKONTROL2 has always been read.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A control of the show, by the name a performer uses.
struct ShowControl {
    const char* name;  // "speed", "k0", ...
    int slot;          // the controller number the show reads it from
    const char* what;  // what it does, for the printed map and the learn overlay
};
// Every control the show reads, in the order a learn walk offers them.
const std::vector<ShowControl>& showControls();
// The control with this name; null when there is none.
const ShowControl* findShowControl(const std::string& name);

enum class BindingSource : uint8_t { AnyStatus, ControlChange, Note, PitchBend };

struct ControlBinding {
    std::string control;                                // a ShowControl name
    int slot = 0;                                       // its slot
    BindingSource source = BindingSource::ControlChange;
    int number = 0;                                     // the controller or note number (0..127)
    int channel = 0;                                    // 1..16; 0 takes any channel
    bool toggle = false;                                // the button latches by itself
    bool relative = false;                              // an endless encoder's steps
};

struct ControllerMap {
    std::vector<ControlBinding> bindings;
    bool passThrough = false;  // "* = any"
    std::string name;  // where it came from: "the built-in nanoKONTROL2 map", a file name
};

// Reads a map in the format above. A line that does not parse fails the whole map, with
// `error` saying "line N: ..." and why.
bool parseControllerMap(const std::string& text, ControllerMap& map, std::string& error);
// Writes the map in the same format, one binding a line, each with a comment saying what
// the control does.
std::string formatControllerMap(const ControllerMap& map);

// The nanoKONTROL2 map the show has always used, as a map and as the text --controls
// prints (its comments say how to edit it).
const ControllerMap& builtInControllerMap();
std::string builtInControllerMapText();

// A slot value a message sets: the value 0..127 as the show stores it.
struct SlotChange {
    int slot;
    float value;
};
// What one short message does under the map, in binding order. `current` reads a slot's
// present value (a relative encoder steps from it). At most `limit` changes are written
// to `out`; returns how many.
int translateMessage(const ControllerMap& map, uint8_t status, uint8_t data1, uint8_t data2,
                     float (*current)(const void* owner, int slot), const void* owner, SlotChange* out, int limit);
