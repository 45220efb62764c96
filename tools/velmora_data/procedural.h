// Small deterministic building blocks for the generated pictures: integer hashing, a
// seeded generator, tileable noise textures, palettes and a few drawing helpers.
// Everything here depends only on its arguments, so frames can be made in any order.
#pragma once
#include <opencv2/core.hpp>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace vdata {

uint32_t hash32(uint32_t x);
uint32_t hash32(uint32_t a, uint32_t b);
uint32_t hash32(uint32_t a, uint32_t b, uint32_t c);
// Uniform in [0, 1) from a hash.
float unitFromHash(uint32_t h);

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
float sampleWrap(const cv::Mat1f& tile, float x, float y);

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

// Distances to the nearest and second-nearest feature point of a tileable cell pattern:
// `cells` x `cells` jittered points per unit square, each circling its home position
// `turns` times as the loop position goes from 0 to 1 (so the pattern loops).
struct CellDistance {
    float f1, f2;
};
CellDistance cellNoise(float x, float y, int cells, uint32_t seed, float loop, int turns);

// Palette: colour stops (BGR, 0..255) spread evenly over 0..1.
struct Palette {
    std::vector<cv::Vec3f> stops;
    Palette(std::initializer_list<cv::Vec3f> s) : stops(s) {}
    cv::Vec3f at(float t) const;
};
// Maps a 0..1 field through a palette.
cv::Mat3b applyPalette(const cv::Mat1f& field, const Palette& palette);

// Smooth step and cosine ease helpers.
float smoothstep(float edge0, float edge1, float x);
float clamp01(float x);
float fract(float x);

// Resizes to the output size (bilinear) if it differs.
cv::Mat3b toSize(const cv::Mat3b& img, cv::Size size);

// A wide Gaussian blur done at reduced size (for glows and shadows, where the detail lost
// does not show): much cheaper than a full-size kernel of the same width.
cv::Mat wideBlur(const cv::Mat& img, double sigma);

// Photographic finish: vignette strength 0..1 and deterministic sensor noise.
void vignette(cv::Mat3b& img, float strength);
void addNoise(cv::Mat3b& img, float amount, uint32_t seed);

}  // namespace vdata
