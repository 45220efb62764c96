// Pattern footage: veins growing across tissue, kaleidoscope ornaments and nine abstract
// moving pictures. All motion is periodic in the loop position: whole turns, whole
// tiles, whole colour cycles.
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <map>
#include <mutex>

#include "tools/velmora_data/footage.h"
#include "tools/velmora_data/procedural.h"

namespace vdata {

namespace {

constexpr float S = static_cast<float>(kTileSize);

// ---- veins ----

struct VeinSegment {
    cv::Point2f a, b;
    float width;       // in picture heights
    float from, to;    // distance along the network from its root, at a and b
};

void growVein(std::vector<VeinSegment>& out, Rng& rng, cv::Point2f p, float angle, float width, float dist,
              float aspect, int depth) {
    const float step = 0.012f;
    while (width > 0.0012f && out.size() < 6000) {
        angle += rng.range(-0.35f, 0.35f);
        const cv::Point2f q = p + cv::Point2f(std::cos(angle), std::sin(angle)) * step;
        out.push_back({p, q, width, dist, dist + step});
        p = q;
        dist += step;
        width *= 0.985f;
        if (p.x < -0.05f || p.y < -0.05f || p.x > aspect + 0.05f || p.y > 1.05f) return;
        if (depth < 6 && rng.uniform() < 0.09f) {
            const float side = rng.uniform() < 0.5f ? -1.0f : 1.0f;
            const float branchAngle = angle + side * rng.range(0.4f, 0.9f);
            const float branchWidth = width * rng.range(0.55f, 0.75f);
            growVein(out, rng, p, branchAngle, branchWidth, dist, aspect, depth + 1);
            width *= 0.9f;
        }
    }
}

// The network depends only on the picture's aspect: built once, then shared.
const std::vector<VeinSegment>& veinNetwork(float aspect) {
    static std::mutex lock;
    static std::map<float, std::vector<VeinSegment>> networks;
    std::lock_guard<std::mutex> guard(lock);
    std::vector<VeinSegment>& net = networks[aspect];
    if (net.empty()) {
        Rng rng(1234);
        const cv::Point2f roots[] = {{0.0f, 0.3f}, {aspect, 0.7f}, {0.35f * aspect, 1.0f}, {0.7f * aspect, 0.0f},
                                     {0.5f * aspect, 0.5f}};
        const float angles[] = {0.2f, 3.3f, -1.4f, 1.8f, 2.5f};
        for (int i = 0; i < 5; ++i) growVein(net, rng, roots[i], angles[i], i == 4 ? 0.008f : 0.014f, 0, aspect, 0);
    }
    return net;
}

}  // namespace

cv::Mat3b renderVeins(const FrameParams& f) {
    const int W = f.size.width, H = f.size.height;
    const float s = f.phase;
    // The veins grow out from their roots over three quarters of the loop, then fade away
    // before the loop starts again from bare tissue.
    const float front = smoothstep(0.0f, 0.75f, s) * 1.6f;
    const float fade = 1.0f - smoothstep(0.8f, 0.98f, s);
    const cv::Mat& tissue = cachedLayer("veins/" + std::to_string(W) + "x" + std::to_string(H), [&] {
        cv::Mat3b t(f.size);
        const NoiseBank& bank = NoiseBank::get();
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const float a = sampleWrap(bank.coarse, x * 300.0f / H, y * 300.0f / H);
                const float d = sampleWrap(bank.fine, x * 900.0f / H, y * 900.0f / H);
                t(y, x) = toByte(cv::Vec3f(150, 170, 215) * (0.8f + 0.25f * a) + cv::Vec3f(-10, -14, -6) * d);
            }
        return cv::Mat(t);
    });
    cv::Mat3b img = tissue.clone();
    if (fade > 0) {
        cv::Mat3f veins(f.size, cv::Vec3f(0, 0, 0));
        cv::Mat1f tips(f.size, 0.0f);
        for (const VeinSegment& v : veinNetwork(f.aspect)) {
            if (v.from >= front) continue;
            const float t = std::min(1.0f, (front - v.from) / (v.to - v.from));
            const cv::Point2f end = v.a + (v.b - v.a) * t;
            const int thick = std::max(1, cvRound(v.width * H));
            cv::line(veins, fixed(v.a.x / f.aspect * W, v.a.y * H), fixed(end.x / f.aspect * W, end.y * H),
                     cv::Scalar(1, 1, 1), thick, cv::LINE_AA, 4);
            if (front - v.to < 0.05f)
                cv::line(tips, fixed(v.a.x / f.aspect * W, v.a.y * H), fixed(end.x / f.aspect * W, end.y * H),
                         cv::Scalar(1), thick + 1, cv::LINE_AA, 4);
        }
        const cv::Mat3f halo = wideBlur(veins, 2.5 * f.scale + 0.5);
        const cv::Mat1f tipGlow = wideBlur(tips, 3.0 * f.scale + 0.5);
        cv::Mat3f out;
        img.convertTo(out, CV_32F);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const float a = std::min(1.0f, veins(y, x)[0]) * fade;
                const float h = std::min(1.0f, halo(y, x)[0]) * fade;
                cv::Vec3f c = out(y, x) * (1.0f - 0.25f * h);
                c = mix(c, cv::Vec3f(70, 30, 120), a * 0.9f);
                c += cv::Vec3f(40, 60, 200) * tipGlow(y, x) * fade;
                out(y, x) = c;
            }
        out.convertTo(img, CV_8U);
    }
    addNoise(img, 4.0f, 6000 + f.number);
    return img;
}

namespace {

// ---- kaleidoscope ----

struct FoldMap {
    cv::Mat1f u, v;  // folded coordinates in picture heights
};

const FoldMap& foldMap(cv::Size size, int wedges) {
    static std::mutex lock;
    static std::map<std::tuple<int, int, int>, FoldMap> maps;
    std::lock_guard<std::mutex> guard(lock);
    FoldMap& m = maps[{size.width, size.height, wedges}];
    if (m.u.empty()) {
        m.u.create(size);
        m.v.create(size);
        const float wedge = 3.14159265f / wedges;
        for (int y = 0; y < size.height; ++y)
            for (int x = 0; x < size.width; ++x) {
                const float dx = (x - 0.5f * size.width) / size.height, dy = (y - 0.5f * size.height) / size.height;
                const float r = std::hypot(dx, dy);
                float a = std::atan2(dy, dx);
                a = std::fmod(a + 2 * kTwoPi, 2 * wedge);
                if (a > wedge) a = 2 * wedge - a;  // mirror every other wedge
                m.u(y, x) = r * std::cos(a);
                m.v(y, x) = r * std::sin(a);
            }
    }
    return m;
}

}  // namespace

namespace {

// The kaleidoscope with its source turned by `turn` radians and slid by `slide` tiles.
cv::Mat3f kaleidoscope(const FoldMap& m, cv::Size work, const Palette& pal, float turn, float slide, float colour) {
    const NoiseBank& bank = NoiseBank::get();
    const float cs = std::cos(turn), sn = std::sin(turn);
    cv::Mat3f img(work);
    for (int y = 0; y < work.height; ++y)
        for (int x = 0; x < work.width; ++x) {
            const float u = m.u(y, x), v = m.v(y, x);
            const float ru = u * cs - v * sn, rv = u * sn + v * cs;
            const float a = sampleWrap(bank.fine, ru * 220 + S * slide, rv * 220);
            const float b = sampleWrap(bank.coarse, ru * 160, rv * 160 - S * slide);
            const float r = std::hypot(u, v);
            const float rings = 0.5f + 0.5f * std::cos(r * 60.0f - turn * 4);
            cv::Vec3f c = pal.at(fract(a * 2.0f + b + colour)) * (0.65f + 0.35f * rings);
            img(y, x) = c * (1.0f - smoothstep(0.45f, 0.75f, r) * 0.6f);
        }
    return img;
}

}  // namespace

cv::Mat3b renderOrnament(const FrameParams& f) {
    const cv::Size work = halfSize(f.size);
    const int wedges = f.variant == 0 ? 6 : 8;
    const FoldMap& m = foldMap(work, wedges);
    static const Palette palettes[2] = {
        {{40, 10, 20}, {150, 40, 60}, {60, 170, 230}, {230, 240, 250}, {120, 60, 200}, {40, 10, 20}},
        {{20, 30, 10}, {40, 140, 200}, {200, 120, 40}, {250, 230, 210}, {100, 30, 140}, {20, 30, 10}},
    };
    const Palette& pal = palettes[f.variant % 2];
    // These loops last one to three seconds: too short for whole turns or tiles to look
    // calm. The motion runs on past the loop's end instead, and the frame blends towards
    // where the motion was one loop earlier, so the last frame flows into the first.
    const float turnPerLoop = 0.35f, slidePerLoop = 0.12f, s = f.phase;
    const cv::Mat3f now = kaleidoscope(m, work, pal, turnPerLoop * s, slidePerLoop * s, 0.25f * s);
    const cv::Mat3f before = kaleidoscope(m, work, pal, turnPerLoop * (s - 1), slidePerLoop * (s - 1), 0.25f * (s - 1));
    cv::Mat3f blend = now * (1.0f - s) + before * s;
    cv::Mat3b img;
    blend.convertTo(img, CV_8U);
    return toSize(img, f.size);
}

cv::Mat3b renderArtwork(const FrameParams& f) {
    const cv::Size work = halfSize(f.size);
    const NoiseBank& bank = NoiseBank::get();
    const float s = f.phase;
    const int style = f.variant % 9;
    static const Palette palettes[9] = {
        {{235, 240, 245}, {60, 60, 70}, {30, 150, 200}, {240, 245, 250}},             // marble
        {{40, 20, 10}, {60, 60, 200}, {40, 200, 240}, {200, 120, 40}, {40, 20, 10}},   // stained glass
        {{60, 10, 10}, {200, 120, 30}, {250, 240, 200}, {120, 40, 140}},               // ripples
        {{30, 10, 5}, {100, 200, 60}, {200, 255, 160}, {180, 60, 160}},                // aurora
        {{210, 225, 230}, {150, 175, 190}, {60, 90, 120}},                             // contours
        {{245, 245, 240}, {40, 30, 30}},                                                // ink blot
        {{120, 20, 60}, {20, 160, 250}, {250, 250, 120}, {200, 60, 20}, {120, 20, 60}}, // plasma
        {{10, 10, 10}, {230, 230, 230}},                                                // rings
        {{80, 30, 20}, {40, 120, 230}, {230, 200, 120}, {80, 30, 20}},                 // stripes
    };
    const Palette& pal = palettes[style];
    const TileLayer wx{&bank.warpX, 160.0f / work.height, 160.0f / work.height, S * s, 0};
    const TileLayer wy{&bank.warpY, 160.0f / work.height, 160.0f / work.height, 0, -S * s};
    const CellField glass(5, 71, s, 1);
    cv::Mat1f field(work);
    for (int y = 0; y < work.height; ++y)
        for (int x = 0; x < work.width; ++x) {
            const float X = static_cast<float>(x) / work.height, Y = static_cast<float>(y) / work.height;
            const float A = f.aspect;
            float v = 0;
            switch (style) {
            case 0: {  // marble veins
                const float n = sampleWrap(bank.fine, X * 200 + (wx.at(x, y) - 0.5f) * 90, Y * 200 + (wy.at(x, y) - 0.5f) * 90);
                v = 0.5f + 0.5f * std::sin(X * 9 + n * 14 + kTwoPi * s);
                break;
            }
            case 1: {  // stained glass cells with lead lines
                const CellDistance c = glass.at(X * 0.6f, Y * 0.6f);
                const float edge = smoothstep(0.02f, 0.06f, c.f2 - c.f1);
                v = fract(c.f1 * 1.5f + s) * edge;
                break;
            }
            case 2: {  // interference of rings from three circling centres
                float sum = 0;
                for (int k = 0; k < 3; ++k) {
                    const float a = kTwoPi * (s + k / 3.0f);
                    const float cx = A * 0.5f + 0.3f * std::cos(a), cy = 0.5f + 0.25f * std::sin(a);
                    sum += std::sin(std::hypot(X - cx, Y - cy) * 50 - kTwoPi * 3 * s);
                }
                v = 0.5f + sum / 6.0f;
                break;
            }
            case 3: {  // aurora curtains over a dark sky
                const float curtain = X * 3 + (wx.at(x, y) - 0.5f) * 2.5f;
                const float fold = std::pow(0.5f + 0.5f * std::sin(curtain * 6 + kTwoPi * s), 4.0f);
                v = fold * smoothstep(0.95f, 0.2f, Y) * smoothstep(0.0f, 0.25f, Y) * 0.85f;
                break;
            }
            case 4: {  // contour lines of a drifting relief
                const float n = sampleWrap(bank.coarse, X * 150 + S * s, Y * 150);
                const float line = std::fabs(fract(n * 12) - 0.5f);
                v = 0.35f * n + (line > 0.44f ? 0.65f : 0.0f);
                break;
            }
            case 5: {  // an ink blot mirrored about the middle
                // Every lookup uses the mirrored x, so both halves match exactly.
                const float mx = std::fabs(X - A * 0.5f);
                const float mirrored = mx * work.height;
                const float n = sampleWrap(bank.fine, mx * 180 + (wx.at(mirrored, y) - 0.5f) * 60,
                                           Y * 180 + (wy.at(mirrored, y) - 0.5f) * 60);
                const float blob = n - 0.9f * std::hypot(mx * 1.4f, Y - 0.5f);
                v = smoothstep(0.22f, 0.26f, blob);
                break;
            }
            case 6: {  // plasma: sums of sines, each phase a whole number of turns per loop
                v = (std::sin(X * 10 + kTwoPi * s) + std::sin(Y * 12 - kTwoPi * 2 * s) +
                     std::sin((X + Y) * 7 + kTwoPi * s) + std::sin(std::hypot(X - A / 2, Y - 0.5f) * 16 - kTwoPi * 3 * s)) / 8 + 0.5f;
                v = fract(v * 2 + s);
                break;
            }
            case 7: {  // rings rushing out of a tunnel, cut into sectors
                const float dx = X - A * 0.5f, dy = Y - 0.5f;
                const float depth = 0.3f / std::max(0.02f, std::hypot(dx, dy));
                const float sector = std::atan2(dy, dx) / kTwoPi * 16;
                const bool check = (static_cast<int>(std::floor(depth * 4 - 4 * s)) + static_cast<int>(std::floor(sector))) % 2 == 0;
                v = (check ? 1.0f : 0.0f) * smoothstep(0.02f, 0.25f, std::hypot(dx, dy));
                break;
            }
            default: {  // stripes flowing along bent lines
                const float bend = (wx.at(x, y) - 0.5f) * 3 + (wy.at(x, y) - 0.5f) * 2;
                v = 0.5f + 0.5f * std::sin((X + Y * 0.5f) * 40 + bend * 6 - kTwoPi * 4 * s);
                break;
            }
            }
            field(y, x) = clamp01(v);
        }
    return toSize(applyPalette(field, pal), f.size);
}

}  // namespace vdata
