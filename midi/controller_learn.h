// Learning a controller map from the performer's own hands: the show's controls are
// offered one by one, and the first message of a source not yet bound becomes the
// offered control's binding.
#pragma once
#include <cstdint>
#include <string>

#include "midi/controller_map.h"

struct ControllerLearn {
    size_t next = 0;      // the control offered now (an index into showControls())
    ControllerMap map;    // what has been bound so far
    bool done() const;
};

// The binding a short message (status | data1 << 8 | data2 << 16) makes: a control
// change, a note, a pitch bend on its channel, or "any N" for another kind of message.
ControlBinding bindingFor(uint32_t message);

// Binds the offered control to the message's source unless that source is bound already
// (a knob sends many messages; a note sends its note off). True when it bound one.
bool learnFrom(ControllerLearn& learn, uint32_t message);
// Passes over the offered control.
void skipControl(ControllerLearn& learn);
// What the overlay says: the control offered, what it does, how to skip or end.
std::string learnPrompt(const ControllerLearn& learn);
// The learned map as a file.
std::string learnedMapText(const ControllerLearn& learn);
