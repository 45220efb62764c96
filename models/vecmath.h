// Small float math shared by the models, the skeleton and the scenes: vec3, quaternion,
// mat4 and the rotation helpers. Nothing here allocates.
#pragma once

// Three float32: x, y, z.
struct vec3 {
    float x = 0, y = 0, z = 0;
};

// Four float32 stored in the order x, y, z, w.
struct quaternion {
    float x = 0, y = 0, z = 0, w = 1;
};

// Sixteen float32. Transforms handed to OpenGL and composed for the skeleton are
// column-major (row r, column c at 4c + r, translation at 12, 13, 14);
// rotation_matrix and quaternion_matrix return row-major rotations (row r, column c at 4r + c).
struct mat4 {
    float m[16] = {};

    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }
    const float* data() const { return m; }
};

mat4 identity_matrix();
// Identity with the translation (elements 12-14) set to t.
mat4 translation_matrix(const vec3& t);

// Row-major rotation about the (not normalised) axis by degrees; a point transforms as
// x' = m[0]x + m[1]y + m[2]z + m[3], and so on by rows.
mat4 rotation_matrix(const vec3& axis, float degrees);
// Row-major rotation of the (not normalised) quaternion q.
mat4 quaternion_matrix(const quaternion& q);
// v divided by its length; v unchanged when the length is within float epsilon of 0.
vec3 normalized(const vec3& v);
// Column-major product A * B.
mat4 multiply(const mat4& a, const mat4& b);
// A = A * B', where B' is B without translation and without its last row; A keeps its
// translation column.
void multiply_rotation(mat4& a, const mat4& b);
// M = M * R, keeping M's translation. Each R, stored column-major, is the right-handed
// rotation by -radians about its axis.
void rotate_x(mat4& m, float radians);
void rotate_y(mat4& m, float radians);
void rotate_z(mat4& m, float radians);
