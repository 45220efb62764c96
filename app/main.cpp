// Entry: launcher, the real window, the parts, startup and the frame loop.
#include "platform/gl.h"
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>

#include "app/app_state.h"
#include "app/frame_finish.h"
#include "app/frame_loop.h"
#include "app/launcher.h"
#include "app/part.h"
#include "app/render_size.h"
#include "app/startup.h"
#include "app/window_picture.h"
#include "capture/capture.h"
#include "capture/frame_hashes.h"
#include "clips/contact_sheet.h"
#include "clips/edit_tools.h"
#include "clips/part_clips.h"
#include "clips/timeline.h"
#include "platform/console.h"
#include "platform/desktop.h"
#include "platform/file_write.h"
#include "platform/printable.h"
#include "platform/tick_clock.h"
#include "take/take_session.h"


namespace {

AppState g_app;

// Parts are built in zero-filled storage: members their constructors leave alone start at 0.
template <class T>
T* constructZeroed() {
    void* storage = std::calloc(1, sizeof(T));
    if (!storage) throw std::bad_alloc();
    return new (storage) T();
}

// These exits may come after the console was hidden: say_fatal then shows them in a
// message box too (a show started from Explorer).
void exitIfUnrenderable(int width, int height, const RenderLimits& limits) {
    const std::string problem = renderSizeProblem(width, height, limits);
    if (problem.empty()) return;
    platform::say_fatal(stderr, "velmora: cannot render the show here: " + problem + ".");
    std::exit(2);
}

void openWindowOrExit(TGLWindow& window, int x, int y, int width, int height, bool fullscreen, bool hidden = false,
                      bool pictureOnly = false) {
    if (!window.Init(x, y, width, height, fullscreen, hidden, pictureOnly)) {
        platform::say_fatal(stdout, "velmora: cannot open a " + std::to_string(width) + "x" + std::to_string(height) +
                                        " OpenGL window; giving up.", window.failure);
        std::exit(1);
    }
}

// The bounds of display `index`, or the run ends with the list of the displays there are.
platform::DesktopRect chosenDisplay(int index) {
    const std::vector<platform::Display> list = platform::displays();
    if (index < static_cast<int>(list.size())) return list[static_cast<size_t>(index)].bounds;
    std::string there;
    for (size_t i = 0; i < list.size(); ++i) {
        const platform::DesktopRect& b = list[i].bounds;
        there += (i ? "; " : "") + std::to_string(i) + " \"" + list[i].name + "\" " + std::to_string(b.right - b.left) +
                 "x" + std::to_string(b.bottom - b.top);
    }
    platform::say_fatal(stderr, "velmora: there is no display " + std::to_string(index) + "; the displays: " +
                                    (there.empty() ? std::string("none found") : there));
    std::exit(2);
}

void runLauncher(AppState& app) {
    const platform::DesktopRect desk = platform::desktop_rect();
    const int x = static_cast<int>(desk.right * 0.5f - 190.0f);
    const int y = static_cast<int>(desk.bottom * 0.5f - 105.0f);
    openWindowOrExit(app.window, x, y, 380, 240, false);
    std::vector<std::string> names;
    for (const platform::Display& d : platform::displays()) names.push_back(d.name);
    addDisplayEntry(app.menu, names, app.options.display);
    while (!app.menu.run) {
        pollInput(app);
        drawLauncher(app);
        platform::swap_window(app.window.window);
        platform::sleep_ms(30);
    }
    app.launcherDone = true;
    app.window.Destroy();
    launcherChoice(app.menu, app.width, app.height, app.fullscreen);
    if (launcherDisplay(app.menu) >= 0) app.options.display = launcherDisplay(app.menu);
}

}  // namespace

int main(int argc, char** argv) {
    AppState& app = g_app;
    std::string message;
    // Names are UTF-8: the console shows them as text (platform/printable.h).
    platform::use_utf8_console();
    switch (parseLaunchOptions(argc, argv, app.options, message)) {
    case OptionsResult::Help:
        fputs(launchUsage(), stdout);
        return 0;
    case OptionsResult::Error:
        fprintf(stderr, "velmora: %s\n%s", message.c_str(), launchUsage());
        return 2;
    case OptionsResult::Run:
        break;
    }
    if (app.options.controls) {
        fputs(builtInControllerMapText().c_str(), stdout);
        return 0;
    }
    if (!app.options.controller.empty()) {
        if (!readControllerMap(app.options.controller, app.controllerMap, message)) {
            fprintf(stderr, "velmora: %s\n", message.c_str());
            return 2;
        }
        app.controllerMapChosen = true;
    }
    // Before the capture's checks: a replay's capture lasts as long as its take.
    if (!prepareTake(app, message)) {
        fprintf(stderr, "velmora: %s\n", message.c_str());
        return 2;
    }
    // Before every other exit handler, so the last to run: a take not kept whole makes
    // the run's status 1 whichever way it ends (take/take.h).
    if (app.inputSource) std::atexit([] { exitWithTakeStatus(g_app); });
    if (!app.options.capture.empty() && !prepareCapture(app.options, message)) {
        fprintf(stderr, "velmora: %s\n", message.c_str());
        return 2;
    }
    app.inputFiles = runInputFiles(app.options);
    // Named from the folder the user ran the show in, as the take and the capture are, and
    // refused before any work is done: these are written only at the end.
    for (std::string* output : {&app.options.contactSheet, &app.options.plotEdit, &app.options.dumpEdit}) {
        if (output->empty()) continue;
        std::error_code ec;
        const std::filesystem::path full = std::filesystem::absolute(std::filesystem::u8path(*output), ec);
        if (!ec) *output = full.u8string();
        platform::WriteOptions outputOptions;
        outputOptions.inputs = app.inputFiles;
        if (platform::check_output(*output, outputOptions, message) != platform::FileWrite::Written) {
            fprintf(stderr, "velmora: %s\n", message.c_str());
            return 2;
        }
    }
    // Written into a temporary file from the first frame; its name takes it at the exit.
    static FrameHashLog hashes;
    if (!app.options.frameHashes.empty() &&
        !openFrameHashes(hashes, app.options.frameHashes, message, app.inputFiles)) {
        fprintf(stderr, "velmora: %s\n", message.c_str());
        return 2;
    }
    std::error_code entered;
    if (!app.options.dataDir.empty())
        std::filesystem::current_path(std::filesystem::u8path(app.options.dataDir), entered);
    if (entered) {
        fprintf(stderr, "velmora: cannot enter the show directory \"%s\": %s\n", platform::printable(app.options.dataDir).c_str(),
                entered.message().c_str());
        return 2;
    }

    // Started in an empty folder, or beside a copy of the program, the show would open a
    // red screen of missing shaders and leave a camera file there: said before any window.
    const std::string notAShow = notAShowFolder();
    if (!notAShow.empty() && app.options.plotEdit.empty() && app.options.dumpEdit.empty()) {
        platform::hide_console();  // a console of its own would close with the run: the line goes in a box
        platform::say_fatal(stderr, "velmora: " + notAShow + "; run velmora in the show's folder, or name that folder "
                                    "with --data DIR");
        return 2;
    }

    if (!app.options.plotEdit.empty() || !app.options.dumpEdit.empty()) {
        auto edit = std::make_unique<Timeline>();
        buildEdit(*edit);
        std::string error;
        if ((!app.options.plotEdit.empty() && !plotEdit(*edit, app.options.plotEdit, app.inputFiles, error)) ||
            (!app.options.dumpEdit.empty() && !dumpEdit(*edit, app.options.dumpEdit, app.inputFiles, error))) {
            fprintf(stderr, "velmora: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }

    if (!chooseControllerMap(app, message) || !openOscInput(app, message)) {
        fprintf(stderr, "velmora: %s\n", message.c_str());
        return 2;
    }

    platform::hide_console();
    if (app.options.keepConsole) platform::show_console();

    if (app.options.display >= 0) chosenDisplay(app.options.display);  // a display not there: said before anything opens
    app.fullscreen = false;
    app.width = 1920;
    app.height = 1080;
    if (app.options.launcher) {
        presetLauncherMenu(app.menu, app.options);
        runLauncher(app);
    } else {
        app.launcherDone = true;
        app.width = app.options.width;
        app.height = app.options.height;
        app.fullscreen = app.options.fullscreen;
    }

    // Memory first, before a window of that size exists; the GL limits once a context does.
    RenderLimits memoryOnly;
    memoryOnly.physicalBytes = physicalMemoryBytes();
    exitIfUnrenderable(app.width, app.height, memoryOnly);
    int x = app.fullscreen ? 0 : 10;
    int y = app.fullscreen ? 0 : 140;
    if (app.options.display >= 0 && (app.fullscreen || !app.options.launcher)) {
        // Full screen where that display sits; at its own size unless --res or the
        // launcher says otherwise.
        const platform::DesktopRect bounds = chosenDisplay(app.options.display);
        x = bounds.left;
        y = bounds.top;
        app.fullscreen = true;
        if (!app.options.resGiven && !app.options.launcher) {
            app.width = bounds.right - bounds.left;
            app.height = bounds.bottom - bounds.top;
        }
    } else if (app.options.display >= 0) {
        // Windowed on the display the launcher chose.
        const platform::DesktopRect bounds = chosenDisplay(app.options.display);
        x += bounds.left;
        y += bounds.top;
    }
    openWindowOrExit(app.window, x, y, app.width, app.height, app.fullscreen, app.options.batch(), true);
    // Off unless asked: the frame clock measures real durations either way.
    if (app.options.vsync) platform::set_swap_interval(1);
    exitIfUnrenderable(app.window.width, app.window.height, queryRenderLimits());
    drawLauncher(app);
    platform::swap_window(app.window.window);
    // Pictures read back are drawn off the screen where a window's own pixels are not all
    // there when it lies partly off the screen or came out smaller than asked.
    if ((app.options.batch() || !app.options.frameHashes.empty()) && picturesReadOffscreen()) {
        std::string error;
        if (!useOffscreenPicture(app.window, error)) {
            platform::say_fatal(stderr, "velmora: " + error);
            std::exit(1);
        }
    }

    app.loader = constructZeroed<Part_Loader>();
    app.loader->owner = &app;
    Part_Clips* show = constructZeroed<Part_Clips>();
    show->index = static_cast<int32_t>(app.parts.size());
    app.parts.push_back(show);

    startup(app);
    if (app.options.startGiven) show->clock = app.options.startClock;
    if (!app.options.contactSheet.empty()) {
        std::string error;
        const bool written = writeContactSheet(*show, app.options.contactSheet, error);
        if (!written) platform::say_fatal(stderr, "velmora: " + error);
        std::exit(written ? 0 : 1);
    }
    if (app.options.glCheck) std::atexit([] { printf("gl-check: %d OpenGL errors\n", g_app.glErrors); });
    if (app.options.timing) {
        static Part_Clips* timed = show;
        show->timing.addLine("music", [] { return musicSyncReport(g_app.musicSync, g_app.musicChannel != 0); });
        show->timing.addLine("input to picture", [] { return latencyReport(g_app.latency); });
        std::atexit([] { timed->timing.print(stdout); });
    }
    beginInputSource(app);
    if (!app.options.capture.empty()) std::exit(runCapture(app));
    // Every way out ends in exit(): the take's closing record is written on the way.
    if (app.inputSource) std::atexit([] { g_app.inputSource->finish(g_app); });
    platform::show_cursor(false);

    while (app.running) {
        pollInput(app);
        const float shown = app.parts[app.currentPart]->clock;  // the clock this frame shows
        driveParts(app);
        finishFrame(app);
        if (!logFrameHash(hashes, app, shown)) std::exit(1);  // the exit says why
        presentPicture(app.window);
        platform::swap_window(app.window.window);
        noteFrameShown(app.latency, platform::tick_count());
        if (app.options.frames >= 0 && app.frameCount >= app.options.frames) {
            if (app.inputSource) app.inputSource->ending(RunEnd::FrameLimit);
            std::exit(0);
        }
    }
    return 0;
}
