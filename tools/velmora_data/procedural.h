// Small deterministic building blocks for the generated pictures: integer hashing, a
// seeded generator, tileable noise textures, palettes and a few drawing helpers.
// Everything here depends only on its arguments, so frames can be made in any order.
#pragma once
#include <opencv2/core.hpp>

#include <cmath>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <initializer_list>
#include <vector>

namespace vdata {

// A well-mixed 32-bit integer hash (two multiply-xorshift rounds). Inline: the
// generators call it per pixel.
inline uint32_t hash32(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}
inline uint32_t hash32(uint32_t a, uint32_t b) { return hash32(a ^ hash32(b + 0x9e3779b9U)); }
inline uint32_t hash32(uint32_t a, uint32_t b, uint32_t c) { return hash32(hash32(a, b) ^ hash32(c + 0x85ebca6bU)); }
// Uniform in [0, 1) from a hash.
inline float unitFromHash(uint32_t h) { return static_cast<float>(h >> 8) * (1.0f / 16777216.0f); }

// A small seeded generator for layouts (stars, veins, trees). Its own sequence, so the
// show's runtime generator is left alone.
struct Rng {
    uint64_t state;
    explicit Rng(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint32_t next();
    float uniform();                  // [0, 1)
    float range(float lo, float hi);  // [lo, hi)
    float normal();                   // mean 0, deviation 1
};

// Tileable fractal value noise in [0, 1]: size x size, lattice of `cells` cells at the
// first octave, each further octave doubles the cells and halves the weight.
cv::Mat1f makeTileNoise(int size, int cells, int octaves, uint32_t seed);

// Bilinear lookup into a square power-of-two tile with wrap-around, in tile pixels.
// Inline: the generators call it several times per pixel.
inline float sampleWrap(const cv::Mat1f& tile, float x, float y) {
    const int mask = tile.cols - 1;
    const float fx = std::floor(x), fy = std::floor(y);
    const float tx = x - fx, ty = y - fy;
    const int x0 = static_cast<int>(fx) & mask, y0 = static_cast<int>(fy) & mask;
    const int x1 = (x0 + 1) & mask, y1 = (y0 + 1) & mask;
    const float* r0 = tile.ptr<float>(y0);
    const float* r1 = tile.ptr<float>(y1);
    const float top = r0[x0] + (r0[x1] - r0[x0]) * tx;
    const float bottom = r1[x0] + (r1[x1] - r1[x0]) * tx;
    return top + (bottom - top) * ty;
}

// A tile laid over the output: output pixel (x, y) reads the tile at
// (x * scaleX + offsetX, y * scaleY + offsetY). Shifting a layer by whole tiles over a
// loop brings it back to itself, which is how looping clips stay seamless.
struct TileLayer {
    const cv::Mat1f* tile;
    float scaleX, scaleY;    // tile pixels per output pixel
    float offsetX, offsetY;  // tile pixels
    float at(float x, float y) const {
        return sampleWrap(*tile, x * scaleX + offsetX, y * scaleY + offsetY);
    }
};

// Domain-warped noise: the lookup into `base` is displaced by `warp` tile pixels times
// two other layers (centred on 0), giving the curling look of smoke and ink.
cv::Mat1f warpedNoise(cv::Size size, const TileLayer& base, const TileLayer& warpX, const TileLayer& warpY,
                      float warp);

// The three noise tiles every generator shares, made once per run (read-only afterwards).
struct NoiseBank {
    cv::Mat1f coarse;  // few large features
    cv::Mat1f fine;    // many octaves, detailed
    cv::Mat1f warpX, warpY;
    NoiseBank();
    static const NoiseBank& get();
};
constexpr int kTileSize = 256;

// Distances to the nearest and second-nearest feature point of a tileable cell pattern.
struct CellDistance {
    float f1, f2;
};

// `cells` x `cells` jittered points per unit square, each circling its home position
// `turns` times as the loop position goes from 0 to 1 (so the pattern loops). The
// points are placed once per frame; a lookup only measures distances.
class CellField {
public:
    CellField(int cells, uint32_t seed, float loop, int turns);
    CellDistance at(float x, float y) const;

private:
    int cells_;
    // Each cell's point relative to its corner, with a ring of wrapped cells around the
    // grid so a lookup needs no remainder per neighbour.
    std::vector<cv::Point2f> points_;
};

// Palette: colour stops (BGR, 0..255) spread evenly over 0..1.
struct Palette {
    std::vector<cv::Vec3f> stops;
    Palette(std::initializer_list<cv::Vec3f> s) : stops(s) {}
    cv::Vec3f at(float t) const;
};
// Maps a 0..1 field through a palette.
cv::Mat3b applyPalette(const cv::Mat1f& field, const Palette& palette);

constexpr float kTwoPi = 6.2831853f;

// Small colour and geometry helpers shared by the generators.
inline cv::Vec3f mix(const cv::Vec3f& a, const cv::Vec3f& b, float t) { return a * (1 - t) + b * t; }
inline cv::Vec3b toByte(const cv::Vec3f& c) {
    return {cv::saturate_cast<uchar>(c[0]), cv::saturate_cast<uchar>(c[1]), cv::saturate_cast<uchar>(c[2])};
}
// A point for OpenCV's drawing calls with 4 fractional bits (pass shift 4): shapes keep
// sub-pixel positions, which matters for slow motion at small sizes.
inline cv::Point fixed(float x, float y) { return {cvRound(x * 16), cvRound(y * 16)}; }
// Soft footage is drawn at half size and scaled up.
inline cv::Size halfSize(cv::Size s) { return {std::max(4, s.width / 2), std::max(4, s.height / 2)}; }

// Smooth step and cosine ease helpers.
float smoothstep(float edge0, float edge1, float x);
float clamp01(float x);
float fract(float x);

// Resizes to the output size (bilinear) if it differs.
cv::Mat3b toSize(const cv::Mat3b& img, cv::Size size);

// A picture that does not change from frame to frame (a wall, a dial, a map of angles),
// built on first use for a key (include the size in it) and shared read-only after.
const cv::Mat& cachedLayer(const std::string& key, const std::function<cv::Mat()>& build);

// A wide Gaussian blur done at reduced size (for glows and shadows, where the detail lost
// does not show): much cheaper than a full-size kernel of the same width.
cv::Mat wideBlur(const cv::Mat& img, double sigma);

// Photographic finish: vignette strength 0..1 and deterministic sensor noise.
void vignette(cv::Mat3b& img, float strength);
void addNoise(cv::Mat3b& img, float amount, uint32_t seed);

}  // namespace vdata
