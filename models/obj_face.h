// Reading the corners of an OBJ face line: the corner form ("%d", "%d/%d", "%d/%d/%d",
// "%d//%d") decided on the first corner, then one corner per token while tokens convert.
// Shared by objmodel and objloader so both count and fill faces the same way.
#pragma once
#include <string>
#include <vector>

#include "models/text_scanner.h"

enum class face_form { v, v_vt, v_vt_vn, v_vn };

// One corner as written in the file (one-based or negative indices); an index the form
// does not have, or that did not convert, is marked absent.
struct face_corner {
    int v = 0, vt = 0, vn = 0;
    bool has_vt = false, has_vn = false;
};

// The form of a face, decided on its first corner.
face_form detect_face_form(const std::string& first_corner);
// Like sscanf(token, format of form, ...): the number of fields converted (0 to 3).
int scan_corner(const std::string& token, face_form form, face_corner& corner);
// Reads the corners following an "f" token. Every token that converts at least one field
// is consumed; the first that does not (the next keyword) is left for the caller.
void read_face(text_scanner& scanner, std::vector<face_corner>& corners);

// Zero-based element number of a one-based (or negative, relative) OBJ index, given the
// number of elements of that kind read so far; -1 for 0 or anything out of range.
int resolve_index(int index, int count_so_far);
