// Bounded reading of untrusted text files as whitespace-separated tokens, rest-of-line
// reads and scanf-style numbers, for the OBJ, MTL and BVH loaders. Every read stays inside
// the loaded text. Lines end in LF, CRLF or a bare CR alike, and a backslash that ends a
// line joins the next one to it (exporters break long OBJ faces so).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The most read from one model, material or motion file: far beyond any real one, and a
// bound on what a runaway file costs before it is refused.
constexpr uint64_t kMaxModelFileBytes = 1ull << 30;

// Reads the whole file into text; false when it is missing, is not a regular file (a
// folder, a pipe or a device is never read from), is larger than maxBytes or cannot be
// read. why (when given) then says which in a few words; it stays empty when there is
// simply no such file, which callers often pass over in silence.
bool read_text_file(const std::string& path, std::string& text, std::string* why = nullptr,
                    uint64_t maxBytes = kMaxModelFileBytes);

class text_scanner {
public:
    // Longest token or rest-of-line kept: the loaders' 255-character limit.
    static constexpr size_t kMaxToken = 255;

    explicit text_scanner(std::string text);

    // Skips whitespace (line ends included) and reads the next token. A token longer than
    // max_length is cut to that length and the rest of it is skipped. False at the end.
    bool next_token(std::string& token, size_t max_length = kMaxToken);
    // The next token without consuming it.
    bool peek_token(std::string& token, size_t max_length = kMaxToken);
    // The rest of the current line (at most kMaxToken characters kept, line end removed,
    // continued lines joined by a space); the whole line, its end included, is consumed.
    std::string rest_of_line();
    void skip_line();
    // Like scanf("%f") / scanf("%d"): skip whitespace, convert the longest number prefix and
    // consume it. False, with value unchanged and nothing but whitespace consumed, when no
    // number starts there. Integers beyond the int range are clamped.
    bool read_float(float& value);
    bool read_int(int& value);
    void rewind() { pos_ = 0; }
    bool at_end() const { return pos_ >= text_.size(); }

private:
    void skip_whitespace();
    void skip_line_end();
    // When a backslash at `at` ends its line (blanks may follow it), where the next line
    // starts; otherwise 0.
    size_t continuation_end(size_t at) const;

    std::string text_;  // NUL-terminated by std::string, which bounds strtof/strtol
    size_t pos_ = 0;
};

// First whitespace-separated word of text, or an empty string.
std::string first_word(const std::string& text);
// atof / atoi without undefined behaviour: malformed text gives 0, ints are clamped.
double parse_double(const std::string& text);
int parse_int(const std::string& text);
