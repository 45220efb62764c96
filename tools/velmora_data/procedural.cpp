// Deterministic hashing, tileable noise and palette helpers for the generated pictures.
#include "tools/velmora_data/procedural.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

namespace vdata {

uint32_t Rng::next() {
    // PCG-style step: an LCG whose output is permuted.
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    const uint32_t xorshifted = static_cast<uint32_t>(((state >> 18u) ^ state) >> 27u);
    const uint32_t rot = static_cast<uint32_t>(state >> 59u);
    return (xorshifted >> rot) | (xorshifted << ((32 - rot) & 31));
}
float Rng::uniform() { return unitFromHash(next()); }
float Rng::range(float lo, float hi) { return lo + (hi - lo) * uniform(); }
float Rng::normal() {
    // Sum of four uniforms: smooth enough for layouts and cheaper than Box-Muller.
    float s = 0;
    for (int i = 0; i < 4; ++i) s += uniform();
    return (s - 2.0f) * 1.7320508f;
}

cv::Mat1f makeTileNoise(int size, int cells, int octaves, uint32_t seed) {
    cv::Mat1f out(size, size, 0.0f);
    float weight = 1.0f, total = 0.0f;
    for (int o = 0; o < octaves; ++o, cells *= 2, weight *= 0.5f) {
        total += weight;
        const float cellSize = static_cast<float>(size) / cells;
        for (int y = 0; y < size; ++y) {
            const float fy = y / cellSize;
            const int y0 = static_cast<int>(fy);
            float ty = fy - y0;
            ty = ty * ty * (3 - 2 * ty);
            for (int x = 0; x < size; ++x) {
                const float fx = x / cellSize;
                const int x0 = static_cast<int>(fx);
                float tx = fx - x0;
                tx = tx * tx * (3 - 2 * tx);
                // Lattice indices wrap at `cells`, which makes the tile seamless.
                auto v = [&](int i, int j) {
                    return unitFromHash(hash32(seed + o, (i % cells + cells) % cells, (j % cells + cells) % cells));
                };
                const float a = v(x0, y0), b = v(x0 + 1, y0), c = v(x0, y0 + 1), d = v(x0 + 1, y0 + 1);
                out(y, x) += weight * ((a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty);
            }
        }
    }
    out /= total;
    // Stretch to the full 0..1 range so palettes see the whole span.
    double lo, hi;
    cv::minMaxLoc(out, &lo, &hi);
    out = (out - lo) / std::max(hi - lo, 1e-6);
    // Rounding can leave the extremes a hair outside 0..1.
    cv::max(out, 0.0f, out);
    cv::min(out, 1.0f, out);
    return out;
}

cv::Mat1f warpedNoise(cv::Size size, const TileLayer& base, const TileLayer& warpX, const TileLayer& warpY,
                      float warp) {
    cv::Mat1f out(size);
    for (int y = 0; y < size.height; ++y) {
        float* row = out.ptr<float>(y);
        for (int x = 0; x < size.width; ++x) {
            const float dx = (warpX.at(x, y) - 0.5f) * warp;
            const float dy = (warpY.at(x, y) - 0.5f) * warp;
            row[x] = sampleWrap(*base.tile, x * base.scaleX + base.offsetX + dx, y * base.scaleY + base.offsetY + dy);
        }
    }
    return out;
}

CellField::CellField(int cells, uint32_t seed, float loop, int turns)
    : cells_(cells), points_((cells + 2) * (cells + 2)) {
    for (int j = -1; j <= cells; ++j)
        for (int i = -1; i <= cells; ++i) {
            const uint32_t wi = static_cast<uint32_t>((i + cells) % cells), wj = static_cast<uint32_t>((j + cells) % cells);
            const uint32_t h = hash32(seed, wi, wj);
            const float angle = 6.2831853f * (unitFromHash(h) + turns * loop);
            const float radius = 0.15f + 0.2f * unitFromHash(hash32(h));
            points_[(j + 1) * (cells + 2) + (i + 1)] = {0.5f + radius * std::cos(angle), 0.5f + radius * std::sin(angle)};
        }
}

CellDistance CellField::at(float x, float y) const {
    // Wrap the lookup into the grid once; the ring of wrapped cells covers the neighbours.
    float fx = x * cells_, fy = y * cells_;
    fx -= std::floor(fx / cells_) * cells_;
    fy -= std::floor(fy / cells_) * cells_;
    const int cx = std::min(cells_ - 1, static_cast<int>(fx)), cy = std::min(cells_ - 1, static_cast<int>(fy));
    float d1 = 1e9f, d2 = 1e9f;  // squared
    const int stride = cells_ + 2;
    for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) {
            const cv::Point2f& p = points_[(cy + j + 1) * stride + (cx + i + 1)];
            const float dx = cx + i + p.x - fx, dy = cy + j + p.y - fy;
            const float d = dx * dx + dy * dy;
            if (d < d1) {
                d2 = d1;
                d1 = d;
            } else if (d < d2) {
                d2 = d;
            }
        }
    return {std::sqrt(d1), std::sqrt(d2)};
}

NoiseBank::NoiseBank()
    : coarse(makeTileNoise(kTileSize, 4, 4, 101)),
      fine(makeTileNoise(kTileSize, 8, 6, 202)),
      warpX(makeTileNoise(kTileSize, 4, 3, 303)),
      warpY(makeTileNoise(kTileSize, 4, 3, 404)) {}

const NoiseBank& NoiseBank::get() {
    static const NoiseBank bank;  // built once, read-only afterwards (thread-safe initialisation)
    return bank;
}

cv::Vec3f Palette::at(float t) const {
    t = clamp01(t) * (stops.size() - 1);
    const size_t i = std::min(static_cast<size_t>(t), stops.size() - 2);
    const float f = t - i;
    return stops[i] * (1 - f) + stops[i + 1] * f;
}

cv::Mat3b applyPalette(const cv::Mat1f& field, const Palette& palette) {
    cv::Vec3b lut[256];
    for (int i = 0; i < 256; ++i) {
        const cv::Vec3f c = palette.at(i / 255.0f);
        lut[i] = cv::Vec3b(cv::saturate_cast<uchar>(c[0]), cv::saturate_cast<uchar>(c[1]),
                           cv::saturate_cast<uchar>(c[2]));
    }
    cv::Mat3b out(field.size());
    for (int y = 0; y < field.rows; ++y) {
        const float* src = field.ptr<float>(y);
        cv::Vec3b* dst = out.ptr<cv::Vec3b>(y);
        for (int x = 0; x < field.cols; ++x) dst[x] = lut[cv::saturate_cast<uchar>(src[x] * 255.0f)];
    }
    return out;
}

float clamp01(float x) { return x < 0 ? 0 : (x > 1 ? 1 : x); }
float smoothstep(float edge0, float edge1, float x) {
    const float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}
float fract(float x) { return x - std::floor(x); }

cv::Mat3b toSize(const cv::Mat3b& img, cv::Size size) {
    if (img.size() == size) return img;
    cv::Mat3b out;
    cv::resize(img, out, size, 0, 0, cv::INTER_LINEAR);
    return out;
}

const cv::Mat& cachedLayer(const std::string& key, const std::function<cv::Mat()>& build) {
    static std::mutex lock;
    static std::map<std::string, cv::Mat> layers;  // entries are never removed, so references stay valid
    std::lock_guard<std::mutex> guard(lock);
    cv::Mat& layer = layers[key];
    if (layer.empty()) layer = build();
    return layer;
}

cv::Mat wideBlur(const cv::Mat& img, double sigma) {
    const int k = std::max(1, static_cast<int>(sigma / 3.0));
    cv::Mat small, out;
    if (k == 1) {
        cv::GaussianBlur(img, out, cv::Size(0, 0), sigma);
        return out;
    }
    cv::resize(img, small, cv::Size(std::max(1, img.cols / k), std::max(1, img.rows / k)), 0, 0, cv::INTER_AREA);
    cv::GaussianBlur(small, small, cv::Size(0, 0), sigma / k);
    cv::resize(small, out, img.size(), 0, 0, cv::INTER_LINEAR);
    return out;
}

void vignette(cv::Mat3b& img, float strength) {
    const float cx = img.cols * 0.5f, cy = img.rows * 0.5f;
    const float norm = 1.0f / (cx * cx + cy * cy);
    for (int y = 0; y < img.rows; ++y) {
        cv::Vec3b* row = img.ptr<cv::Vec3b>(y);
        for (int x = 0; x < img.cols; ++x) {
            const float d = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) * norm;
            const float k = 1.0f - strength * d * d * 1.6f;
            for (int c = 0; c < 3; ++c) row[x][c] = cv::saturate_cast<uchar>(row[x][c] * k);
        }
    }
}

void addNoise(cv::Mat3b& img, float amount, uint32_t seed) {
    // A fixed tile of uniform noise, read at an offset chosen by the seed: hashing every
    // pixel of every frame would cost more than drawing most frames.
    static const std::vector<float> tile = [] {
        std::vector<float> t(kTileSize * kTileSize);
        for (size_t i = 0; i < t.size(); ++i) t[i] = unitFromHash(hash32(0x5eedU, static_cast<uint32_t>(i))) - 0.5f;
        return t;
    }();
    const uint32_t h = hash32(seed);
    const int ox = static_cast<int>(h & 255), oy = static_cast<int>((h >> 8) & 255);
    for (int y = 0; y < img.rows; ++y) {
        cv::Vec3b* row = img.ptr<cv::Vec3b>(y);
        const float* noise = &tile[((y + oy) & (kTileSize - 1)) * kTileSize];
        for (int x = 0; x < img.cols; ++x) {
            const float n = noise[(x + ox) & (kTileSize - 1)] * amount;
            for (int c = 0; c < 3; ++c) row[x][c] = cv::saturate_cast<uchar>(row[x][c] + n);
        }
    }
}

}  // namespace vdata
