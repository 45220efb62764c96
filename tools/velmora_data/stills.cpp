// The still pictures in "videos//": four photo-like views for the carousel, the TV
// photo, and the overlay (light leaks, dust and hairs on black, to be added over the
// picture by the composite shader).
#include "tools/velmora_data/stills.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

#include "tools/velmora_data/procedural.h"

namespace vdata {

namespace {

// Vertical gradient through colour stops at the given heights (0 top, 1 bottom).
void verticalGradient(cv::Mat3f& img, const std::vector<std::pair<float, cv::Vec3f>>& stops) {
    for (int y = 0; y < img.rows; ++y) {
        const float t = static_cast<float>(y) / img.rows;
        cv::Vec3f c = stops.front().second;
        for (size_t i = 0; i + 1 < stops.size(); ++i)
            if (t >= stops[i].first && t <= stops[i + 1].first)
                c = mix(stops[i].second, stops[i + 1].second,
                        (t - stops[i].first) / std::max(1e-6f, stops[i + 1].first - stops[i].first));
        if (t > stops.back().first) c = stops.back().second;
        for (int x = 0; x < img.cols; ++x) img(y, x) = c;
    }
}

float ridge(float x, float row, float frequency) {
    const NoiseBank& bank = NoiseBank::get();
    return sampleWrap(bank.coarse, x * frequency * kTileSize, row) * 0.75f +
           sampleWrap(bank.fine, x * frequency * 3.1f * kTileSize, row + 91) * 0.25f;
}

// Fills everything below a ridge line with a colour (rows in picture heights).
void fillBelow(cv::Mat3f& img, float base, float amp, float row, float frequency, const cv::Vec3f& colour) {
    const int W = img.cols, H = img.rows;
    for (int x = 0; x < W; ++x) {
        const float r = (base + amp * (ridge(static_cast<float>(x) / H, row, frequency) - 0.5f) * 2) * H;
        for (int y = std::max(0, static_cast<int>(std::ceil(r))); y < H; ++y) img(y, x) = colour;
    }
}

cv::Mat3b finish(const cv::Mat3f& img, float blur, float vignetteStrength, uint32_t seed) {
    cv::Mat3b out;
    img.convertTo(out, CV_8U);
    if (blur > 0) cv::GaussianBlur(out, out, cv::Size(0, 0), blur);
    vignette(out, vignetteStrength);
    addNoise(out, 6.0f, seed);
    return out;
}

cv::Mat3b lakeAtSunset(int size, float scale) {
    cv::Mat3f img(size, size);
    verticalGradient(img, {{0.0f, {120, 60, 40}}, {0.3f, {130, 100, 190}}, {0.5f, {90, 170, 255}}, {1.0f, {90, 170, 255}}});
    const float sunX = 0.62f * size, sunY = 0.47f * size;
    const NoiseBank& bank = NoiseBank::get();
    for (int y = 0; y < size / 2; ++y)
        for (int x = 0; x < size; ++x) {
            const float d = std::hypot(x - sunX, y - sunY) / size;
            img(y, x) += cv::Vec3f(60, 120, 150) * std::exp(-d * d * 60.0f);
            // Streaks of cloud, lit from below.
            const float cloud = smoothstep(0.55f, 0.8f, sampleWrap(bank.coarse, x * 120.0f / size, y * 700.0f / size + 30));
            img(y, x) = mix(img(y, x), cv::Vec3f(110, 120, 235), cloud * 0.6f * smoothstep(0.05f, 0.35f, static_cast<float>(y) / size));
        }
    cv::circle(img, fixed(sunX, sunY), cvRound(0.035f * size * 16), cv::Scalar(210, 245, 255), cv::FILLED, cv::LINE_AA, 4);
    fillBelow(img, 0.44f, 0.05f, 11, 0.9f, {110, 70, 90});
    fillBelow(img, 0.5f, 0.03f, 23, 1.4f, {60, 35, 45});
    // The lake mirrors what is above its shore, broken into ripples.
    const int shore = static_cast<int>(0.55f * size);
    for (int y = shore; y < size; ++y) {
        const float depth = static_cast<float>(y - shore) / (size - shore);
        for (int x = 0; x < size; ++x) {
            const float ripple = (sampleWrap(bank.fine, x * 40.0f / size, y * 1400.0f / size) - 0.5f) * (0.01f + 0.05f * depth) * size;
            const int sx = std::clamp(static_cast<int>(x + ripple), 0, size - 1);
            const int sy = std::clamp(2 * shore - y, 0, size - 1);
            cv::Vec3f c = img(sy, sx) * (0.75f - 0.25f * depth);
            const float glitter = std::exp(-std::pow((x - sunX) / (0.04f * size + 0.1f * depth * size), 2.0f));
            c += cv::Vec3f(60, 140, 200) * glitter * smoothstep(0.55f, 0.75f, sampleWrap(bank.fine, x * 300.0f / size, y * 2500.0f / size));
            img(y, x) = c;
        }
    }
    // Reeds on the near shore.
    Rng rng(5);
    for (int i = 0; i < 60; ++i) {
        const float x = (i < 30 ? rng.range(0.0f, 0.25f) : rng.range(0.8f, 1.0f)) * size;
        const float h = rng.range(0.08f, 0.2f) * size;
        const float lean = rng.range(-0.03f, 0.03f) * size;
        cv::line(img, fixed(x, size * 1.0f), fixed(x + lean, size - h), cv::Scalar(20, 15, 15),
                 std::max(1, cvRound(3 * scale)), cv::LINE_AA, 4);
    }
    return finish(img, 0.7f * scale, 0.35f, 11);
}

cv::Mat3b forestMorning(int size, float scale) {
    cv::Mat3f img(size, size);
    verticalGradient(img, {{0.0f, {200, 228, 226}}, {0.6f, {170, 205, 200}}, {1.0f, {60, 110, 80}}});
    Rng rng(6);
    const NoiseBank& bank = NoiseBank::get();
    // Trunks from far (pale in the haze) to near (dark and wide).
    for (int layerIndex = 0; layerIndex < 5; ++layerIndex) {
        const float k = layerIndex / 4.0f;
        const cv::Vec3f trunk = mix(cv::Vec3f(160, 185, 180), cv::Vec3f(25, 35, 45), k);
        const int count = 16 - 2 * layerIndex;
        for (int i = 0; i < count; ++i) {
            const float x = rng.uniform() * size, w = (0.006f + 0.03f * k * k) * size * rng.range(0.7f, 1.3f);
            cv::rectangle(img, fixed(x - w / 2, 0), fixed(x + w / 2, size * (0.7f + 0.3f * k)),
                          cv::Scalar(trunk[0], trunk[1], trunk[2]), cv::FILLED, cv::LINE_AA, 4);
        }
    }
    // Canopy above, ferns below.
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float Y = static_cast<float>(y) / size;
            const float leaves = sampleWrap(bank.fine, x * 600.0f / size, y * 600.0f / size);
            const float canopy = smoothstep(0.25f, 0.05f, Y) * smoothstep(0.35f, 0.6f, leaves);
            img(y, x) = mix(img(y, x), cv::Vec3f(40, 90, 60) * (0.6f + 0.6f * leaves), canopy);
            const float ferns = smoothstep(0.78f, 0.95f, Y + 0.1f * (leaves - 0.5f));
            img(y, x) = mix(img(y, x), cv::Vec3f(30, 120, 70) * (0.5f + 0.8f * leaves), ferns);
        }
    // Shafts of morning light from the upper right.
    cv::Mat3f rays(size, size, cv::Vec3f(0, 0, 0));
    for (int i = 0; i < 9; ++i) {
        const float x = rng.range(0.3f, 1.1f) * size, w = rng.range(0.01f, 0.05f) * size;
        const std::vector<cv::Point> shaft = {fixed(x, 0), fixed(x + w, 0), fixed(x + w - 0.6f * size, size * 1.0f),
                                              fixed(x - 0.6f * size, size * 1.0f)};
        cv::fillConvexPoly(rays, shaft, cv::Scalar(40, 60, 70) * rng.range(0.5f, 1.0f), cv::LINE_AA, 4);
    }
    img += wideBlur(rays, 0.01 * size + 0.5);
    return finish(img, 0.8f * scale, 0.4f, 12);
}

cv::Mat3b cityAtNight(int size, float scale) {
    cv::Mat3f img(size, size);
    verticalGradient(img, {{0.0f, {50, 18, 10}}, {0.45f, {90, 50, 60}}, {0.62f, {80, 110, 170}}, {1.0f, {30, 20, 20}}});
    Rng rng(7);
    const int waterline = static_cast<int>(0.64f * size);
    cv::Mat3f lights(size, size, cv::Vec3f(0, 0, 0));
    for (int layerIndex = 0; layerIndex < 2; ++layerIndex) {
        for (float x = rng.range(-0.05f, 0.0f) * size; x < size;) {
            const float w = rng.range(0.04f, 0.1f) * size;
            const float h = rng.range(0.08f, layerIndex == 0 ? 0.4f : 0.25f) * size;
            const float top = waterline - h;
            const cv::Vec3f body = layerIndex == 0 ? cv::Vec3f(60, 40, 40) : cv::Vec3f(35, 22, 22);
            cv::rectangle(img, fixed(x, top), fixed(x + w, waterline * 1.0f), cv::Scalar(body[0], body[1], body[2]), cv::FILLED,
                          cv::LINE_AA, 4);
            const float cell = std::max(2.0f, 0.012f * size);
            for (float wy = top + cell; wy < waterline - cell; wy += cell * 1.6f)
                for (float wx = x + cell * 0.6f; wx < x + w - cell; wx += cell * 1.4f) {
                    if (rng.uniform() < 0.45f) continue;
                    const float warm = rng.uniform();
                    const cv::Scalar c = warm < 0.7f ? cv::Scalar(120, 210, 255) : cv::Scalar(255, 230, 200);
                    cv::rectangle(lights, fixed(wx, wy), fixed(wx + cell * 0.7f, wy + cell), c * rng.range(0.6f, 1.0f), cv::FILLED,
                                  cv::LINE_AA, 4);
                }
            if (h > 0.3f * size)
                cv::circle(lights, fixed(x + w / 2, top - 0.01f * size), std::max(16, cvRound(3 * scale * 16)),
                           cv::Scalar(40, 40, 255), cv::FILLED, cv::LINE_AA, 4);
            x += w + rng.range(0.0f, 0.02f) * size;
        }
    }
    img += lights;
    img += wideBlur(lights, 0.006 * size + 0.5) * 0.8f;
    // Reflections in the river: the lights smeared downwards and rippled.
    const NoiseBank& bank = NoiseBank::get();
    for (int y = waterline; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float ripple = (sampleWrap(bank.fine, x * 20.0f / size, y * 1500.0f / size) - 0.5f) * 0.03f * size;
            const int sx = std::clamp(static_cast<int>(x + ripple), 0, size - 1);
            const int sy = std::clamp(2 * waterline - y, 0, size - 1);
            img(y, x) = img(sy, sx) * 0.45f + cv::Vec3f(20, 12, 10);
        }
    return finish(img, 0.6f * scale, 0.4f, 13);
}

cv::Mat3b seashore(int size, float scale) {
    cv::Mat3f img(size, size);
    verticalGradient(img, {{0.0f, {200, 130, 60}}, {0.45f, {235, 200, 160}}, {0.5f, {150, 120, 40}}, {0.72f, {170, 150, 70}},
                           {0.74f, {150, 190, 215}}, {1.0f, {110, 170, 210}}});
    const NoiseBank& bank = NoiseBank::get();
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float Y = static_cast<float>(y) / size;
            if (Y < 0.48f) {  // cumulus clouds, grey underneath
                const float n = sampleWrap(bank.fine, x * 260.0f / size, y * 420.0f / size);
                const float cloud = smoothstep(0.5f, 0.7f, n) * smoothstep(0.48f, 0.2f, Y);
                const cv::Vec3f white = mix(cv::Vec3f(250, 250, 250), cv::Vec3f(190, 180, 175), smoothstep(0.5f, 0.75f, n));
                img(y, x) = mix(img(y, x), white, cloud);
            } else if (Y < 0.74f) {  // the sea, with wave crests catching the light
                const float wave = sampleWrap(bank.fine, x * 90.0f / size, y * 1600.0f / size);
                img(y, x) += cv::Vec3f(60, 60, 50) * smoothstep(0.62f, 0.8f, wave);
                const float foam = smoothstep(0.71f, 0.735f, Y + 0.02f * (sampleWrap(bank.coarse, x * 200.0f / size, 5) - 0.5f));
                img(y, x) = mix(img(y, x), cv::Vec3f(245, 245, 240), foam * (Y < 0.735f ? 1.0f : 0.0f));
            } else {  // sand: wet and darker near the water
                const float grainy = sampleWrap(bank.fine, x * 1200.0f / size, y * 1200.0f / size);
                img(y, x) *= (0.9f + 0.2f * grainy) * (0.8f + 0.2f * smoothstep(0.74f, 0.82f, Y));
            }
        }
    return finish(img, 0.6f * scale, 0.3f, 14);
}

}  // namespace

int stillSize(int packHeight) { return 2 * packHeight; }

cv::Mat3b renderCarouselPhoto(int index, int packHeight) {
    const int size = stillSize(packHeight);
    const float scale = packHeight / 540.0f;
    switch (index % 4) {
    case 0: return lakeAtSunset(size, scale);
    case 1: return forestMorning(size, scale);
    case 2: return cityAtNight(size, scale);
    default: return seashore(size, scale);
    }
}

cv::Mat3b renderTvPhoto(int packHeight) {
    const int H = stillSize(packHeight), W = H * 16 / 9 / 4 * 4;
    const float scale = packHeight / 540.0f;
    cv::Mat3f img(H, W);
    verticalGradient(img, {{0.0f, {50, 60, 70}}, {0.7f, {70, 85, 100}}, {0.72f, {30, 50, 80}}, {1.0f, {20, 35, 60}}});
    // A glow on the wall behind the set, then the cabinet and its curved screen of static.
    const cv::Point2f c(0.5f * W, 0.45f * H);
    cv::Mat3f glow(H, W, cv::Vec3f(0, 0, 0));
    cv::circle(glow, fixed(c.x, c.y), cvRound(0.3f * H * 16), cv::Scalar(120, 110, 90), cv::FILLED, cv::LINE_AA, 4);
    img += wideBlur(glow, 0.12 * H + 0.5);
    cv::rectangle(img, fixed(c.x - 0.3f * H, c.y - 0.24f * H), fixed(c.x + 0.3f * H, c.y + 0.26f * H), cv::Scalar(30, 45, 60),
                  cv::FILLED, cv::LINE_AA, 4);
    cv::rectangle(img, fixed(c.x - 0.32f * H, c.y + 0.26f * H), fixed(c.x + 0.32f * H, 0.9f * H), cv::Scalar(25, 40, 60),
                  cv::FILLED, cv::LINE_AA, 4);
    const int sx0 = static_cast<int>(c.x - 0.24f * H), sx1 = static_cast<int>(c.x + 0.18f * H);
    const int sy0 = static_cast<int>(c.y - 0.19f * H), sy1 = static_cast<int>(c.y + 0.2f * H);
    for (int y = sy0; y < sy1; ++y)
        for (int x = sx0; x < sx1; ++x) {
            const float u = (x - 0.5f * (sx0 + sx1)) / (sx1 - sx0), v = (y - 0.5f * (sy0 + sy1)) / (sy1 - sy0);
            if (std::pow(std::fabs(u) * 2, 6.0f) + std::pow(std::fabs(v) * 2, 6.0f) > 1) continue;  // rounded tube
            const float snow = unitFromHash(hash32(99, x, y));
            const float line = 0.85f + 0.15f * std::sin(y * 1.5f);
            img(y, x) = cv::Vec3f(210, 220, 215) * (0.35f + 0.65f * snow) * line * (1.0f - 0.6f * (u * u + v * v));
        }
    for (int k = 0; k < 2; ++k)  // knobs
        cv::circle(img, fixed(c.x + 0.24f * H, c.y - 0.1f * H + k * 0.1f * H), cvRound(0.025f * H * 16), cv::Scalar(60, 80, 100),
                   cv::FILLED, cv::LINE_AA, 4);
    return finish(img, 0.8f * scale, 0.45f, 15);
}

cv::Mat3b renderOverlay(int packHeight) {
    const int H = stillSize(packHeight), W = H * 16 / 9 / 4 * 4;
    const float scale = packHeight / 540.0f;
    cv::Mat3f img(H, W, cv::Vec3f(0, 0, 0));
    Rng rng(16);
    // Warm light leaks from the edges of the frame.
    cv::Mat3f leaks(H, W, cv::Vec3f(0, 0, 0));
    for (int i = 0; i < 4; ++i) {
        const bool left = i % 2 == 0;
        const float x = (left ? rng.range(-0.1f, 0.05f) : rng.range(0.95f, 1.1f)) * W;
        const float y = rng.range(0.1f, 0.9f) * H, r = rng.range(0.15f, 0.3f) * H;
        cv::circle(leaks, fixed(x, y), cvRound(r * 16), cv::Scalar(20, 70, 160) * rng.range(0.5f, 1.0f), cv::FILLED, cv::LINE_AA, 4);
    }
    img += wideBlur(leaks, 0.12 * H + 0.5);
    // Dust specks and hairs caught in the gate.
    for (int i = 0; i < 80; ++i) {
        const float x = rng.uniform() * W, y = rng.uniform() * H;
        const float r = rng.range(0.5f, 2.5f) * std::max(0.5f, scale * 2);
        const float b = rng.range(120, 230);
        cv::circle(img, fixed(x, y), std::max(8, cvRound(r * 16)), cv::Scalar(b, b, b), cv::FILLED, cv::LINE_AA, 4);
    }
    for (int i = 0; i < 6; ++i) {
        float x = rng.uniform() * W, y = rng.uniform() * H, a = rng.range(0.0f, 6.283f);
        std::vector<cv::Point> hair;
        for (int k = 0; k < 20; ++k) {
            hair.push_back(fixed(x, y));
            a += rng.range(-0.3f, 0.3f);
            x += std::cos(a) * 0.006f * H;
            y += std::sin(a) * 0.006f * H;
        }
        cv::polylines(img, std::vector<std::vector<cv::Point>>{hair}, false, cv::Scalar(200, 200, 200),
                      std::max(1, cvRound(1.5f * scale * 2)), cv::LINE_AA, 4);
    }
    for (int i = 0; i < 3; ++i) {  // long vertical scratches
        const float x = rng.uniform() * W;
        cv::line(img, fixed(x, 0), fixed(x + rng.range(-0.01f, 0.01f) * W, H * 1.0f), cv::Scalar(150, 150, 150), 1, cv::LINE_AA, 4);
    }
    cv::Mat3b out;
    img.convertTo(out, CV_8U);
    return out;
}

}  // namespace vdata
