// A line about an output file, as it reaches the terminal: the file writer's lines quote
// the name as given, which may hold any bytes.
#pragma once
#include <string>

#include "platform/printable.h"

// Control and non-ASCII bytes shown as \xNN; the line's own quotes stay quotes.
inline std::string shownLine(const std::string& line) {
    std::string shown = platform::printable(line);
    for (size_t at = shown.find("\\x22"); at != std::string::npos; at = shown.find("\\x22", at + 1))
        shown.replace(at, 4, "\"");
    return shown;
}
