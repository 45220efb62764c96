#include "platform/win32_keys.h"

namespace platform {

namespace {

// SDL's symbols for keys without a character are their scancode with this bit.
constexpr int32_t kScancodeSymbol = 1 << 30;

SdlKey named(int32_t scancode) { return {scancode, scancode | kScancodeSymbol}; }
SdlKey printable(int32_t scancode, char symbol) { return {scancode, static_cast<unsigned char>(symbol)}; }

// SDL's scancodes name a key's place on the keyboard, not its label: the main block's
// set-1 scan codes (what Windows reports in lParam) by place, 0 where the table has none.
// On a US layout this agrees with the virtual keys; on AZERTY the key labelled A is
// SDL's Q, as SDL itself reports it on Windows.
int32_t scancodeByPlace(unsigned scan) {
    static const int32_t table[0x3A] = {
        0,  41, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 45, 46, 42, 43,   // 0x00 Esc 1-0 - = Bksp Tab
        20, 26, 8,  21, 23, 28, 24, 12, 18, 19, 47, 48, 40, 224, 4, 22,   // 0x10 Q-P [ ] Enter LCtrl A S
        7,  9,  10, 11, 13, 14, 15, 51, 52, 53, 225, 49, 29, 27, 6, 25,   // 0x20 D-L ; ' ` LShift \ Z X C V
        5,  17, 16, 54, 55, 56, 229, 85, 226, 44};                        // 0x30 B N M , . / RShift * LAlt Space
    return scan < 0x3A ? table[scan] : 0;
}

}  // namespace

SdlKey sdl_key_for(unsigned vk, unsigned scan, bool extended) {
    SdlKey key = sdl_key_by_label(vk, scan, extended);
    // The main block's keys by place; the extended ones (arrows, keypad Enter, right Ctrl
    // and Alt, keypad /) share scan codes with others and keep the virtual key's.
    const int32_t placed = extended ? 0 : scancodeByPlace(scan);
    if (placed != 0 && key.scancode != 0) key.scancode = placed;
    return key;
}

SdlKey sdl_key_by_label(unsigned vk, unsigned scan, bool extended) {
    if (vk >= 'A' && vk <= 'Z') return printable(4 + static_cast<int32_t>(vk - 'A'), static_cast<char>('a' + (vk - 'A')));
    if (vk >= '1' && vk <= '9') return printable(30 + static_cast<int32_t>(vk - '1'), static_cast<char>(vk));
    if (vk >= 0x70 && vk <= 0x7B) return named(58 + static_cast<int32_t>(vk - 0x70));    // F1..F12
    if (vk >= 0x61 && vk <= 0x69) return named(89 + static_cast<int32_t>(vk - 0x61));    // keypad 1..9
    switch (vk) {
    case '0': return printable(39, '0');
    case 0x0D: return extended ? named(88) : printable(40, '\r');  // Enter (the keypad's is extended)
    case 0x1B: return printable(41, 27);                             // Escape
    case 0x08: return printable(42, 8);                              // Backspace
    case 0x09: return printable(43, 9);                              // Tab
    case 0x20: return printable(44, ' ');
    case 0xBD: return printable(45, '-');
    case 0xBB: return printable(46, '=');
    case 0xDB: return printable(47, '[');
    case 0xDD: return printable(48, ']');
    case 0xDC: return printable(49, '\\');
    case 0xBA: return printable(51, ';');
    case 0xDE: return printable(52, '\'');
    case 0xC0: return printable(53, '`');
    case 0xBC: return printable(54, ',');
    case 0xBE: return printable(55, '.');
    case 0xBF: return printable(56, '/');
    case 0x14: return named(57);   // Caps Lock
    case 0x2C: return named(70);   // Print Screen
    case 0x91: return named(71);   // Scroll Lock
    case 0x13: return named(72);   // Pause
    case 0x2D: return named(73);   // Insert
    case 0x24: return named(74);   // Home
    case 0x21: return named(75);   // Page Up
    case 0x2E: return printable(76, 127);  // Delete
    case 0x23: return named(77);   // End
    case 0x22: return named(78);   // Page Down
    case 0x27: return named(79);   // Right
    case 0x25: return named(80);   // Left
    case 0x28: return named(81);   // Down
    case 0x26: return named(82);   // Up
    case 0x90: return named(83);   // Num Lock
    case 0x6F: return named(84);   // keypad /
    case 0x6A: return named(85);   // keypad *
    case 0x6D: return named(86);   // keypad -
    case 0x6B: return named(87);   // keypad +
    case 0x60: return named(98);   // keypad 0
    case 0x6E: return named(99);   // keypad .
    case 0x5D: return named(101);  // Menu
    case 0x10: return named(scan == 0x36 ? 229 : 225);  // right or left Shift
    case 0x11: return named(extended ? 228 : 224);      // right or left Ctrl
    case 0x12: return named(extended ? 230 : 226);      // right or left Alt
    case 0x5B: return named(227);  // left Windows key
    case 0x5C: return named(231);  // right Windows key
    default: return {};
    }
}

}  // namespace platform
