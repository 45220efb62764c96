// Choosing the controller map and reading OSC packets from the socket.
#include "app/live_controls.h"

#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "midi/osc_packet.h"
#include "models/text_band.h"
#include "platform/file_write.h"
#include "platform/window.h"
#include "platform/file_io.h"
#include "platform/file_read.h"
#include "platform/printable.h"

namespace {

// A map is a few dozen lines; a file far larger is not one.
constexpr uint64_t kLargestMap = 1 << 20;
// The largest UDP datagram.
constexpr size_t kLargestPacket = 65536;

}  // namespace

bool readControllerMap(const std::string& path, ControllerMap& map, std::string& error) {
    std::string text, why;
    if (platform::read_regular_file(path, text, kLargestMap, why) != platform::FileRead::Read) {
        error = "cannot read the controller map \"" + platform::printable(path) + "\": " + why;
        return false;
    }
    map.name = "\"" + platform::printable(path) + "\"";
    if (!parseControllerMap(text, map, why)) {
        error = "the controller map \"" + platform::printable(path) + "\", " + why;
        return false;
    }
    return true;
}

bool chooseControllerMap(AppState& app, std::string& error) {
    ControllerMap map = builtInControllerMap();
    if (app.controllerMapChosen) {
        map = app.controllerMap;
    } else if (platform::file_kind("controller.map") != platform::FileKind::Absent) {
        if (!readControllerMap("controller.map", map, error)) return false;
    }
    app.controllerMap = map;
    app.nano_kontrol2.set_map(map);
    printf("Controller map: %s, %zu binding%s%s\n", map.name.c_str(), map.bindings.size(), map.bindings.size() == 1 ? "" : "s",
           map.passThrough ? " and every other controller number to its own slot" : "");
    return true;
}

namespace {

// Hands one packet's controls to the controller, on the reader's thread.
void readPacket(OscInput& osc, MidiIn& controller, const uint8_t* data, size_t size, bool truncated) {
    OscPacket packet;
    std::string why;
    if (truncated || !parseOscPacket(data, size, packet, why)) {
        if (osc.malformed.fetch_add(1) == 0)
            printf("OSC: a malformed packet was refused (%s); others are counted\n",
                   truncated ? "longer than a datagram" : why.c_str());
        return;
    }
    for (const OscControl& c : packet.controls) {
        uint32_t bits;
        std::memcpy(&bits, &c.value, sizeof bits);
        MidiIn::midi_in_callback(nullptr, kOscControlKind, reinterpret_cast<uintptr_t>(&controller),
                                 static_cast<uintptr_t>(c.slot), bits);
    }
    if (packet.ignored && osc.ignored.fetch_add(packet.ignored) == 0)
        printf("OSC: \"%s\" sets nothing; the show's addresses are %s<control> with one float 0..1 or one int "
               "0..127 (velmora --controls lists the controls); others are counted\n",
               platform::printable(packet.firstIgnored).c_str(), kOscPrefix);
}

}  // namespace

OscInput::~OscInput() {
    stopping = true;
    if (reader.joinable()) reader.join();
    const long long unused = ignored.load(), refused = malformed.load();
    if (unused || refused)
        printf("OSC: %lld message%s set nothing, %lld packet%s malformed\n", unused, unused == 1 ? "" : "s", refused,
               refused == 1 ? " was" : "s were");
}

bool openOscInput(AppState& app, std::string& error) {
    if (app.options.oscPort < 0) return true;
    std::string why;
    OscInput& osc = app.osc;
    if (!osc.socket.open(app.options.oscHost, app.options.oscPort, why)) {
        error = "cannot listen for OSC on " + app.options.oscHost + ":" + std::to_string(app.options.oscPort) + ": " + why;
        return false;
    }
    printf("OSC: listening on %s:%d for %s<control>\n", app.options.oscHost.c_str(), osc.socket.port(), kOscPrefix);
    MidiIn& controller = app.nano_kontrol2;
    osc.reader = std::thread([&osc, &controller] {
        std::vector<uint8_t> buffer(kLargestPacket);
        while (!osc.stopping.load()) {
            // A bounded wait: the thread notices the end of the run within it.
            if (!osc.socket.wait(100)) continue;
            bool truncated = false;
            for (long size; (size = osc.socket.receive(buffer.data(), buffer.size(), truncated)) >= 0;)
                readPacket(osc, controller, buffer.data(), static_cast<size_t>(size), truncated);
        }
    });
    return true;
}

namespace {

void endLearn(AppState& app) {
    LearnSession& s = app.learn;
    s.active = false;
    platform::WriteOptions options;
    options.inputs = app.inputFiles;
    std::string why;
    if (platform::write_file(app.options.learn, learnedMapText(s.learn), options, why) != platform::FileWrite::Written) {
        printf("Learn: %s; the map is not kept\n", why.c_str());
        return;
    }
    // What was learned plays from now on; controls passed over keep no binding.
    ControllerMap map = s.learn.map;
    map.name = "\"" + platform::printable(app.options.learn) + "\" (learned)";
    app.controllerMap = map;
    app.nano_kontrol2.set_map(map);
    printf("Learn: %zu bindings written to \"%s\", and in use now\n", map.bindings.size(),
           platform::printable(app.options.learn).c_str());
}

}  // namespace

void beginLearn(AppState& app) {
    if (app.options.learn.empty()) return;
    app.learn.active = true;
    app.learn.seen = app.nano_kontrol2.message_count.load(std::memory_order_acquire);
    printf("%s\n", learnPrompt(app.learn.learn).c_str());
}

bool learnTakesEvent(AppState& app, const platform::InputEvent& event) {
    if (!app.learn.active || event.kind != platform::EventKind::KeyDown || event.repeat) return false;
    if (event.sym == ' ') {
        skipControl(app.learn.learn);
    } else if (event.sym == platform::kKeyEscape) {
        endLearn(app);
        return true;
    } else {
        return false;
    }
    if (app.learn.learn.done()) endLearn(app);
    else printf("%s\n", learnPrompt(app.learn.learn).c_str());
    return true;
}

void stepLearn(AppState& app) {
    LearnSession& s = app.learn;
    if (!s.active) return;
    const uint32_t count = app.nano_kontrol2.message_count.load(std::memory_order_acquire);
    if (count != s.seen) {
        s.seen = count;
        if (learnFrom(s.learn, app.nano_kontrol2.last_message.load(std::memory_order_relaxed))) {
            printf("Learn: %s", formatControllerMap(ControllerMap{{s.learn.map.bindings.back()}, false, ""}).c_str());
            if (s.learn.done()) {
                endLearn(app);
                return;
            }
            printf("%s\n", learnPrompt(s.learn).c_str());
        }
    }
    drawOverlayLines({learnPrompt(s.learn)}, app.window.width, app.window.height, 0.45f, 0.9f, 1.0f);
}
