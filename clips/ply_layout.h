// The one PLY header layout the show's mesh reader follows (it counts tokens rather than
// parsing the header), and where a file's header departs from it.
#pragma once
#include <string>

// The layout, in words, for messages.
extern const char* const kPlyLayout;

// Where the header in `text` (a whole PLY file, or its start) first departs from the
// layout in a way that moves or changes what the reader takes (a token where it expects
// another, another format, a line of another length, another property in x, y or z);
// "" when it has the layout. The answer is one clause, with file text made printable.
std::string plyLayoutDifference(const std::string& text);
