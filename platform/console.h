// Console services: hiding/showing the console window (Windows only), the four text
// colours the loaders use (as ANSI escapes when the stream is a terminal), UTF-8 output,
// and the message that ends a run.
#pragma once
#include <cstdio>
#include <iosfwd>
#include <string>

namespace platform {

void hide_console();
void show_console();

// Windows: the console shows what the program prints as UTF-8 (its names are UTF-8), until
// the program exits, when the console's own code page comes back (a command prompt's
// console outlives the show). Elsewhere the terminal follows the locale: nothing to do.
void use_utf8_console();

// A message that ends the run: printed on stream as one line. On Windows, when the console
// is hidden (the show started from Explorer, its console its own), it is also shown in a
// message box, after `cause` (what was printed just before it, or empty), since nothing
// else on screen would show it; returns when the box is closed.
void say_fatal(std::FILE* stream, const std::string& line, const std::string& cause = {});

// Whether stdout or stderr reaches a terminal (a console window on Windows) rather than
// a file or a pipe; false for any other stream.
bool is_terminal(std::FILE* stream);

// Stream manipulators: std::cout << red << "ERROR" ...
std::ostream& green(std::ostream& os);
std::ostream& grey(std::ostream& os);
std::ostream& cyan(std::ostream& os);
std::ostream& red(std::ostream& os);

}  // namespace platform
