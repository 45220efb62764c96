// Recording a live performance into a take (--record) and playing one back (--replay): the
// frame loop's input source. The recorder takes down what each input step took from the
// devices: the mouse as the show's own record holds it, the key and wheel events, each MIDI
// message as the driver delivered it. The player hands the step the same things, which the
// loop applies through the same paths (the event handler, the MIDI callback entry), so the
// show cannot tell a replay from the performance; live inputs are ignored then, except
// those that end the run.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/input_source.h"
#include "take/take.h"
#include "take/take_writer.h"

struct AppState;

class TakeSession : public InputSource {
public:
    bool replaying() const override { return replaying_; }
    void begin(AppState& app) override;
    bool awaitFrame() override;
    void noteEvent(const platform::InputEvent& event) override;
    bool frameInputs(AppState& app, ReplayedFrame& frame) override;
    void ending(RunEnd why) override;
    bool steerMusic(float seconds) override;
    void finish(const AppState& app) override;

    // The take being replayed (empty when recording).
    const Take& take() const { return take_; }
    // A replay's capture: the take's next frame due `seconds` into the take, one at a
    // time; false once none is left by then.
    bool frameBy(double seconds, ReplayedFrame& frame);
    // The part clock `seconds` into the take (see takeClockAt).
    float clockAt(double seconds) const;

    // What prepareTake does before the session becomes app's input source.
    bool prepare(AppState& app, std::string& error);
    // The take was not kept whole under its name, or the replay could not play on; said
    // in one line when it happened.
    bool failed() const { return failed_; }

private:
    bool prepareReplay(AppState& app, std::string& error);
    void beginRecording(AppState& app);
    void beginReplay(AppState& app);
    void recordFrame(AppState& app);
    // Frame index with its inputs read from the file; false (said) when they cannot be.
    bool replayedFrame(size_t index, ReplayedFrame& frame);

    bool recording_ = false;
    bool replaying_ = false;
    bool begun_ = false;  // the show's first frame has come (the launcher's frames are not the take's)
    TakeEnd endReason_ = TakeEnd::Other;  // set on the way out when known
    bool ended_ = false;
    bool failed_ = false;

    // Recording.
    TakeWriter writer_;
    std::vector<TakeDataFile> stamp_;  // the show data, stamped before it loads
    std::vector<TakeInput> inputs_;    // the inputs of the frame being polled (or replayed)
    TakeInput pointer_;                // the mouse as last recorded
    bool pointerRecorded_ = false;
    float lastClock_ = 0.0f;           // the part clock of the last frame recorded

    // Replaying.
    Take take_;
    std::vector<double> times_;  // takeFrameTimes(take_)
    size_t next_ = 0;            // the next frame to play
    int64_t startTicks_ = 0;     // when the take's time 0 is, on the tick clock
    double shift_ = 0.0;         // seconds the schedule moved: later after slow frames,
                                 // earlier or later to keep the music in step
    double behind_ = 0.0;        // seconds the schedule moved for slow frames
    bool saidBehind_ = false;
};

// Before anything opens, with the options parsed: creates the take file of --record
// (an existing file is refused unless --overwrite), or reads the take of --replay and
// checks it against this program and the show data in the show's folder (refused unless
// --force), then sets the options a replay needs (its window, no launcher, no MIDI
// device). The session becomes app's input source. False with one line in error.
bool prepareTake(AppState& app, std::string& error);
// app's take when it replays one (a capture renders it), else null.
TakeSession* replayedTake(AppState& app);
// Installed with atexit before any other exit handler, so that it runs last: when app's
// take was not kept whole (or its replay could not play on), ends the process at once
// with status 1, whatever status the way out gave (take.h: how a recording ends).
void exitWithTakeStatus(const AppState& app);
