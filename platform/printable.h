// Text that came from a file or an argument can hold any bytes: before it reaches a
// terminal, control bytes, bytes that are not UTF-8 and characters that move or reorder
// text are shown as \xNN, so they cannot move the cursor, change colours or scramble the
// lines around them. Other non-ASCII characters are printed as themselves where the
// output takes UTF-8, and escaped where it does not.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <string>

#ifdef _WIN32
// The console's output code page (kernel32), declared here so that the header needs no
// <windows.h>: 0 when there is no console (a pipe, a file), which take UTF-8 as written.
extern "C" __declspec(dllimport) unsigned int __stdcall GetConsoleOutputCP(void);
#endif

namespace platform {

// A backslash is escaped too, so that \xNN is never ambiguous; but not on Windows, where it
// separates every path's folders and "C:\x5cshow\x5cbin.txt" would hide the path it names.
#ifdef _WIN32
constexpr char kPrintableEscape = '\0';
#else
constexpr char kPrintableEscape = '\\';
#endif

// Whether what the program prints is read as UTF-8: on Windows where the console's output
// code page is UTF-8 (the show sets it, platform/console.h) or there is no console; on
// other systems where the locale's character set is (LC_ALL, else LC_CTYPE, else LANG).
inline bool output_takes_utf8() {
#ifdef _WIN32
    const unsigned int page = GetConsoleOutputCP();
    return page == 0 || page == 65001;
#else
    static const bool utf8 = [] {
        const char* locale = nullptr;
        for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
            locale = std::getenv(name);
            if (locale && *locale) break;
        }
        std::string set = locale ? locale : "";
        for (char& c : set) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        return set.find("utf-8") != std::string::npos || set.find("utf8") != std::string::npos;
    }();
    return utf8;
#endif
}

// The length of the well-formed UTF-8 character at text[i] (2 to 4 bytes) when a terminal
// shows it as a character, else 0: not for a stray or cut byte, an overlong form, a
// surrogate, a code point past U+10FFFF, the C1 controls (U+0080 to U+009F, which some
// terminals obey), or the marks that turn or separate lines (U+200E, U+200F, U+2028 to
// U+202E, U+2066 to U+2069).
inline size_t shown_character_length(const std::string& text, size_t i) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || text.size() - i < length) return 0;
    uint32_t code = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        code = code << 6 | (next & 0x3F);
    }
    static const uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    if (code <= 0x9F || code == 0x200E || code == 0x200F || (code >= 0x2028 && code <= 0x202E) ||
        (code >= 0x2066 && code <= 0x2069))
        return 0;
    return length;
}

// text with what must not reach a terminal as it is escaped, and the other non-ASCII
// characters too unless utf8. maxChars cuts long text short (counted in bytes, never
// inside a character), ending it with "...".
inline std::string escaped_text(const std::string& text, bool utf8, size_t maxChars = std::string::npos) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < text.size();) {
        if (i >= maxChars) return out + "...";
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7f && c != kPrintableEscape && c != '"') {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        const size_t length = utf8 && c >= 0x80 ? shown_character_length(text, i) : 0;
        if (length > 0 && length > maxChars - i) return out + "...";
        if (length > 0) {
            out.append(text, i, length);
            i += length;
            continue;
        }
        out += std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
        ++i;
    }
    return out;
}

// text as this program's output takes it.
inline std::string printable(const std::string& text, size_t maxChars = std::string::npos) {
    return escaped_text(text, output_takes_utf8(), maxChars);
}

}  // namespace platform
