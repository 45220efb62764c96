// Splitting mesh files into lines: exporters end lines in LF, CRLF or, on some CAD
// programs and old Mac tools, a bare CR; all three are one line end.
#pragma once
#include <cstddef>

namespace crt_encode {

// The line starting at p: sets line_end to its last character plus one (its end marker
// excluded) and returns where the next line starts (end after the last line).
inline const char* next_line(const char* p, const char* end, const char*& line_end) {
    while (p < end && *p != '\n' && *p != '\r') ++p;
    line_end = p;
    if (p < end && *p == '\r') ++p;
    if (p < end && *p == '\n' && (p == line_end || p[-1] == '\r')) ++p;
    return p;
}

}  // namespace crt_encode
