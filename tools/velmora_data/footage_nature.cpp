// Nature footage: misty hills, snowfall, flames, smoke, meteors and light under water.
// Moving clips shift their noise layers by whole tiles over one loop, so the last frame
// leads seamlessly into the first.
#include <opencv2/imgproc.hpp>

#include <cmath>

#include "tools/velmora_data/footage.h"
#include "tools/velmora_data/procedural.h"

namespace vdata {

namespace {

constexpr float S = static_cast<float>(kTileSize);

// Tile pixels per output pixel for features `unitsPerTile` display units wide, keeping
// them round on screen whatever the picture's aspect.
TileLayer layer(const cv::Mat1f& tile, cv::Size size, float aspect, float unitsPerTile, float ox, float oy) {
    const float perUnit = S / unitsPerTile;
    return {&tile, perUnit * aspect / size.width, perUnit / size.height, ox, oy};
}

// A 1D fractal profile for ridges, read along one row of a noise tile.
float ridgeNoise(float x, float row, float frequency) {
    const NoiseBank& bank = NoiseBank::get();
    return sampleWrap(bank.coarse, x * frequency * S, row) * 0.75f +
           sampleWrap(bank.fine, x * frequency * 3.1f * S, row + 91) * 0.25f;
}

// A conifer: stacked triangles, optionally with snow on each tier.
void drawConifer(cv::Mat3b& img, float x, float y, float height, const cv::Vec3f& colour, const cv::Vec3f* snow) {
    const int tiers = 4;
    for (int t = 0; t < tiers; ++t) {
        const float top = y - height * (0.15f + 0.85f * (t + 1) / tiers);
        const float bottom = y - height * (0.15f + 0.85f * t / tiers) + height * 0.08f;
        const float half = height * 0.22f * (1.0f - 0.18f * t);
        const std::vector<cv::Point> tri = {cv::Point(cvRound((x - half) * 16), cvRound(bottom * 16)),
                                            cv::Point(cvRound((x + half) * 16), cvRound(bottom * 16)),
                                            cv::Point(cvRound(x * 16), cvRound(top * 16))};
        cv::fillConvexPoly(img, tri, cv::Scalar(colour[0], colour[1], colour[2]), cv::LINE_AA, 4);
        if (snow) {
            const float sh = (bottom - top) * 0.35f;
            const std::vector<cv::Point> cap = {cv::Point(cvRound((x - half * 0.35f) * 16), cvRound((top + sh) * 16)),
                                                cv::Point(cvRound((x + half * 0.45f) * 16), cvRound((top + sh * 1.1f) * 16)),
                                                cv::Point(cvRound(x * 16), cvRound(top * 16))};
            cv::fillConvexPoly(img, cap, cv::Scalar((*snow)[0], (*snow)[1], (*snow)[2]), cv::LINE_AA, 4);
        }
    }
    const int trunk = std::max(1, cvRound(height * 0.04f));
    cv::line(img, cv::Point(cvRound(x), cvRound(y)), cv::Point(cvRound(x), cvRound(y - height * 0.2f)),
             cv::Scalar(colour[0] * 0.7, colour[1] * 0.7, colour[2] * 0.7), trunk, cv::LINE_AA);
}

}  // namespace

cv::Mat3b renderFog(const FrameParams& f) {
    const int W = f.size.width, H = f.size.height;
    cv::Mat3b img(f.size);
    const cv::Vec3f skyTop(212, 204, 194), skyLow(228, 229, 226), mist(224, 225, 222), hill(56, 68, 58);
    // Sky with a veiled sun.
    const float sunX = 0.68f * W, sunY = 0.24f * H, sunR = 0.2f * H;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const float t = clamp01(y / (0.55f * H));
            cv::Vec3f c = mix(skyTop, skyLow, t);
            const float d = std::hypot(x - sunX, y - sunY) / sunR;
            c += cv::Vec3f(20, 28, 30) * std::exp(-d * d);
            img(y, x) = toByte(c);
        }
    // Hills, far to near: each layer less veiled, with mist pooling in its valleys.
    Rng rng(31);
    const int layers = 7;
    for (int i = 0; i < layers; ++i) {
        const float base = 0.4f + 0.075f * i, amp = 0.13f - 0.01f * i;
        const float fog = 0.86f - 0.125f * i;
        const float freq = 0.55f + 0.12f * i;
        std::vector<float> ridge(W);
        for (int x = 0; x < W; ++x)
            ridge[x] = (base + amp * (ridgeNoise(static_cast<float>(x) / H, 40.0f * i + 7, freq) - 0.5f) * 2) * H;
        const cv::Vec3f top = mix(hill, mist, fog);
        for (int x = 0; x < W; ++x) {
            const int y0 = std::max(0, static_cast<int>(std::ceil(ridge[x])));
            for (int y = y0; y < H; ++y) {
                const float depth = (y - ridge[x]) / H;
                const float canopy = sampleWrap(NoiseBank::get().fine, x * 700.0f / H, y * 700.0f / H) - 0.5f;
                cv::Vec3f c = top * (1.0f + 0.12f * canopy * (1 - fog));
                c = mix(c, mist, 0.62f * smoothstep(0.0f, 0.2f, depth) * (1 - fog));
                img(y, x) = toByte(c);
            }
        }
        if (i >= 2) {
            // Fir trees along the nearer ridges.
            const float treeH = (0.012f + 0.011f * i) * H;
            for (float x = rng.range(0, 6); x < W; x += rng.range(0.15f, 1.2f) * treeH) {
                if (ridgeNoise(x / H, 300.0f + i, 2.0f) < 0.45f) continue;  // clearings
                drawConifer(img, x, ridge[std::min(W - 1, static_cast<int>(x))] + treeH * 0.1f,
                            treeH * rng.range(0.7f, 1.3f), top * 0.97f, nullptr);
            }
        }
    }
    // Drifting mist bands over everything.
    const NoiseBank& bank = NoiseBank::get();
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const float n = sampleWrap(bank.coarse, x * 180.0f / H, y * 900.0f / H + 50);
            const float a = 0.35f * smoothstep(0.45f, 0.8f, n) * smoothstep(0.3f, 0.6f, static_cast<float>(y) / H);
            cv::Vec3b& p = img(y, x);
            p = toByte(mix(cv::Vec3f(p[0], p[1], p[2]), mist, a));
        }
    cv::GaussianBlur(img, img, cv::Size(0, 0), 0.8 * f.scale + 0.2);
    addNoise(img, 5.0f, 123);
    return img;
}

cv::Mat3b renderSnow(const FrameParams& f) {
    const int W = f.size.width, H = f.size.height;
    cv::Mat3b img(f.size);
    const cv::Vec3f skyTop(92, 66, 52), skyLow(182, 168, 160), snowLit(238, 232, 226), snowShade(190, 168, 150);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) img(y, x) = toByte(mix(skyTop, skyLow, clamp01(static_cast<float>(y) / (0.62f * H))));
    // Snowy hills and ground.
    for (int i = 0; i < 3; ++i) {
        const float base = 0.56f + 0.07f * i;
        const cv::Vec3f far = mix(skyLow, snowShade, 0.3f + 0.3f * i);
        for (int x = 0; x < W; ++x) {
            const float r = (base + 0.05f * (ridgeNoise(static_cast<float>(x) / H, 600.0f + 30 * i, 0.7f) - 0.5f)) * H;
            for (int y = std::max(0, static_cast<int>(std::ceil(r))); y < H; ++y) {
                const float shade = sampleWrap(NoiseBank::get().coarse, x * 120.0f / H, y * 400.0f / H);
                img(y, x) = toByte(i < 2 ? far : mix(snowShade, snowLit, 0.4f + 0.6f * shade));
            }
        }
    }
    // Forest: far trees small and pale, near ones tall and dark, with snow on each tier.
    Rng rng(57);
    for (int depth = 0; depth < 4; ++depth) {
        const float k = depth / 3.0f;
        const cv::Vec3f tree = mix(cv::Vec3f(150, 135, 130), cv::Vec3f(30, 36, 28), k);
        const cv::Vec3f cap = mix(cv::Vec3f(200, 190, 185), snowLit, k);
        const int count = 26 - 6 * depth;
        for (int t = 0; t < count; ++t) {
            const float x = rng.range(-0.05f, 1.05f) * W;
            const float y = (0.6f + 0.09f * depth + rng.range(0.0f, 0.05f)) * H;
            drawConifer(img, x, y, (0.08f + 0.1f * depth * depth * 0.5f) * H * rng.range(0.8f, 1.2f), tree, &cap);
        }
    }
    // Falling flakes: sharp small ones far away, large soft ones close to the lens.
    cv::Mat3f img32;
    img.convertTo(img32, CV_32F);
    for (int layerIndex = 0; layerIndex < 3; ++layerIndex) {
        cv::Mat1f flakes(f.size, 0.0f);
        const int count = static_cast<int>((layerIndex == 0 ? 900 : layerIndex == 1 ? 260 : 40) * W * H / (1080.0f * 1080.0f)) + 8;
        const float radius = (layerIndex == 0 ? 1.2f : layerIndex == 1 ? 2.6f : 9.0f) * f.scale;
        for (int i = 0; i < count; ++i) {
            // One draw per statement: argument evaluation order is unspecified.
            const float fx = rng.uniform() * W;
            const float fy = rng.uniform() * H;
            const float r = radius * rng.range(0.6f, 1.4f);
            const float bright = rng.range(0.5f, 1.0f);
            cv::circle(flakes, cv::Point(cvRound(fx * 16), cvRound(fy * 16)), std::max(16, cvRound(r * 16)),
                       cv::Scalar(bright), cv::FILLED, cv::LINE_8, 4);
        }
        flakes = wideBlur(flakes, layerIndex == 2 ? radius * 0.6 : 0.6 * f.scale + 0.3);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const float a = std::min(1.0f, flakes(y, x) * (layerIndex == 2 ? 0.7f : 0.95f));
                img32(y, x) = mix(img32(y, x), cv::Vec3f(250, 248, 245), a);
            }
    }
    img32.convertTo(img, CV_8U);
    addNoise(img, 5.0f, 321);
    return img;
}

cv::Mat3b renderFire(const FrameParams& f) {
    const NoiseBank& bank = NoiseBank::get();
    const cv::Size work = halfSize(f.size);
    const float s = f.phase;
    // Flames rise two tiles per loop, the warp one: whole tiles, so the loop closes.
    const TileLayer base = layer(bank.fine, work, f.aspect, 0.9f, 0, 2 * S * s);
    const TileLayer wx = layer(bank.warpX, work, f.aspect, 1.4f, 0, S * s);
    const TileLayer wy = layer(bank.warpY, work, f.aspect, 1.4f, 0.5f * S, S * s);
    cv::Mat1f n = warpedNoise(work, base, wx, wy, 40.0f);
    for (int y = 0; y < work.height; ++y)
        for (int x = 0; x < work.width; ++x) {
            const float X = static_cast<float>(x) / work.width, h = 1.0f - static_cast<float>(y) / work.height;
            // Tongues of different height across the width.
            const float envelope = 0.6f * ridgeNoise(X * 0.9f, 17, 1.0f) + 0.3f * (1 - std::fabs(2 * X - 1));
            const float v = (n(y, x) - 0.5f) * 1.7f * (1.0f - 0.5f * h) + envelope - h * 1.8f + 0.3f;
            n(y, x) = clamp01(v * 1.3f);
        }
    const Palette fire{{0, 0, 0}, {0, 0, 70}, {0, 20, 170}, {0, 90, 240}, {30, 170, 255}, {120, 230, 255},
                       {225, 250, 255}};
    cv::Mat3b img = toSize(applyPalette(n, fire), f.size);
    // Sparks drift up out of the flames, each a whole number of times per loop; they add
    // light, so they vanish into the bright core.
    cv::Mat3b sparks(f.size, cv::Vec3b(0, 0, 0));
    Rng rng(88);
    for (int i = 0; i < 45; ++i) {
        const float x0 = rng.range(0.1f, 0.9f), y0 = rng.uniform();
        const int speed = 1 + static_cast<int>(rng.uniform() * 3);
        const int sway = 1 + static_cast<int>(rng.uniform() * 4);
        const float phase0 = rng.uniform();
        const float rise = fract(y0 + speed * s);
        const float x = (x0 + 0.02f * std::sin(kTwoPi * (sway * s + phase0))) * f.size.width;
        const float y = (1.0f - rise * 0.95f) * f.size.height;
        const float glow = 1.0f - rise;
        cv::circle(sparks, cv::Point(cvRound(x * 16), cvRound(y * 16)), std::max(8, cvRound(1.6f * f.scale * 16)),
                   cv::Scalar(60 * glow, 170 * glow + 40, 255 * (0.4f + 0.6f * glow)), cv::FILLED, cv::LINE_AA, 4);
    }
    img += sparks;
    // The fire scene draws its picture without the vertical flip the other scenes apply,
    // so the flames are stored upside down to stand upright on screen.
    cv::flip(img, img, 0);
    return img;
}

cv::Mat3b renderSmoke(const FrameParams& f) {
    const NoiseBank& bank = NoiseBank::get();
    const cv::Size work = halfSize(f.size);
    const float s = f.phase;
    const TileLayer base = layer(bank.fine, work, f.aspect, 1.2f, S * s, -S * s);
    const TileLayer wx = layer(bank.warpX, work, f.aspect, 1.6f, -S * s, 0);
    const TileLayer wy = layer(bank.warpY, work, f.aspect, 1.6f, 0, S * s);
    cv::Mat1f a = warpedNoise(work, base, wx, wy, 70.0f);
    const TileLayer base2 = layer(bank.coarse, work, f.aspect, 2.0f, -S * s, 0.3f * S);
    const TileLayer wx2 = layer(bank.warpY, work, f.aspect, 2.5f, 0.2f * S, S * s);
    const TileLayer wy2 = layer(bank.warpX, work, f.aspect, 2.5f, S * s, 0.7f * S);
    cv::Mat1f b = warpedNoise(work, base2, wx2, wy2, 50.0f);
    for (int y = 0; y < work.height; ++y)
        for (int x = 0; x < work.width; ++x) {
            const float va = std::pow(smoothstep(0.35f, 0.88f, a(y, x)), 1.4f);
            const float vb = smoothstep(0.3f, 0.9f, b(y, x));
            a(y, x) = clamp01(0.7f * va + 0.45f * vb * (1 - va) + 0.04f);
        }
    static const Palette palettes[3] = {
        {{6, 5, 4}, {60, 48, 40}, {130, 115, 100}, {220, 212, 204}},    // cold grey-blue
        {{8, 10, 16}, {30, 60, 100}, {70, 130, 190}, {190, 220, 240}},  // warm ink
        {{6, 4, 14}, {24, 18, 90}, {60, 60, 170}, {170, 175, 235}},     // crimson
    };
    cv::Mat3b img = toSize(applyPalette(a, palettes[f.variant % 3]), f.size);
    addNoise(img, 4.0f, 600 + f.number);
    return img;
}

cv::Mat3b renderMeteors(const FrameParams& f) {
    const int W = f.size.width, H = f.size.height;
    const float s = f.phase;
    const NoiseBank& bank = NoiseBank::get();
    // Sky and a faint band of the galaxy, at quarter size (it is all soft).
    const cv::Size work(std::max(4, W / 4), std::max(4, H / 4));
    cv::Mat3b sky(work);
    for (int y = 0; y < work.height; ++y)
        for (int x = 0; x < work.width; ++x) {
            const float X = static_cast<float>(x) / work.height, Y = static_cast<float>(y) / work.height;
            cv::Vec3f c = mix(cv::Vec3f(26, 8, 4), cv::Vec3f(70, 34, 30), clamp01(Y));
            const float band = std::exp(-std::pow((Y - 0.9f + 0.45f * X) * 4.0f, 2.0f));
            const float dust = sampleWrap(bank.fine, X * 200, Y * 200);
            c += cv::Vec3f(60, 52, 50) * band * smoothstep(0.3f, 0.9f, dust);
            sky(y, x) = toByte(c);
        }
    cv::Mat3b img = toSize(sky, f.size);
    // Stars twinkle a whole number of times per loop.
    Rng rng(909);
    const int stars = static_cast<int>(700.0f * W * H / (960.0f * 540.0f)) + 20;
    for (int i = 0; i < stars; ++i) {
        const float x = rng.uniform() * W, y = rng.uniform() * H * 0.9f;
        const float mag = std::pow(rng.uniform(), 3.0f);
        const int twinkle = 1 + static_cast<int>(rng.uniform() * 5);
        const float offset = rng.uniform();
        const float b = (60 + 195 * mag) * (0.8f + 0.2f * std::sin(kTwoPi * (twinkle * s + offset)));
        const float r = (0.5f + 1.3f * mag) * std::max(0.5f, f.scale);
        cv::circle(img, cv::Point(cvRound(x * 16), cvRound(y * 16)), std::max(8, cvRound(r * 16)),
                   cv::Scalar(b, b * 0.97f, b * 0.92f), cv::FILLED, cv::LINE_AA, 4);
    }
    // Meteors: each has its moment in the loop; a streak grows and fades within ~15 frames.
    cv::Mat3f trails(f.size, cv::Vec3f(0, 0, 0));
    const int meteors = 24;
    for (int i = 0; i < meteors; ++i) {
        const float start = (i + rng.range(0.0f, 0.8f)) / meteors;
        const float length = rng.range(0.035f, 0.06f);
        const float p = fract(s - start) / length;  // 0..1 while the meteor flies
        const float x0 = rng.range(0.1f, 1.0f) * W, y0 = rng.range(0.02f, 0.4f) * H;
        const float angle = rng.range(2.2f, 2.7f);
        const float travel = rng.range(0.35f, 0.7f) * H;
        const float bright = rng.range(0.6f, 1.0f);
        if (p >= 1.0f) continue;
        const float head = p, tail = std::max(0.0f, p - 0.45f);
        const float fade = std::sin(3.14159f * p) * bright;
        const int pieces = 14;
        for (int k = 0; k < pieces; ++k) {
            const float t0 = tail + (head - tail) * k / pieces, t1 = tail + (head - tail) * (k + 1) / pieces;
            const float a = fade * (k + 1) / pieces;
            const cv::Point p0(cvRound((x0 + std::cos(angle) * travel * t0) * 16), cvRound((y0 + std::sin(angle) * travel * t0) * 16));
            const cv::Point p1(cvRound((x0 + std::cos(angle) * travel * t1) * 16), cvRound((y0 + std::sin(angle) * travel * t1) * 16));
            cv::line(trails, p0, p1, cv::Scalar(255 * a, 240 * a, 220 * a), std::max(1, cvRound(3 * f.scale)), cv::LINE_AA, 4);
        }
    }
    const cv::Mat3f glow = wideBlur(trails, 3.0 * f.scale + 0.5);
    cv::Mat3f out;
    img.convertTo(out, CV_32F);
    out += trails + glow * 1.5f;
    // Mountains against the sky.
    out.convertTo(img, CV_8U);
    for (int x = 0; x < W; ++x) {
        const float r = (0.86f + 0.06f * (ridgeNoise(static_cast<float>(x) / H, 77, 0.8f) - 0.5f) * 2) * H;
        for (int y = std::max(0, static_cast<int>(r)); y < H; ++y) img(y, x) = cv::Vec3b(10, 6, 5);
    }
    return img;
}

cv::Mat3b renderWater(const FrameParams& f) {
    const NoiseBank& bank = NoiseBank::get();
    const cv::Size work = halfSize(f.size);
    const float s = f.phase;
    // Caustics: the bright net is the set of points almost equally far from two moving
    // cell centres, its lookup bent by drifting noise. Whole turns and tiles per loop.
    const TileLayer wx = layer(bank.warpX, work, f.aspect, 1.1f, -3 * S * s, 0);
    const TileLayer wy = layer(bank.warpY, work, f.aspect, 1.1f, 0, 3 * S * s);
    const CellField cells(6, 11, s, 20);
    cv::Mat3b img(work);
    for (int y = 0; y < work.height; ++y)
        for (int x = 0; x < work.width; ++x) {
            const float X = static_cast<float>(x) / work.height, Y = static_cast<float>(y) / work.height;
            const float u = X * 0.55f + (wx.at(x, y) - 0.5f) * 0.08f + s * 2;
            const float v = Y * 0.55f + (wy.at(x, y) - 0.5f) * 0.08f;
            const CellDistance cell = cells.at(u, v);
            // Bright core on the cell edges with a wider, fainter rim around it.
            const float edge = 1.0f - clamp01((cell.f2 - cell.f1) * 9.0f);
            const float e3 = edge * edge * edge;
            const float net = e3 * e3 + 0.35f * e3;
            const float r = sampleWrap(bank.coarse, (X + 0.3f * Y) * 120 + 2 * S * s, 13.0f);
            const float ray = r * r * r * r;
            const float depth = clamp01(Y);
            cv::Vec3f c = mix(cv::Vec3f(160, 128, 36), cv::Vec3f(66, 28, 6), depth);
            c += cv::Vec3f(110, 130, 80) * net * (1.1f - 0.8f * depth);
            c += cv::Vec3f(120, 130, 90) * ray * (1.0f - depth);
            img(y, x) = toByte(c);
        }
    img = toSize(img, f.size);
    // Drifting motes, whole numbers of cycles per loop.
    Rng rng(515);
    for (int i = 0; i < 70; ++i) {
        const int k = 1 + static_cast<int>(rng.uniform() * 3);
        const float x = fract(rng.uniform() + k * s) * f.size.width;
        const float y0 = rng.uniform();
        const float bob = std::sin(kTwoPi * (8 * k * s + rng.uniform()));
        const float y = (y0 + 0.02f * bob) * f.size.height;
        const float b = rng.range(60, 160);
        const float r = rng.range(0.8f, 2.2f) * f.scale;
        cv::circle(img, cv::Point(cvRound(x * 16), cvRound(y * 16)), std::max(8, cvRound(r * 16)),
                   cv::Scalar(b, b, b * 0.8f), cv::FILLED, cv::LINE_AA, 4);
    }
    addNoise(img, 4.0f, 1500 + f.number);
    return img;
}

}  // namespace vdata
