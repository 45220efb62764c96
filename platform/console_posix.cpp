// Console services on POSIX systems: the terminal's ANSI colours.
#include "platform/console.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace platform {

// There is no separate console window off Windows: the terminal belongs to the user.
void hide_console() {}
void show_console() {}
void use_utf8_console() {}

// The terminal, or the log the output goes to, is where the user looks.
void say_fatal(std::FILE* stream, const std::string& line, const std::string&) {
    std::fprintf(stream, "%s\n", line.c_str());
    std::fflush(stream);
}

bool is_terminal(std::FILE* stream) {
    if (stream == stdout) return isatty(STDOUT_FILENO) != 0;
    if (stream == stderr) return isatty(STDERR_FILENO) != 0;
    return false;
}

namespace {

// Colours act only on the standard streams, and only when they reach a terminal,
// so logs redirected to files stay free of escape codes.
bool reaches_terminal(const std::ostream& os) {
    if (&os == &std::cout) return is_terminal(stdout);
    if (&os == &std::cerr || &os == &std::clog) return is_terminal(stderr);
    return false;
}

std::ostream& colour(std::ostream& os, const char* escape) {
    if (reaches_terminal(os)) os << escape;
    return os;
}

}  // namespace

// Console attributes 10, 7, 11 and 12: bright green, grey, bright cyan, bright red.
std::ostream& green(std::ostream& os) { return colour(os, "\x1b[92m"); }
std::ostream& grey(std::ostream& os) { return colour(os, "\x1b[0m"); }
std::ostream& cyan(std::ostream& os) { return colour(os, "\x1b[96m"); }
std::ostream& red(std::ostream& os) { return colour(os, "\x1b[91m"); }

}  // namespace platform
