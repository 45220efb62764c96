// RtMidi behind the MIDI input service: the ALSA sequencer on Linux, WinMM on Windows.
// RtMidi's callback gets raw bytes; they are packed into the 32-bit short message
// (status | data1 << 8 | data2 << 16) that the service's callers expect.
#include "platform/midi_port.h"

#include <rtmidi/RtMidi.h>
#ifdef __linux__
#include <alsa/asoundlib.h>
#endif

#include <atomic>
#include <cctype>
#include <cstdlib>
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
    // System exclusive is a long message: the service is never given buffers for those.
    if ((*message)[0] == 0xF0) return;
    uint32_t packed = 0;
    for (size_t i = 0; i < message->size() && i < 3; ++i) packed |= static_cast<uint32_t>((*message)[i]) << (8 * i);
    port->callback(port, MIM_DATA, port->instance, packed, static_cast<uintptr_t>(stamp * 1000.0));
}

// The driver's port names, in its own order.
std::vector<std::string> driver_port_names(RtMidiIn& in) {
    std::vector<std::string> names;
    try {
        for (unsigned i = 0, n = in.getPortCount(); i < n; ++i) names.push_back(in.getPortName(i));
    } catch (const RtMidiError& e) {
        set_error(e.getMessage());
    }
    return names;
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool of_client(const std::string& lowered, const std::string& client) {
    return lowered.size() > client.size() && lowered.compare(0, client.size(), client) == 0 &&
           lowered[client.size()] == ':';
}

}  // namespace

std::vector<unsigned> midi_user_ports(const std::vector<std::string>& names) {
    // ALSA names a port "client:port client-number:port-number". The sequencer's own
    // clients (the kernel's "Midi Through" loopback, "System" with its timer and announce
    // ports, a sound server's announce ports) and this program's own client are not
    // devices anyone plugged in; Windows does not list such ports either.
    std::vector<unsigned> ports;
    for (unsigned i = 0; i < names.size(); ++i) {
        const std::string name = lower(names[i]);
        if (of_client(name, "midi through") || of_client(name, "system") || of_client(name, "velmora") ||
            name.find("announce") != std::string::npos)
            continue;
        ports.push_back(i);
    }
    return ports;
}

namespace {

// The driver's port number of a device number; false when there is no such device.
bool driver_port(RtMidiIn& in, unsigned device, unsigned& port) {
    const std::vector<unsigned> ports = midi_user_ports(driver_port_names(in));
    if (device >= ports.size()) return false;
    port = ports[device];
    return true;
}

}  // namespace

unsigned midi_in_device_count() {
    auto in = make_input();
    return in ? static_cast<unsigned>(midi_user_ports(driver_port_names(*in)).size()) : 0;
}

std::string midi_in_device_name(unsigned device, bool truncated) {
    auto in = make_input();
    unsigned port = 0;
    if (!in || !driver_port(*in, device, port)) return std::string();
    std::string name;
    try {
        name = in->getPortName(port);
    } catch (const RtMidiError& e) {
        set_error(e.getMessage());
    }
    return truncated ? name.substr(0, 31) : name;
}

unsigned midi_in_open(MidiInHandle* handle, unsigned device, MidiInCallback callback, uintptr_t instance) {
    *handle = nullptr;
    auto port = std::make_unique<MidiInPort>();
    port->in = make_input();
    if (!port->in) return kOpenFailed;
    try {
        unsigned driverPort = 0;
        if (!driver_port(*port->in, device, driverPort)) {
            set_error("no MIDI input device " + std::to_string(device));
            return kOpenFailed;
        }
        port->callback = callback;
        port->instance = instance;
        port->in->setCallback(on_bytes, port.get());
        // Timing clock, time code and active sensing are short messages like any other.
        port->in->ignoreTypes(false, false, false);
        port->in->openPort(driverPort, "velmora input");
        // RtMidi reports a failed open to the error callback and returns as if it worked.
        if (!port->in->isPortOpen()) {
            const std::string reason = midi_in_error_text(kOpenFailed);
            set_error("cannot open MIDI input device " + std::to_string(device) + " (" + reason + ")");
            return kOpenFailed;
        }
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
