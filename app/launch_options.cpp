#include "app/launch_options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/part.h"
#include "platform/printable.h"

namespace {

bool parse_size(const char* text, int& width, int& height) {
    char* end = nullptr;
    const long w = std::strtol(text, &end, 10);
    if (end == text || (*end != 'x' && *end != 'X')) return false;
    const char* rest = end + 1;
    const long h = std::strtol(rest, &end, 10);
    if (end == rest || *end != '\0') return false;
    // Whether the machine can render that size is checked once a context can say; here
    // only what no machine could.
    if (w <= 0 || h <= 0 || w > 65535 || h > 65535) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool parse_count(const char* text, long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= 0 && errno != ERANGE;
}

bool parse_int_in(const char* text, int low, int high, int& value) {
    long v = 0;
    if (!parse_count(text, v) || v < low || v > high) return false;
    value = static_cast<int>(v);
    return true;
}

// A name that ends in a separator, or a folder that is there (links followed).
bool namesFolder(const std::string& name) {
    const char last = name.empty() ? '\0' : name.back();
    if (last == '/' || last == static_cast<char>(std::filesystem::path::preferred_separator)) return true;
    std::error_code ec;
    return std::filesystem::is_directory(std::filesystem::u8path(name), ec);
}

// Why the take options asked for cannot go together, or null.
const char* takeOptionsClash(const LaunchOptions& o) {
    const bool record = !o.record.empty(), replay = !o.replay.empty();
    if (record && replay) return "--record and --replay cannot go together: a replay plays a take, it does not make one";
    if (record && !o.capture.empty()) return "--record records a live performance; --capture plays nothing live";
    if ((record || replay) && (!o.contactSheet.empty() || !o.plotEdit.empty() || !o.dumpEdit.empty()))
        return "--record and --replay need the show to play; --contact-sheet, --plot-edit and --dump-edit do not play it";
    if (replay && o.startGiven) return "--start cannot go with --replay: a replay starts where its take started";
    if ((record || replay) && !o.learn.empty())
        return "--learn cannot go with --record or --replay: a take plays through one map from start to end";
    if (o.overwrite && !record) return "--overwrite only applies to --record";
    if (o.force && !replay) return "--force only applies to --replay";
    return nullptr;
}

}  // namespace

const char* launchUsage() {
    return "usage: velmora [options]\n"
           "  --no-launcher     skip the launcher; use --res and --windowed/--fullscreen\n"
           "  --res WxH         window size (default 1920x1080)\n"
           "  --windowed        windowed mode\n"
           "  --fullscreen      full screen (default)\n"
           "  --data DIR        run the show from DIR (default: the current directory)\n"
           "  --frames N        exit with status 0 after N frames\n"
           "  --no-audio        run silently, without opening a sound device\n"
           "  --no-midi         do not open the MIDI controller\n"
           "  --midi-port N|NAME  open MIDI input N, or the first whose name contains NAME\n"
           "  --controls        print the built-in controller map, in the map file's syntax, and exit\n"
           "  --controller FILE  read the controller through this map (default: controller.map in the\n"
           "                    show's folder when there is one, else the built-in nanoKONTROL2 map)\n"
           "  --learn FILE      bind the controls one by one from the controller, then write the map to FILE\n"
           "  --osc-port N      listen for OSC on UDP port N: /velmora/<control> with a float 0..1 or an int\n"
           "  --osc-host ADDR   the address OSC listens on (default 127.0.0.1, this machine only;\n"
           "                    0.0.0.0 for every network)\n"
           "  --display N       full screen on display N (0 is the first)\n"
           "  --vsync on|off    wait for the display's refresh before showing a frame (default off)\n"
           "  --start SECONDS   start the part clock there (jump to a scene)\n"
           "  --plot-edit FILE  draw the edit (part clock -> edit position) as a PNG and exit\n"
           "  --dump-edit FILE  write the edit's 1,000,000 values as little-endian floats and exit\n"
           "  --contact-sheet FILE  write one frame of each of the 25 scenes as one PNG and exit\n"
           "  --capture FILE.mp4  render the show offline into a video with its music and exit\n"
           "  --capture FOLDER/   the same as numbered PNG frames and the music as a WAV file\n"
           "  --fps N           frames per second of the capture (default 60)\n"
           "  --duration SECONDS  length of the capture (default: to the show's end)\n"
           "  --crf Q           H.264 quality of the capture, 0 (best) to 51 (default 18)\n"
           "  --render-scale auto|S  draw the pictures at S (0.25 to 1) of the window's width and height,\n"
           "                    or follow the frame rate (auto, the default, never below 640x360 pixels;\n"
           "                    captures and sheets draw at 1)\n"
           "  --target-fps N    the frame rate --render-scale auto holds (default 30)\n"
           "  --record FILE     record the performance (controller, mouse, keys, clock) into a new take file\n"
           "  --overwrite       let --record replace an existing file\n"
           "  --replay FILE     play a recorded take back live; with --capture, render it into the video\n"
           "  --force           replay a take recorded by another version or with other show data\n"
           "  --frame-hashes FILE  write a CRC-32 of every frame's picture, one line per frame\n"
           "  --timing          print the mean and worst frame time of each scene at the end\n"
           "  --gl-check        report OpenGL errors at the end of every frame\n"
           "  --no-prefetch     decode each picture when a frame needs it, not ahead on worker threads\n"
           "  --help            this text\n";
}

OptionsResult parseLaunchOptions(int argc, const char* const* argv, LaunchOptions& options, std::string& message) {
    int plain = 0;
    std::string resError;  // reported after the loop, when it is known whether this is a capture
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const auto value = [&](const char* name) -> const char* {
            // An empty value would read as "not given": --capture "" would quietly play the show.
            if (i + 1 >= argc || !argv[i + 1][0]) {
                message = std::string(name) + " needs a value";
                return nullptr;
            }
            return argv[++i];
        };
        if (std::strncmp(arg, "--", 2) != 0) {
            ++plain;
            continue;
        }
        if (!std::strcmp(arg, "--help")) return OptionsResult::Help;
        if (!std::strcmp(arg, "--no-launcher")) {
            options.launcher = false;
        } else if (!std::strcmp(arg, "--no-audio")) {
            options.audio = false;
        } else if (!std::strcmp(arg, "--no-midi")) {
            options.midi = false;
        } else if (!std::strcmp(arg, "--controls")) {
            options.controls = true;
        } else if (!std::strcmp(arg, "--controller") || !std::strcmp(arg, "--learn") ||
                   !std::strcmp(arg, "--osc-host")) {
            const char* v = value(arg);
            if (!v) return OptionsResult::Error;
            (!std::strcmp(arg, "--controller") ? options.controller
             : !std::strcmp(arg, "--learn")    ? options.learn
                                               : options.oscHost) = v;
        } else if (!std::strcmp(arg, "--osc-port") || !std::strcmp(arg, "--display")) {
            const char* v = value(arg);
            if (!v) return OptionsResult::Error;
            const bool port = !std::strcmp(arg, "--osc-port");
            int& target = port ? options.oscPort : options.display;
            if (!parse_int_in(v, port ? 1 : 0, port ? 65535 : 63, target)) {
                message = std::string(arg) + (port ? " expects a port 1 to 65535" : " expects a display number from 0") +
                          ", got \"" + platform::printable(v, 40) + "\"";
                return OptionsResult::Error;
            }
        } else if (!std::strcmp(arg, "--vsync")) {
            const char* v = value(arg);
            if (!v) return OptionsResult::Error;
            if (std::strcmp(v, "on") != 0 && std::strcmp(v, "off") != 0) {
                message = std::string("--vsync expects on or off, got \"") + platform::printable(v, 40) + "\"";
                return OptionsResult::Error;
            }
            options.vsync = !std::strcmp(v, "on");
        } else if (!std::strcmp(arg, "--midi-port")) {
            const char* v = value(arg);
            if (!v) return OptionsResult::Error;
            options.midiPort = v;
        } else if (!std::strcmp(arg, "--start")) {
            const char* v = value(arg);
            if (!v) return OptionsResult::Error;
            char* end = nullptr;
            options.startClock = std::strtof(v, &end);
            if (end == v || *end != '\0' || !(options.startClock >= -1000.0f && options.startClock <= 1000.0f)) {
                message = std::string("--start expects seconds between -1000 and 1000, got \"") +
                          platform::printable(v, 40) + "\"";
                return OptionsResult::Error;
            }
            // Past its end the show would draw one frame, or an empty picture, and stop.
            if (options.startClock >= kShowEnd) {
                message = std::string("--start ") + platform::printable(v, 40) +
                          (options.startClock > kShowEnd ? " is past" : " is") + " the show's end at " +
                          std::to_string(static_cast<int>(kShowEnd)) + " s";
                return OptionsResult::Error;
            }
            options.startGiven = true;
        } else if (!std::strcmp(arg, "--plot-edit") || !std::strcmp(arg, "--dump-edit")) {
            const char* v = value(arg);
            if (!v) return OptionsResult::Error;
            (arg[2] == 'p' ? options.plotEdit : options.dumpEdit) = v;
        } else if (!std::strcmp(arg, "--contact-sheet")) {
            const char* v = value(arg);
            if (!v) return OptionsResult::Error;
            options.contactSheet = v;
        } else if (!std::strcmp(arg, "--capture")) {
            const char* v = value(arg);
            if (!v) return OptionsResult::Error;
            options.capture = v;
            options.captureFolder = namesFolder(v);
        } else if (!std::strcmp(arg, "--fps") || !std::strcmp(arg, "--crf")) {
            const char* v = value(arg);
            if (!v) return OptionsResult::Error;
            const bool fps = arg[3] == 'p';
            if (!parse_int_in(v, fps ? 1 : 0, fps ? 240 : 51, fps ? options.fps : options.crf)) {
                message = std::string(arg) + (fps ? " expects 1 to 240" : " expects 0 to 51") + ", got \"" +
                          platform::printable(v, 40) + "\"";
                return OptionsResult::Error;
            }
        } else if (!std::strcmp(arg, "--duration")) {
            const char* v = value(arg);
            if (!v) return OptionsResult::Error;
            char* end = nullptr;
            options.duration = std::strtof(v, &end);
            if (end == v || *end != '\0' || !(options.duration > 0.0f && options.duration <= 1000.0f)) {
                message = std::string("--duration expects seconds above 0 (a capture cannot be empty), got \"") +
                          platform::printable(v, 40) + "\"";
                return OptionsResult::Error;
            }
            options.durationGiven = true;
        } else if (!std::strcmp(arg, "--render-scale")) {
            const char* v = value(arg);
            if (!v) return OptionsResult::Error;
            options.renderScaleGiven = true;
            options.renderScaleAuto = !std::strcmp(v, "auto");
            if (!options.renderScaleAuto) {
                char* end = nullptr;
                options.renderScale = std::strtof(v, &end);
                if (end == v || *end != '\0' || !(options.renderScale >= 0.25f && options.renderScale <= 1.0f)) {
                    message = std::string("--render-scale expects auto or a scale from 0.25 to 1, got \"") +
                              platform::printable(v, 40) + "\"";
                    return OptionsResult::Error;
                }
            }
        } else if (!std::strcmp(arg, "--target-fps")) {
            const char* v = value(arg);
            if (!v) return OptionsResult::Error;
            if (!parse_int_in(v, 1, 240, options.targetFps)) {
                message = std::string("--target-fps expects 1 to 240, got \"") + platform::printable(v, 40) + "\"";
                return OptionsResult::Error;
            }
        } else if (!std::strcmp(arg, "--record") || !std::strcmp(arg, "--replay") ||
                   !std::strcmp(arg, "--frame-hashes")) {
            const char* v = value(arg);
            if (!v) return OptionsResult::Error;
            std::string& target = !std::strcmp(arg, "--record")   ? options.record
                                  : !std::strcmp(arg, "--replay") ? options.replay
                                                                  : options.frameHashes;
            target = v;
        } else if (!std::strcmp(arg, "--overwrite")) {
            options.overwrite = true;
        } else if (!std::strcmp(arg, "--force")) {
            options.force = true;
        } else if (!std::strcmp(arg, "--timing")) {
            options.timing = true;
        } else if (!std::strcmp(arg, "--gl-check")) {
            options.glCheck = true;
        } else if (!std::strcmp(arg, "--no-prefetch")) {
            options.prefetch = false;
        } else if (!std::strcmp(arg, "--windowed")) {
            options.fullscreen = false;
            options.modeGiven = true;
        } else if (!std::strcmp(arg, "--fullscreen")) {
            options.fullscreen = true;
            options.modeGiven = true;
        } else if (!std::strcmp(arg, "--res")) {
            const char* v = value(arg);
            if (!v) return OptionsResult::Error;
            if (!parse_size(v, options.width, options.height))
                resError = std::string("--res expects WxH, each from 1 to 65535 (for example 1280x720), got \"") +
                           platform::printable(v, 40) + "\"";
            options.resGiven = true;
        } else if (!std::strcmp(arg, "--data")) {
            const char* v = value(arg);
            if (!v) return OptionsResult::Error;
            options.dataDir = v;
        } else if (!std::strcmp(arg, "--frames")) {
            const char* v = value(arg);
            if (!v) return OptionsResult::Error;
            if (!parse_count(v, options.frames)) {
                message = std::string("--frames expects a count from 0 to ") + std::to_string(LONG_MAX) + ", got \"" +
                          platform::printable(v, 40) + "\"";
                return OptionsResult::Error;
            }
        } else {
            message = "unknown option " + platform::printable(arg, 64);
            return OptionsResult::Error;
        }
    }
    if (const char* clash = takeOptionsClash(options)) {
        message = clash;
        return OptionsResult::Error;
    }
    if (!options.replay.empty()) options.midi = false;  // the take's MIDI plays; a live controller would only interfere
    if (!options.capture.empty()) {
        if (!resError.empty() || (!options.captureFolder && (options.width % 2 || options.height % 2))) {
            const std::string size = "--res " + std::to_string(options.width) + "x" + std::to_string(options.height);
            message = (resError.empty() ? size : resError) +
                      ": a capture needs an even, non-zero width and height (H.264 encodes only even sizes)";
            return OptionsResult::Error;
        }
        // Offline and exact: no controller, no sound device to follow.
        options.midi = false;
        options.audio = false;
    }
    if (!resError.empty()) {
        message = resError;
        return OptionsResult::Error;
    }
    // Batch modes never wait for a click, and draw into a hidden window: a full-screen one
    // could come out the desktop's size, with the picture scaled into it.
    if (options.batch()) {
        options.launcher = false;
        options.fullscreen = false;
    }
    // Exactly one argument of any value keeps the console visible, as it always has.
    options.keepConsole = (argc == 2 && plain == 1);
    return OptionsResult::Run;
}

std::vector<std::string> runInputFiles(const LaunchOptions& options) {
    const std::string show = options.dataDir.empty() ? std::string() : options.dataDir + "/";
    std::vector<std::string> files = {show + "bin.bin", show + "bin.txt", show + "music/Zo-velmora.mp3"};
    if (!options.replay.empty()) files.push_back(options.replay);
    if (!options.record.empty()) files.push_back(options.record);
    // Absolute: the run compares them with its outputs after it has entered the show's folder.
    for (std::string& file : files) {
        std::error_code ec;
        const std::filesystem::path full = std::filesystem::absolute(std::filesystem::u8path(file), ec);
        if (!ec) file = full.u8string();
    }
    return files;
}
