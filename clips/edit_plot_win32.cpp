// The Windows build has no OpenCV to draw the edit with; the raw values (--dump-edit) are there.
#include "clips/edit_tools.h"

bool plotEdit(const Timeline&, const std::string&, std::string& error) {
    error = "--plot-edit is not in the Windows build (it draws with OpenCV); --dump-edit writes the same edit as values";
    return false;
}
