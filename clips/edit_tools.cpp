#include "clips/edit_tools.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "clips/timeline.h"

bool dumpEdit(const Timeline& edit, const std::string& path, std::string& error) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = "cannot write \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    bool ok = true;
    for (int i = 0; i < Timeline::kEntries && ok; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &edit.values[i], 4);
        const unsigned char le[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                                     static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
        ok = std::fwrite(le, 1, 4, f) == 4;
    }
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) error = "writing \"" + path + "\" failed";
    return ok;
}
