// Windows' virtual-key codes turned into SDL's key numbers, which the show uses on every
// system. Plain numbers, no Windows headers: the table is checked on Linux too.
#pragma once
#include <cstdint>

namespace platform {

struct SdlKey {
    int32_t scancode = 0;  // SDL scancode (USB usage); 0 for a key the table does not know
    int32_t sym = 0;       // SDL key symbol: the character for printable keys
};

// virtualKey: the message's wParam; scan: bits 16-23 of its lParam; extended: bit 24.
// Shift, Ctrl and Alt come as one virtual key for both sides: the scan code and the
// extended bit tell them apart.
// The scancode is the key's place (the scan code), as SDL has it; the symbol its label (the
// virtual key).
SdlKey sdl_key_for(unsigned virtualKey, unsigned scan, bool extended);
// Both from the virtual key alone: what a US layout gives.
SdlKey sdl_key_by_label(unsigned virtualKey, unsigned scan, bool extended);

}  // namespace platform
