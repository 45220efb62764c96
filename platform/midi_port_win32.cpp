// The MIDI input service on Windows: the multimedia service itself (winmm). Its callback
// already has the contract the callers expect (message kinds, packed short messages,
// the driver's thread), so messages are passed on as they come.
// Before mmsystem.h, whose MIM_ macros (the same values) would rewrite its constants.
#include "platform/midi_port.h"

#include <windows.h>
#include <mmsystem.h>

#include <memory>

namespace platform {

struct MidiInPort {
    HMIDIIN in = nullptr;
    MidiInCallback callback = nullptr;
    uintptr_t instance = 0;
};

namespace {

void CALLBACK on_driver(HMIDIIN, UINT kind, DWORD_PTR port, DWORD_PTR param1, DWORD_PTR param2) {
    auto* p = reinterpret_cast<MidiInPort*>(port);
    p->callback(p, kind, p->instance, param1, param2);
}

}  // namespace

unsigned midi_in_device_count() { return midiInGetNumDevs(); }

// The capabilities record holds at most 31 characters of the name, which is all the
// service tells.
std::string midi_in_device_name(unsigned device, bool) {
    MIDIINCAPSA caps{};
    if (midiInGetDevCapsA(device, &caps, sizeof caps) != MMSYSERR_NOERROR) return std::string();
    caps.szPname[MAXPNAMELEN - 1] = '\0';
    return caps.szPname;
}

unsigned midi_in_open(MidiInHandle* handle, unsigned device, MidiInCallback callback, uintptr_t instance) {
    *handle = nullptr;
    // The port record is ready before the open: the service calls back (MIM_OPEN) from
    // inside midiInOpen.
    auto port = std::make_unique<MidiInPort>();
    port->callback = callback;
    port->instance = instance;
    const MMRESULT r = midiInOpen(&port->in, device, reinterpret_cast<DWORD_PTR>(on_driver),
                                  reinterpret_cast<DWORD_PTR>(port.get()), CALLBACK_FUNCTION);
    if (r != MMSYSERR_NOERROR) return r;
    *handle = port.release();
    return 0;
}

void midi_in_start(MidiInHandle handle) {
    if (handle) midiInStart(handle->in);
}

void midi_in_stop(MidiInHandle handle) {
    if (handle) midiInStop(handle->in);
}

void midi_in_close(MidiInHandle handle) {
    if (!handle) return;
    // MIM_CLOSE arrives from inside midiInClose: the record lives until it returns. Should
    // the close fail, the driver may still call back: the record is then left alive.
    if (midiInClose(handle->in) == MMSYSERR_NOERROR) delete handle;
}

std::string midi_in_error_text(unsigned code) {
    char text[256] = {};
    if (midiInGetErrorTextA(code, text, sizeof text) != MMSYSERR_NOERROR) return "MIDI error " + std::to_string(code);
    return text;
}

}  // namespace platform
