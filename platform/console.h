// Console services: hiding/showing the console window (Windows only) and the four
// text colours the loaders use, as ANSI escapes when the stream is a terminal.
#pragma once
#include <cstdio>
#include <iosfwd>

namespace platform {

void hide_console();
void show_console();

// Whether stdout or stderr reaches a terminal (a console window on Windows) rather than
// a file or a pipe; false for any other stream.
bool is_terminal(std::FILE* stream);

// Stream manipulators: std::cout << red << "ERROR" ...
std::ostream& green(std::ostream& os);
std::ostream& grey(std::ostream& os);
std::ostream& cyan(std::ostream& os);
std::ostream& red(std::ostream& os);

}  // namespace platform
