// PLY inspection: a placeholder until the show's PLY reader can be linked into the tool.
// Replace the body with a call to that reader and print vertex and face counts and the
// bounding box, as inspect_obj does for OBJ files.
#include <ostream>

#include "inspect.h"

int inspect_ply(const std::string& path, std::ostream& out) {
    out << "PLY " << path << "\n"
        << "PLY support not built in yet: this velmora-inspect cannot read PLY files.\n";
    return 1;
}
