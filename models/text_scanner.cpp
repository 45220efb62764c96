// Token and number reading over an in-memory copy of a text file. Numbers are converted
// with strtof/strtol directly on the text, which std::string keeps NUL-terminated.
#include "models/text_scanner.h"

#include "platform/file_read.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace {

bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

bool is_line_end(char c) { return c == '\n' || c == '\r'; }

int clamp_long(long v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

}  // namespace

bool read_text_file(const std::string& path, std::string& text, std::string* why, uint64_t maxBytes) {
    std::string reason;
    const platform::FileRead result = platform::read_regular_file(path, text, maxBytes, reason);
    if (why) *why = result == platform::FileRead::Missing ? std::string() : reason;
    return result == platform::FileRead::Read;
}

text_scanner::text_scanner(std::string text) : text_(std::move(text)) {}

size_t text_scanner::continuation_end(size_t at) const {
    if (at >= text_.size() || text_[at] != '\\') return 0;
    size_t i = at + 1;
    while (i < text_.size() && (text_[i] == ' ' || text_[i] == '\t')) ++i;
    if (i < text_.size() && !is_line_end(text_[i])) return 0;
    // The backslash of the file's last line continues into nothing.
    if (i < text_.size() && text_[i] == '\r') ++i;
    if (i < text_.size() && text_[i] == '\n') ++i;
    return i;
}

void text_scanner::skip_whitespace() {
    while (pos_ < text_.size()) {
        if (is_space(text_[pos_])) {
            ++pos_;
        } else if (const size_t after = continuation_end(pos_)) {
            pos_ = after;
        } else {
            break;
        }
    }
}

bool text_scanner::next_token(std::string& token, size_t max_length) {
    skip_whitespace();
    if (pos_ >= text_.size()) return false;
    const size_t start = pos_;
    while (pos_ < text_.size() && !is_space(text_[pos_]) && !continuation_end(pos_)) ++pos_;
    token.assign(text_, start, std::min(pos_ - start, max_length));
    return true;
}

bool text_scanner::peek_token(std::string& token, size_t max_length) {
    const size_t saved = pos_;
    const bool found = next_token(token, max_length);
    pos_ = saved;
    return found;
}

std::string text_scanner::rest_of_line() {
    std::string line;
    while (pos_ < text_.size() && !is_line_end(text_[pos_])) {
        if (const size_t after = continuation_end(pos_)) {
            line += ' ';
            pos_ = after;
            continue;
        }
        if (line.size() < kMaxToken) line += text_[pos_];
        ++pos_;
    }
    skip_line_end();
    return line;
}

void text_scanner::skip_line() {
    while (pos_ < text_.size() && !is_line_end(text_[pos_])) {
        const size_t after = continuation_end(pos_);
        pos_ = after ? after : pos_ + 1;
    }
    skip_line_end();
}

void text_scanner::skip_line_end() {
    if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
}

bool text_scanner::read_float(float& value) {
    skip_whitespace();
    if (pos_ >= text_.size()) return false;
    const char* begin = text_.c_str() + pos_;
    char* end = nullptr;
    const float v = std::strtof(begin, &end);
    if (end == begin) return false;
    pos_ += static_cast<size_t>(end - begin);
    value = v;
    return true;
}

bool text_scanner::read_int(int& value) {
    skip_whitespace();
    if (pos_ >= text_.size()) return false;
    const char* begin = text_.c_str() + pos_;
    char* end = nullptr;
    const long v = std::strtol(begin, &end, 10);
    if (end == begin) return false;
    pos_ += static_cast<size_t>(end - begin);
    value = clamp_long(v);
    return true;
}

std::string first_word(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && is_space(text[i])) ++i;
    size_t j = i;
    while (j < text.size() && !is_space(text[j])) ++j;
    return text.substr(i, j - i);
}

double parse_double(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

int parse_int(const std::string& text) { return clamp_long(std::strtol(text.c_str(), nullptr, 10)); }
