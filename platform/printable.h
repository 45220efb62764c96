// Text that came from a file or an argument can hold any bytes: before it reaches a
// terminal, control and non-ASCII bytes are shown as \xNN so they cannot move the cursor,
// change colours or scramble the lines around them.
#pragma once
#include <string>

namespace platform {

// A backslash is escaped too, so that \xNN is never ambiguous; but not on Windows, where it
// separates every path's folders and "C:\x5cshow\x5cbin.txt" would hide the path it names.
#ifdef _WIN32
constexpr char kPrintableEscape = '\0';
#else
constexpr char kPrintableEscape = '\\';
#endif

// maxChars cuts long text short, ending it with "...".
inline std::string printable(const std::string& text, size_t maxChars = std::string::npos) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == maxChars) return out + "...";
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7f && c != kPrintableEscape && c != '"')
            out += static_cast<char>(c);
        else
            out += std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
    }
    return out;
}

}  // namespace platform
