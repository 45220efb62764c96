// Takes: a live performance recorded, and played back.
//
//   velmora --record FILE [--overwrite]      record while playing live
//   velmora --replay FILE [--force]          play it back live, exactly as performed
//   velmora --capture OUT.mp4 --replay FILE  render it offline (capture/capture.h)
//
// A take holds the duration and part clock of every frame of a live run, every control
// input with the frame it reached the show in, and what a replay needs to check that it
// plays the same show from the same start. The session (take_session.h) is the frame
// loop's input source (app/input_source.h): recording, it takes down each frame's inputs
// and hands them to the writer (take_writer.h), which streams them to the file on a thread
// of its own; replaying, it hands the loop the recorded frames on the take's schedule. The
// file format (take_file.h, docs/take-format.md) is read trusting nothing; the show data's
// stamp (take_stamp.h) and the program's version (version.h) tell a replay whether it
// plays the same show; a take's capture gets its sound track from take_music.h.
//
// Where a recording goes. The take is written into a temporary file of the run beside
// FILE, "FILE.<process id>.tmp", pushed to the disk twice a second, and renamed to FILE
// when the take closes: until then FILE is what it was (with --overwrite, the old take
// stays until the new one is whole). Without --overwrite an existing FILE is refused; a
// folder, a pipe, a device or one of the run's own input files always is. A take another
// run put under FILE meanwhile is never replaced: this one is kept beside it and both
// names are said.
//
// How a recording ends. Escape, closing the window, Ctrl-C (SIGINT), SIGTERM, --frames
// and the end of the show all close the take with its closing record and put it under
// FILE. The exit status says whether that happened: 0 when FILE holds the whole take; 1
// when it does not (the disk filled or a write failed: FILE is left as it was and the line
// says why; the run was stopped before its first frame; another run's take took the
// name); 2 when the run was refused before the show started (FILE untouched). A signal
// the program cannot catch (SIGKILL, a crash, a power cut) leaves no FILE but the
// temporary file, cut off at its last block: it plays as it is (--replay
// FILE.<id>.tmp plays up to the cut), and the next --record to FILE keeps it as
// "STEM.cut-<id>.EXT" beside FILE, saying so, instead of removing it with the empty
// temporary files of runs killed before their first frame.
//
// A replay reads every frame's duration and clock at once and each block of inputs when
// it comes to play it, so its memory follows the take's length, not its file's size. It
// ends by Escape, the window closing, Ctrl-C and SIGTERM like the live show.
//
// This header: the take as a record, and its clock.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/free_camera.h"
#include "app/input_source.h"

constexpr int kTakeControls = 100;  // the nanoKONTROL2 map's controller numbers 0..99

// One file of the show's data as the take found it.
struct TakeDataFile {
    std::string path;   // relative to the show's folder, '/'-separated
    uint64_t size = 0;  // bytes
    uint32_t crc = 0;   // CRC-32 of the content (of evenly spread samples of a large file)
};

struct TakeHeader {
    std::string version;      // the program that recorded it
    int32_t width = 0;        // the window's size in pixels
    int32_t height = 0;
    bool fullscreen = false;
    int64_t recordedAt = 0;   // seconds since 1970 (UTC), for people; never checked
    FreeCamera camera;        // the free camera as the first frame found it
    // The camera's mouse history: clicks in the launcher move the camera before a take
    // begins, and the next drag continues from these.
    float dragX = 0.0f, dragY = 0.0f;
    float prevMouseX = 0.0f, prevMouseY = 0.0f;
    float wheel = 0.0f;
    std::vector<uint16_t> heldKeys;  // scancodes held as the take began
    // The controller as the take began (it may have sent while the launcher was open).
    float controlValues[kTakeControls] = {};
    int32_t toggleStates[kTakeControls] = {};
    std::vector<TakeDataFile> data;  // the show data's stamp
    // The controller map the MIDI went through, in the map file's syntax; empty for a take
    // of format 1, which played through the built-in nanoKONTROL2 map.
    std::string controllerMap;
};

// A take's control inputs are the frame loop's own, as its input step took them.
using TakeInputKind = ControlInputKind;
using TakeInput = ControlInput;

struct TakeFrame {
    float dt = 0.0f;          // the frame's duration as measured live, seconds
    float clock = 0.0f;       // the part clock the frame showed (before its update)
    uint32_t inputsAt = 0;    // read: where its inputs start in its block's payload, bytes
    uint32_t inputCount = 0;  // its inputs (readTakeInputs in take_file.h)
};

// Where a block of frames is in the take's file, for reading its inputs when they play.
struct TakeBlock {
    uint64_t at = 0;          // its marker's offset in the file
    uint32_t size = 0;        // payload bytes
    uint32_t firstFrame = 0;  // its first frame's index
    uint32_t crc = 0;         // as read, to tell a file changed since
};
class TakeBytes;  // the file the take was read from (take_file.cpp)

// How a take ended. Cut: the file stops without its closing record (a crash, a kill, a
// power cut, a full disk).
enum class TakeEnd : uint8_t { Cut = 0, Escape, WindowClosed, Interrupted, FrameLimit, ShowOver, Other };
constexpr uint8_t kTakeEndLast = static_cast<uint8_t>(TakeEnd::Other);
// "ended by Escape", "cut off without its closing record", ...
const char* takeEndText(TakeEnd end);

struct Take {
    uint32_t format = 0;   // the file's format number
    TakeHeader header;
    std::vector<TakeFrame> frames;
    std::vector<TakeBlock> blocks;      // the blocks the frames came in, in order
    std::shared_ptr<TakeBytes> bytes;   // the file, held open for the inputs
    TakeEnd end = TakeEnd::Cut;
    float endDt = 0.0f;    // the duration of the poll that ended it (0 when cut)
    std::string damage;    // where and why it stops early; empty when it is whole
    uint64_t trailing = 0; // bytes after the closing record (not played)
};

// The moments of the take's frames, seconds from its start: frame k's clock is where
// the clock stood after the durations of the frames before it (its own duration is what
// its update advances the clock by).
std::vector<double> takeFrameTimes(const Take& take);
// Seconds from the take's start to its end.
double takeLength(const Take& take);
// The index of the last frame at or before `seconds` (0 before the first).
size_t takeFrameAt(const std::vector<double>& times, double seconds);
// The part clock `seconds` into the take: between two frames it moves on linearly where
// the clock ran (at any speed, stepped, steered to the music), and holds until the next
// frame where it jumped (to the cue, or back with the A key).
float takeClockAt(const Take& take, const std::vector<double>& times, double seconds);
