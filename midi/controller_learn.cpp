// The learn walk's steps, free of the window and the driver so that tests drive them.
#include "midi/controller_learn.h"

bool ControllerLearn::done() const { return next >= showControls().size(); }

ControlBinding bindingFor(uint32_t message) {
    const uint8_t status = message & 0xFF, data1 = (message >> 8) & 0x7F;
    ControlBinding b;
    b.channel = (status & 0x0F) + 1;
    b.number = data1;
    switch (status & 0xF0) {
    case 0xB0: b.source = BindingSource::ControlChange; break;
    case 0x90:
    case 0x80: b.source = BindingSource::Note; break;
    case 0xE0:
        b.source = BindingSource::PitchBend;
        b.number = 0;
        break;
    default:
        b.source = BindingSource::AnyStatus;
        b.channel = 0;
        break;
    }
    return b;
}

namespace {

bool sameSource(const ControlBinding& a, const ControlBinding& b) {
    return a.source == b.source && a.number == b.number && a.channel == b.channel;
}

}  // namespace

bool learnFrom(ControllerLearn& learn, uint32_t message) {
    if (learn.done()) return false;
    ControlBinding b = bindingFor(message);
    for (const ControlBinding& bound : learn.map.bindings)
        if (sameSource(bound, b)) return false;
    const ShowControl& control = showControls()[learn.next];
    b.control = control.name;
    b.slot = control.slot;
    learn.map.bindings.push_back(b);
    learn.next += 1;
    return true;
}

void skipControl(ControllerLearn& learn) {
    if (!learn.done()) learn.next += 1;
}

std::string learnPrompt(const ControllerLearn& learn) {
    if (learn.done()) return "Learn: every control offered; the map is written";
    const ShowControl& c = showControls()[learn.next];
    return "Learn " + std::to_string(learn.next + 1) + "/" + std::to_string(showControls().size()) + ": move the control for " +
           c.name + " (" + c.what + ")  -  Space skips, Escape ends";
}

std::string learnedMapText(const ControllerLearn& learn) {
    return "# A controller map learned with velmora --learn: pass it with --controller FILE, or\n"
           "# save it as controller.map in the show's folder.\n" +
           formatControllerMap(learn.map);
}
