#include "clips/edit_tools.h"

#include <cstdint>
#include <cstring>

#include "clips/timeline.h"
#include "platform/file_write.h"

bool dumpEdit(const Timeline& edit, const std::string& path, const std::vector<std::string>& inputs, std::string& error) {
    std::string bytes(static_cast<size_t>(Timeline::kEntries) * 4, '\0');
    for (int i = 0; i < Timeline::kEntries; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &edit.values[i], 4);
        for (int b = 0; b < 4; ++b) bytes[static_cast<size_t>(i) * 4 + b] = static_cast<char>(bits >> (8 * b));
    }
    platform::WriteOptions options;
    options.inputs = inputs;
    return platform::write_file(path, bytes, options, error) == platform::FileWrite::Written;
}
