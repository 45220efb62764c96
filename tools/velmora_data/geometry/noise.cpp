// Value noise on an integer-hashed lattice.
#include "noise.h"

#include <cmath>
#include <cstdint>

namespace velmora_data {

namespace {

double lattice(int64_t x, int64_t y, int64_t z, unsigned seed) {
    uint64_t h = static_cast<uint64_t>(x) * 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(y) * 0xC2B2AE3D27D4EB4Full ^
                 static_cast<uint64_t>(z) * 0x165667B19E3779F9ull ^ (static_cast<uint64_t>(seed) << 17);
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 27;
    h *= 0x94D049BB133111EBull;
    h ^= h >> 33;
    return static_cast<double>(h >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

int64_t wrap(int64_t i, int period) {
    if (period <= 0) return i;
    const int64_t r = i % period;
    return r < 0 ? r + period : r;
}

}  // namespace

double valueNoise(double x, double y, unsigned seed, int periodX, int periodY) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int64_t ix = static_cast<int64_t>(fx), iy = static_cast<int64_t>(fy);
    const double u = fade(x - fx), v = fade(y - fy);
    const auto at = [&](int64_t dx, int64_t dy) {
        return lattice(wrap(ix + dx, periodX), wrap(iy + dy, periodY), 0, seed);
    };
    const double a = at(0, 0) + (at(1, 0) - at(0, 0)) * u;
    const double b = at(0, 1) + (at(1, 1) - at(0, 1)) * u;
    return a + (b - a) * v;
}

double valueNoise3(double x, double y, double z, unsigned seed) {
    const double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const int64_t ix = static_cast<int64_t>(fx), iy = static_cast<int64_t>(fy), iz = static_cast<int64_t>(fz);
    const double u = fade(x - fx), v = fade(y - fy), w = fade(z - fz);
    double layer[2];
    for (int dz = 0; dz < 2; ++dz) {
        const auto at = [&](int64_t dx, int64_t dy) { return lattice(ix + dx, iy + dy, iz + dz, seed); };
        const double a = at(0, 0) + (at(1, 0) - at(0, 0)) * u;
        const double b = at(0, 1) + (at(1, 1) - at(0, 1)) * u;
        layer[dz] = a + (b - a) * v;
    }
    return layer[0] + (layer[1] - layer[0]) * w;
}

double fractalNoise(double x, double y, unsigned seed, int octaves, int periodX, int periodY) {
    double sum = 0, amp = 1, norm = 0, freq = 1;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * valueNoise(x * freq, y * freq, seed + 101u * o, periodX * static_cast<int>(freq),
                                periodY * static_cast<int>(freq));
        norm += amp;
        amp *= 0.5;
        freq *= 2;
    }
    return sum / norm;
}

}  // namespace velmora_data
