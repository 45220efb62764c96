// The PLY header as the reader sees it: the format, the elements in file order with their
// properties, and where the data starts. Part of the PLY reader (ply_reader.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ply {

enum class Type : uint8_t { int8, uint8, int16, uint16, int32, uint32, float32, float64 };

enum class Format : uint8_t { ascii, binary_little_endian, binary_big_endian };

struct Property {
    std::string name;
    Type type = Type::float32;    // of the value, or of a list's items
    bool list = false;
    Type count_type = Type::uint8;  // of a list's item count
};

struct Element {
    std::string name;
    uint64_t count = 0;
    std::vector<Property> properties;
};

struct Header {
    Format format = Format::ascii;
    std::vector<Element> elements;
    size_t data_start = 0;              // offset of the first byte after end_header's line
    std::vector<std::string> warnings;  // lines read past, said once
};

size_t type_size(Type type);
const char* type_name(Type type);

// Parses the header at the start of data[0, size). False with error set (one line starting
// with name) when there is no PLY header, no format or end_header, an unknown type, or an
// element or property line that cannot be read.
bool parse_header(const char* data, size_t size, const std::string& name, Header& header, std::string& error);

}  // namespace ply
