// Command-line options for people who run the show often, and for tests.
#pragma once
#include <string>
#include <vector>

struct LaunchOptions {
    bool launcher = true;      // false with --no-launcher
    int width = 1920;          // --res WxH
    int height = 1080;
    bool resGiven = false;
    bool fullscreen = true;    // --fullscreen / --windowed
    bool modeGiven = false;
    std::string dataDir;       // --data DIR: working directory of the show
    long frames = -1;          // --frames N: exit with status 0 after N frames
    bool keepConsole = false;  // a single plain argument keeps the console window (Windows)
    bool audio = true;         // --no-audio: never open a sound device
    bool midi = true;          // --no-midi: never open the MIDI controller
    std::string midiPort;      // --midi-port N|NAME: the MIDI input to open instead of device 0
    bool startGiven = false;   // --start SECONDS: the part clock before the first frame
    float startClock = 0.0f;
    std::string plotEdit;      // --plot-edit FILE.png: draw the edit and exit
    std::string dumpEdit;      // --dump-edit FILE: write the edit's values and exit
    std::string contactSheet;  // --contact-sheet FILE.png: one frame of every scene, then exit
    bool timing = false;       // --timing: frame times per scene, printed at the end
    bool glCheck = false;      // --gl-check: report OpenGL errors after every frame
    bool prefetch = true;      // --no-prefetch: decode every picture when a frame asks for it
    std::string capture;       // --capture FILE.mp4|FOLDER/: render the show offline into a video, or
                               // into a folder of PNG frames and a WAV file, then exit
    bool captureFolder = false;  // --capture names a folder: it ends in a separator or is one
    int fps = 60;              // --fps N: frames per second of the capture
    int crf = 18;              // --crf Q: H.264 quality of the capture (0 best .. 51 worst)
    bool durationGiven = false;  // --duration SECONDS: length of the capture (default: to the show's end)
    float duration = 0.0f;
    bool renderScaleAuto = true;     // --render-scale auto: chosen from the frame rate (the live default)
    float renderScale = 1.0f;        // --render-scale S: share of the window's sides drawn off-screen
    bool renderScaleGiven = false;
    int targetFps = 30;              // --target-fps N: the frame rate auto holds
    std::string record;        // --record FILE: record the live performance into a new take file
    bool overwrite = false;    // --overwrite: --record may replace an existing file
    std::string replay;        // --replay FILE: play a take back (live, or into --capture's video)
    bool force = false;        // --force: replay a take of another version or other show data
    float replayLength = 0.0f; // the take's length in seconds, once --replay's take is read
    std::string frameHashes;   // --frame-hashes FILE: a CRC-32 of every frame's picture
    bool controls = false;     // --controls: print the built-in controller map and exit
    std::string controller;    // --controller FILE: the controller map to use
    std::string learn;         // --learn FILE: bind the controls one by one, write the map
    int oscPort = -1;          // --osc-port N: listen for OSC (-1: not at all)
    std::string oscHost = "127.0.0.1";  // --osc-host ADDR: 0.0.0.0 listens on every network
    int display = -1;          // --display N: full screen on display N (from 0)
    bool vsync = false;        // --vsync on|off

    // --capture and --contact-sheet run by themselves in a hidden window.
    bool batch() const { return !capture.empty() || !contactSheet.empty(); }
    // Whether the scale follows the frame rate: in the live show unless a scale is given;
    // never offline, where every frame takes the time it needs.
    bool adaptiveScale() const { return renderScaleAuto && !batch(); }
};

enum class OptionsResult { Run, Help, Error };

// Parses argv into options. On Error, message says what was wrong.
OptionsResult parseLaunchOptions(int argc, const char* const* argv, LaunchOptions& options, std::string& message);

const char* launchUsage();

// The files this run reads that no output may replace: the take replayed or being
// recorded, and the show's pictures, their index and the music (in --data's folder).
// Absolute names, made from the folder the run is in when called: call it before the run
// enters the show's folder.
std::vector<std::string> runInputFiles(const LaunchOptions& options);
