// Console services: hiding/showing the console window (Windows only) and the four
// text colours the loaders use, as ANSI escapes when the stream is a terminal.
#pragma once
#include <iosfwd>

namespace platform {

void hide_console();
void show_console();

// Stream manipulators: std::cout << red << "ERROR" ...
std::ostream& green(std::ostream& os);
std::ostream& grey(std::ostream& os);
std::ostream& cyan(std::ostream& os);
std::ostream& red(std::ostream& os);

}  // namespace platform
