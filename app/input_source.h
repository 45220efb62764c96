// Where a frame's inputs come from. Live, the frame loop reads the devices itself; a take
// (take/) sits beside it: recording, it is told what the devices gave each frame;
// replaying, it hands the loop the recorded frames instead, and the loop applies them
// through the same paths the devices use. The loop calls it at fixed points of its input
// step, and a replay draws the performance's frames again only because that order holds.
#pragma once
#include <cstdint>

#include "platform/window.h"

struct AppState;

// How the run ends, as far as the frame loop knows it.
enum class RunEnd : uint8_t { Escape, WindowClosed, Interrupted, FrameLimit };

enum class ControlInputKind : uint8_t { Pointer = 1, Key = 2, Wheel = 3, Midi = 4 };

// One control input, in the order the frame's input step took it.
struct ControlInput {
    ControlInputKind kind = ControlInputKind::Pointer;
    int32_t x = 0, y = 0;   // Pointer: position in window pixels (only recorded when it changed)
    uint8_t buttons = 0;    // Pointer: SDL's button mask (1 left, 2 middle, 4 right)
    bool down = false;      // Key: pressed (or repeated); else released
    bool repeat = false;    // Key: a repeat of a held key
    uint16_t scancode = 0;  // Key: SDL scancode, below 512
    int32_t sym = 0;        // Key: SDL key symbol
    int32_t wheelY = 0;     // Wheel: notches as SDL delivered them (only the sign counts)
    uint32_t midiKind = 0;  // Midi: the notification exactly as the driver delivered it
    uint32_t midiParam1 = 0;
    uint32_t midiParam2 = 0;
};

// A recorded frame as a replay hands it to the loop.
struct ReplayedFrame {
    float dt = 0.0f;                       // its duration, seconds
    float clock = 0.0f;                    // the part clock it showed
    const ControlInput* inputs = nullptr;  // its inputs, in order
    uint32_t inputCount = 0;
};

class InputSource {
public:
    virtual ~InputSource() = default;

    // True while the frame's inputs are a recording's, not the devices'.
    virtual bool replaying() const = 0;
    // Right before the first frame, once startup is done: a take puts its start in place
    // (or reads it from the record) and writes what it needs to.
    virtual void begin(AppState& app) = 0;
    // First in the frame's input step while replaying: waits until the frame's moment.
    // False when nothing is left to play: the run ends.
    virtual bool awaitFrame() = 0;
    // A live event from the window's queue, before the loop handles it.
    virtual void noteEvent(const platform::InputEvent& event) = 0;
    // After the live events, with the frame's duration and the devices' state in app.
    // Recording: takes the frame down. Replaying: true with the take's next frame.
    virtual bool frameInputs(AppState& app, ReplayedFrame& frame) = 0;
    // The run is ending (set on the way out, before exit).
    virtual void ending(RunEnd why) = 0;
    // The music's correction to the part clock, seconds. A replay's clock is the take's:
    // it moves its schedule instead and returns true; otherwise false.
    virtual bool steerMusic(float seconds) = 0;
    // On the way out of the process, once: closes what begin opened and says how it went.
    virtual void finish(const AppState& app) = 0;
};
