// Face corner conversion with scanf's field-by-field semantics, bounded to one token.
#include "models/obj_face.h"

#include <climits>
#include <cstdlib>

namespace {

// One "%d" at *p: advances p and returns true when a number converted.
bool scan_int(const char*& p, int& value) {
    char* end = nullptr;
    const long v = std::strtol(p, &end, 10);
    if (end == p) return false;
    value = v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
    p = end;
    return true;
}

bool scan_literal(const char*& p, const char* literal) {
    const char* q = p;
    for (; *literal; ++literal, ++q)
        if (*q != *literal) return false;
    p = q;
    return true;
}

}  // namespace

face_form detect_face_form(const std::string& first_corner) {
    if (first_corner.find("//") != std::string::npos) return face_form::v_vn;
    face_corner c;
    const int fields = scan_corner(first_corner, face_form::v_vt_vn, c);
    if (fields == 3) return face_form::v_vt_vn;
    if (fields == 2) return face_form::v_vt;
    return face_form::v;
}

int scan_corner(const std::string& token, face_form form, face_corner& corner) {
    corner = face_corner{};
    const char* p = token.c_str();
    // strtol would skip leading blanks, which a token never has; refuse them anyway.
    if (*p == '\0' || *p == ' ' || *p == '\t') return 0;
    if (!scan_int(p, corner.v)) return 0;
    switch (form) {
    case face_form::v:
        return 1;
    case face_form::v_vt:
        if (!scan_literal(p, "/") || !scan_int(p, corner.vt)) return 1;
        corner.has_vt = true;
        return 2;
    case face_form::v_vt_vn:
        if (!scan_literal(p, "/") || !scan_int(p, corner.vt)) return 1;
        corner.has_vt = true;
        if (!scan_literal(p, "/") || !scan_int(p, corner.vn)) return 2;
        corner.has_vn = true;
        return 3;
    case face_form::v_vn:
        if (!scan_literal(p, "//") || !scan_int(p, corner.vn)) return 1;
        corner.has_vn = true;
        return 2;
    }
    return 1;
}

void read_face(text_scanner& scanner, std::vector<face_corner>& corners) {
    corners.clear();
    std::string token;
    if (!scanner.peek_token(token)) return;
    const face_form form = detect_face_form(token);
    face_corner corner;
    while (scanner.peek_token(token) && scan_corner(token, form, corner) > 0) {
        scanner.next_token(token);
        corners.push_back(corner);
    }
}

int resolve_index(int index, int count_so_far) {
    long long i;
    if (index > 0)
        i = static_cast<long long>(index) - 1;
    else if (index < 0)
        i = static_cast<long long>(count_so_far) + index;
    else
        return -1;
    return (i >= 0 && i < count_so_far) ? static_cast<int>(i) : -1;
}
