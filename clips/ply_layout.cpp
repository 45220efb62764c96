// The header layout check: the file's header lines side by side with the layout's.
#include "clips/ply_layout.h"

#include <algorithm>
#include <sstream>
#include <vector>

#include "platform/printable.h"

const char* const kPlyLayout =
    "an ASCII PLY file whose header is \"ply\", \"format ascii 1.0\", one comment line of three words, "
    "\"element vertex N\" with seven scalar properties (x y z red green blue alpha), \"element face M\" with two "
    "list properties (vertex indices and texture coordinates) and \"end_header\"";

namespace {

// One line of the layout: its words, "*" standing for any word.
struct ExpectedLine {
    std::vector<std::string> words;
    const char* what;  // how a message names it
};

std::vector<ExpectedLine> layout() {
    std::vector<ExpectedLine> lines = {
        {{"ply"}, "\"ply\""},
        {{"format", "ascii", "1.0"}, "\"format ascii 1.0\""},
        {{"*", "*", "*"}, "a comment of three words"},
        {{"element", "vertex", "*"}, "\"element vertex N\""},
    };
    lines.push_back({{"property", "*", "x"}, "\"property TYPE x\""});
    lines.push_back({{"property", "*", "y"}, "\"property TYPE y\""});
    lines.push_back({{"property", "*", "z"}, "\"property TYPE z\""});
    for (int k = 0; k < 4; ++k) lines.push_back({{"property", "*", "*"}, "a colour property of three words"});
    lines.push_back({{"element", "face", "*"}, "\"element face M\""});
    for (int k = 0; k < 2; ++k) lines.push_back({{"property", "list", "*", "*", "*"}, "a list property of five words"});
    lines.push_back({{"end_header"}, "\"end_header\""});
    return lines;
}

// The header's lines (LF, CRLF or bare CR), up to end_header or the first line that
// could not be header text; at most as many as the layout has, plus one.
std::vector<std::string> headerLines(const std::string& text, size_t most) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size() && lines.size() < most) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, std::min<size_t>(end - at, 200)));
        at = end;
        if (at < text.size() && text[at] == '\r') ++at;
        if (at < text.size() && text[at] == '\n') ++at;
        if (lines.back().rfind("end_header", 0) == 0) break;
    }
    return lines;
}

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

}  // namespace

std::string plyLayoutDifference(const std::string& text) {
    const std::vector<ExpectedLine> expected = layout();
    const std::vector<std::string> lines = headerLines(text, expected.size() + 1);
    for (size_t i = 0; i < expected.size(); ++i) {
        const std::string where = "line " + std::to_string(i + 1);
        if (i >= lines.size()) return "the file ends at " + where + ", where the reader expects " + expected[i].what;
        const std::vector<std::string> got = words(lines[i]);
        const std::vector<std::string>& want = expected[i].words;
        bool same = got.size() == want.size();
        for (size_t k = 0; same && k < want.size(); ++k) same = want[k] == "*" || want[k] == got[k];
        // The comment may be any three words, but not a line the header needs.
        if (same && want[0] == "*")
            for (const char* keyword : {"ply", "format", "element", "property", "end_header"}) same &= got[0] != keyword;
        if (same) continue;
        std::string why = where + " is \"" + platform::printable(lines[i], 60) + "\" where the reader expects " +
                          expected[i].what;
        if (i == 1 && got.size() >= 2 && got[0] == "format" && got[1] != "ascii")
            why += " (the reader reads ASCII files only)";
        // An element with another number of properties than the layout's: count them.
        if (want[0] == "property" && (got.empty() || got[0] != "property")) {
            size_t first = i;
            while (first > 0 && expected[first - 1].words[0] == "property") --first;
            size_t has = i - first, needs = 0;
            while (first + needs < expected.size() && expected[first + needs].words[0] == "property") ++needs;
            why += " (the " + expected[first - 1].words[1] + " element has " + std::to_string(has) +
                   (has == 1 ? " property" : " properties") + ", the reader expects " + std::to_string(needs) + ")";
        }
        return why;
    }
    return "";
}
