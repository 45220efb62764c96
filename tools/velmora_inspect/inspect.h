// velmora-inspect: what the show's own loaders find in an asset file, printed for show
// makers. One function per file kind; each returns the process exit code.
#pragma once
#include <iosfwd>
#include <string>

int inspect_obj(const std::string& path, std::ostream& out);
int inspect_bvh(const std::string& path, std::ostream& out);
// Through the shared PLY reader, as the show reads the file.
int inspect_ply(const std::string& path, std::ostream& out);
