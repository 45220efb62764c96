// Recording a live performance into a take (--record) and playing one back (--replay), at
// the frame's input step. The recorder notes what the step took from the devices: the
// mouse as the show's own record holds it, the SDL key and wheel events, each MIDI
// message as the driver delivered it. The player hands the step the same things through
// the same paths (the event handler, the MIDI callback entry), so the show cannot tell a
// replay from the performance; live inputs are ignored then, except Escape.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/take.h"
#include "app/take_writer.h"
#include "platform/window.h"

struct AppState;

struct TakeSession {
    bool recording = false;
    bool replaying = false;
    bool begun = false;  // the show's first frame has come (the launcher's frames are not the take's)

    // Recording.
    TakeWriter writer;
    std::vector<TakeDataFile> stamp;  // the show data, stamped before it loads
    std::vector<TakeInput> inputs;  // the inputs of the frame being polled
    TakeInput pointer;              // the mouse as last recorded
    bool pointerRecorded = false;
    TakeEnd endReason = TakeEnd::Other;  // set on the way out when known
    float lastClock = 0.0f;              // the part clock of the last frame recorded
    bool ended = false;

    // Replaying.
    Take take;
    std::vector<double> times;  // takeFrameTimes(take)
    size_t next = 0;            // the next frame to play
    int64_t startTicks = 0;     // when the take's time 0 is, on the tick clock
    double shift = 0.0;         // seconds the schedule moved: later after slow frames,
                                // earlier or later to keep the music in step
    double behind = 0.0;        // seconds the schedule moved for slow frames
    bool saidBehind = false;
};

// Before anything opens, with the options parsed: creates the take file of --record
// (an existing file is refused unless --overwrite), or reads the take of --replay and
// checks it against this program and the show data in the show's folder (refused unless
// --force), then sets the options a replay needs (its window, no launcher, no MIDI
// device). False with one line in error.
bool prepareTake(AppState& app, std::string& error);

// After startup, right before the first frame: writes the take's header, or puts the
// start of the take (camera, mouse history, held keys) in place.
void beginTake(AppState& app);

// The frame's input step, for pollInput. Replaying: waits until the frame's moment in the
// take, and ends the process after the take's last frame.
void waitForTakeFrame(AppState& app);
// Recording: notes a key or wheel event the step takes from the window's queue.
void noteTakeEvent(TakeSession& session, const platform::InputEvent& event);
// Replaying: whether a live event ends the replay (Escape, closing the window, Ctrl-C);
// every other live event is ignored.
bool eventEndsReplay(const platform::InputEvent& event);
// After the live events: recording, delivers the MIDI messages that came in and writes
// the frame; replaying, hands the show the take's frame (its duration, mouse, keys, wheel,
// MIDI and part clock).
void takeInputStep(AppState& app);

// How a live event that ends the process ends the take (for TakeSession::endReason).
TakeEnd takeEndFor(const platform::InputEvent& event);
// On the way out of the process: writes the take's closing record with endReason
// (recording), or says where the replay stopped. Once.
void finishTake(AppState& app);

// A replay's capture: hands the show every frame of the take up to `seconds` (as the
// input step would, camera included) and sets the part clock to the take's clock there.
// False once the show has ended by then.
bool takeCaptureFrame(AppState& app, double seconds);
// Replaying: the music keeps with the take by moving the schedule instead of the clock.
void steerTakeSchedule(TakeSession& session, float seconds);
