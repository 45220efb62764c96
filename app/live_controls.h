// The performer's controls beyond the built-in controller: the controller map in use
// (--controller FILE, or controller.map in the show's folder) and OSC from other programs
// (--osc-port), read once a frame.
#pragma once
#include <cstdint>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "midi/controller_learn.h"
#include "midi/controller_map.h"
#include "platform/udp_socket.h"

struct AppState;
namespace platform {
struct InputEvent;
}

// Reads a map file. False with "FILE: line N: why" (or why it cannot be read).
bool readControllerMap(const std::string& path, ControllerMap& map, std::string& error);

// The map the run uses: --controller's (already read), else the show folder's
// controller.map when there is one, else the built-in one. Says which at start-up; false
// with a message when controller.map does not parse.
bool chooseControllerMap(AppState& app, std::string& error);

// --osc-port: a reader thread hands every packet's controls to the controller the moment
// it arrives, as a MIDI driver's thread hands a message: a take records them with the
// MIDI, in the order both arrived. What sets nothing and what is malformed is said once.
struct OscInput {
    platform::UdpSocket socket;
    std::thread reader;
    std::atomic<bool> stopping{false};
    std::atomic<int64_t> ignored{0};    // messages that set nothing
    std::atomic<int64_t> malformed{0};  // packets refused
    ~OscInput();
};

// Listens on --osc-host:--osc-port when a port is given; false with a message when it
// cannot.
bool openOscInput(AppState& app, std::string& error);

// --learn FILE: the walk through the controls, shown over the picture.
struct LearnSession {
    bool active = false;
    ControllerLearn learn;
    uint32_t seen = 0;  // the controller's message count already looked at
};
void beginLearn(AppState& app);
// Space skips the control offered, Escape ends the walk (not the show). True when the
// event was the walk's.
bool learnTakesEvent(AppState& app, const platform::InputEvent& event);
// Looks at what the controller delivered since the last frame, and draws the prompt over
// the finished picture.
void stepLearn(AppState& app);
