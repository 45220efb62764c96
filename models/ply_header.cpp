// PLY header parsing: text lines up to end_header, ending in LF, CRLF or a bare CR.
#include "models/ply_header.h"

#include <algorithm>
#include <charconv>

#include "platform/printable.h"

namespace ply {

namespace {

// The line starting at p: line_end is set past its last character (its end marker
// excluded); returns where the next line starts.
const char* next_line(const char* p, const char* end, const char*& line_end) {
    while (p < end && *p != '\n' && *p != '\r') ++p;
    line_end = p;
    if (p < end && *p == '\r') ++p;
    if (p < end && *p == '\n' && (p == line_end || p[-1] == '\r')) ++p;
    return p;
}

std::vector<std::string> words_of(const char* p, const char* end) {
    std::vector<std::string> words;
    while (p < end) {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\v' || *p == '\f')) ++p;
        const char* start = p;
        while (p < end && *p != ' ' && *p != '\t' && *p != '\v' && *p != '\f') ++p;
        if (p > start) words.emplace_back(start, p);
    }
    return words;
}

bool parse_type(const std::string& word, Type& type) {
    static const struct {
        const char* name;
        Type type;
    } names[] = {{"char", Type::int8},       {"int8", Type::int8},       {"uchar", Type::uint8},
                 {"uint8", Type::uint8},      {"short", Type::int16},     {"int16", Type::int16},
                 {"ushort", Type::uint16},    {"uint16", Type::uint16},   {"int", Type::int32},
                 {"int32", Type::int32},      {"uint", Type::uint32},     {"uint32", Type::uint32},
                 {"float", Type::float32},    {"float32", Type::float32}, {"double", Type::float64},
                 {"float64", Type::float64}};
    for (const auto& n : names)
        if (word == n.name) {
            type = n.type;
            return true;
        }
    return false;
}

}  // namespace

size_t type_size(Type type) {
    switch (type) {
    case Type::int8: case Type::uint8: return 1;
    case Type::int16: case Type::uint16: return 2;
    case Type::int32: case Type::uint32: case Type::float32: return 4;
    case Type::float64: return 8;
    }
    return 8;
}

const char* type_name(Type type) {
    static const char* const names[] = {"char", "uchar", "short", "ushort", "int", "uint", "float", "double"};
    return names[static_cast<int>(type)];
}

bool parse_header(const char* data, size_t size, const std::string& name, Header& header, std::string& error) {
    header = Header();
    const char* p = data;
    const char* const end = data + size;
    bool have_format = false;
    size_t line_number = 0, stray_lines = 0;
    std::string first_stray;
    // Header lines ending in a bare CR: then so does end_header's, even when a binary body
    // starts with a line feed byte.
    bool bare_cr = false;
    auto fail = [&](const std::string& what) {
        error = name + ": " + what;
        return false;
    };
    while (p < end) {
        const char* line_end;
        const char* next = next_line(p, end, line_end);
        if (line_number == 0) bare_cr = next - line_end == 1 && *line_end == '\r';
        const std::vector<std::string> words = words_of(p, line_end);
        const std::string raw(p, std::min<size_t>(static_cast<size_t>(line_end - p), 200));
        const std::string shown = platform::printable(raw, 80);
        p = next;
        ++line_number;
        const std::string keyword = words.empty() ? "" : words[0];
        if (line_number == 1) {
            if (keyword != "ply") return fail("not a PLY file (no \"ply\" first line)");
        } else if (keyword == "format") {
            if (words.size() < 2) return fail("format line without a format: \"" + shown + "\"");
            if (words[1] == "ascii") header.format = Format::ascii;
            else if (words[1] == "binary_little_endian") header.format = Format::binary_little_endian;
            else if (words[1] == "binary_big_endian") header.format = Format::binary_big_endian;
            else return fail("unknown format \"" + platform::printable(words[1], 40) + "\"");
            have_format = true;
        } else if (keyword == "element") {
            Element e;
            const std::string count = words.size() == 3 ? words[2] : "";
            const auto r = std::from_chars(count.data(), count.data() + count.size(), e.count);
            if (count.empty() || r.ec != std::errc() || r.ptr != count.data() + count.size())
                return fail("element line without a name and a whole-number count: \"" + shown + "\"");
            e.name = words[1];
            header.elements.push_back(std::move(e));
        } else if (keyword == "property") {
            if (header.elements.empty()) return fail("property before any element: \"" + shown + "\"");
            Property prop;
            const bool list = words.size() >= 2 && words[1] == "list";
            if (words.size() != (list ? 5u : 3u)) return fail("property line that cannot be read: \"" + shown + "\"");
            prop.list = list;
            prop.name = words.back();
            if (list ? !parse_type(words[2], prop.count_type) || !parse_type(words[3], prop.type)
                     : !parse_type(words[1], prop.type))
                return fail("unknown property type in: \"" + shown + "\"");
            header.elements.back().properties.push_back(std::move(prop));
        } else if (keyword == "end_header") {
            if (!have_format) return fail("header has no format line");
            header.data_start = static_cast<size_t>((bare_cr && line_end < end ? line_end + 1 : next) - data);
            if (stray_lines)
                header.warnings.push_back(name + ": " + std::to_string(stray_lines) +
                                          " header line(s) that are not PLY (" + first_stray + ") read past as comments");
            return true;
        } else if (keyword != "comment" && keyword != "obj_info" && !keyword.empty()) {
            // Some exporters write a note without "comment" before it: nothing in it
            // describes the data, so it is read past, and said once.
            if (stray_lines++ == 0)
                first_stray = "line " + std::to_string(line_number) + ": \"" + platform::printable(raw, 60) + "\"";
        }
    }
    return fail(line_number == 0 ? "empty file" : "header has no end_header");
}

}  // namespace ply
