// RtMidi behind the MIDI input service: the ALSA sequencer on Linux, WinMM on Windows.
// RtMidi's callback gets raw bytes; they are packed into the 32-bit short message
// (status | data1 << 8 | data2 << 16) that the service's callers expect.
#include "platform/midi_port.h"

#include <rtmidi/RtMidi.h>
#ifdef __linux__
#include <alsa/asoundlib.h>
#endif

#include <atomic>
#include <memory>
#include <mutex>

namespace platform {

struct MidiInPort {
    std::unique_ptr<RtMidiIn> in;
    MidiInCallback callback = nullptr;
    uintptr_t instance = 0;
    std::atomic<bool> started{false};
};

namespace {

#ifdef _WIN32
constexpr RtMidi::Api kApi = RtMidi::WINDOWS_MM;
#else
// Never JACK: without a running server openPort crashes inside it.
constexpr RtMidi::Api kApi = RtMidi::LINUX_ALSA;
#endif

constexpr unsigned kOpenFailed = 1;

std::mutex g_error_mutex;
std::string g_last_error = "no error";

void set_error(const std::string& text) {
    std::lock_guard<std::mutex> lock(g_error_mutex);
    g_last_error = text;
}

// RtMidi reports warnings through this instead of printing them to stderr.
void quiet_errors(RtMidiError::Type, const std::string& text, void*) { set_error(text); }

#ifdef __linux__
// libasound prints its own complaints (no /dev/snd/seq on a machine without MIDI) to
// stderr; the failure is reported once, through the service's error text.
void silent_alsa(const char*, int, const char*, int, const char*, ...) {}
#endif

// A driver that cannot start once (no sequencer) will not appear later in the run:
// remember that instead of asking it again, and printing its complaint, at every call.
bool g_driver_missing = false;

std::unique_ptr<RtMidiIn> make_input() {
    if (g_driver_missing) return nullptr;
#ifdef __linux__
    snd_lib_error_set_handler(silent_alsa);
#endif
    try {
        auto in = std::make_unique<RtMidiIn>(kApi, "velmora");
        in->setErrorCallback(quiet_errors, nullptr);
        return in;
    } catch (const RtMidiError& e) {
        set_error(e.getMessage());
        g_driver_missing = e.getType() == RtMidiError::DRIVER_ERROR;
        return nullptr;
    }
}

void on_bytes(double stamp, std::vector<unsigned char>* message, void* user) {
    auto* port = static_cast<MidiInPort*>(user);
    if (!message || message->empty() || !port->started.load()) return;
    uint32_t packed = 0;
    for (size_t i = 0; i < message->size() && i < 3; ++i) packed |= static_cast<uint32_t>((*message)[i]) << (8 * i);
    port->callback(port, MIM_DATA, port->instance, packed, static_cast<uintptr_t>(stamp * 1000.0));
}

}  // namespace

unsigned midi_in_device_count() {
    auto in = make_input();
    return in ? in->getPortCount() : 0;
}

std::string midi_in_device_name(unsigned device) {
    auto in = make_input();
    if (!in) return std::string();
    std::string name;
    try {
        name = in->getPortName(device);
    } catch (const RtMidiError& e) {
        set_error(e.getMessage());
    }
    return name.substr(0, 31);
}

unsigned midi_in_open(MidiInHandle* handle, unsigned device, MidiInCallback callback, uintptr_t instance) {
    *handle = nullptr;
    auto port = std::make_unique<MidiInPort>();
    port->in = make_input();
    if (!port->in) return kOpenFailed;
    try {
        if (device >= port->in->getPortCount()) {
            set_error("no MIDI input device " + std::to_string(device));
            return kOpenFailed;
        }
        port->callback = callback;
        port->instance = instance;
        port->in->setCallback(on_bytes, port.get());
        port->in->openPort(device, "velmora input");
    } catch (const RtMidiError& e) {
        set_error(e.getMessage());
        return kOpenFailed;
    }
    *handle = port.release();
    callback(*handle, MIM_OPEN, instance, 0, 0);
    return 0;
}

void midi_in_start(MidiInHandle handle) {
    if (handle) handle->started.store(true);
}

void midi_in_stop(MidiInHandle handle) {
    if (handle) handle->started.store(false);
}

void midi_in_close(MidiInHandle handle) {
    if (!handle) return;
    handle->in->cancelCallback();
    handle->in->closePort();
    handle->callback(handle, MIM_CLOSE, handle->instance, 0, 0);
    delete handle;
}

std::string midi_in_error_text(unsigned) {
    std::lock_guard<std::mutex> lock(g_error_mutex);
    return g_last_error;
}

}  // namespace platform
