// The octahedral mapping of unit normals to two integers and back, as the crt normal
// attribute stores them.
#pragma once
#include <array>
#include <cstdint>

namespace crt {

// Octahedral coordinates (ox, oy) in [-1, 1] of a direction. The zero vector, which has
// no direction, maps to (0, 0), the coordinates of +z.
void octahedral_coordinates(float x, float y, float z, float& ox, float& oy);

// The unit normal of the octahedral integers (qx, qy) with integer unit u. Integers are
// 64-bit so that hostile pairs cannot overflow; a pair that decodes to the zero vector
// gives +z.
std::array<float, 3> unit_normal(int64_t qx, int64_t qy, int64_t u);

// v / |v|, the length taken as the encoder does (sum in float, root in double); the zero
// vector gives +z.
std::array<float, 3> normalized_estimate(float x, float y, float z);

}  // namespace crt
