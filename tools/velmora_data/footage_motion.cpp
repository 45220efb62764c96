// Footage with a camera or a mechanism in motion: a night road, a lit tunnel, a running
// clock and a door opening onto bright light. Speeds are chosen so that every repeating
// feature passes a whole number of times per loop.
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>

#include "tools/velmora_data/footage.h"
#include "tools/velmora_data/procedural.h"

namespace vdata {

namespace {

// z modulo a period for positive z; much cheaper than fmod in per-pixel loops.
inline float repeat(float z, float period) { return z - period * std::floor(z / period); }

}  // namespace

cv::Mat3b renderRoad(const FrameParams& f) {
    const int W = f.size.width, H = f.size.height;
    // 25 frames a second at 20 m/s: a 1200-frame loop covers 960 m, a whole number of
    // dash cycles (12 m), posts (24 m) and lamps (48 m).
    const float travelled = f.phase * 960.0f;
    const float horizon = 0.42f * H, focal = 0.9f * H, camHeight = 1.3f, camX = 1.75f;
    auto screenX = [&](float x, float z) { return 0.5f * W + focal * (x - camX + 0.0004f * z * z) / z; };
    auto screenY = [&](float y, float z) { return horizon + focal * (camHeight - y) / z; };

    cv::Mat3b img(f.size);
    // Sky: dark, with the glow of a town on the horizon.
    for (int y = 0; y < H; ++y) {
        const float t = clamp01(static_cast<float>(y) / horizon);
        const cv::Vec3b c = toByte(mix(cv::Vec3f(22, 10, 6), cv::Vec3f(40, 46, 70), t * t));
        for (int x = 0; x < W; ++x) img(y, x) = c;
    }
    Rng rng(7070);
    for (int i = 0; i < 90; ++i) {  // distant lights
        const float x = rng.uniform() * W, y = horizon - rng.range(0.0f, 0.012f) * H;
        const float b = rng.range(80, 220);
        cv::circle(img, fixed(x, y), std::max(8, cvRound(f.scale * 16)), cv::Scalar(b * 0.5f, b * 0.8f, b), cv::FILLED,
                   cv::LINE_AA, 4);
    }
    // Ground, then the road lit by the headlights, falling off with distance.
    for (int y = static_cast<int>(horizon); y < H; ++y) {
        const float z = focal * camHeight / std::max(0.5f, y - horizon);
        const float light = 1.0f / (1.0f + (z / 28.0f) * (z / 28.0f));
        const float left = screenX(-3.6f, z), right = screenX(3.6f, z);
        for (int x = 0; x < W; ++x) {
            const bool onRoad = x >= left && x <= right;
            const float grain = sampleWrap(NoiseBank::get().fine, x * 3.0f, z * 25.0f + travelled * 25.0f);
            cv::Vec3f c = onRoad ? cv::Vec3f(46, 46, 50) * (0.1f + 0.9f * light) * (0.85f + 0.3f * grain)
                                 : cv::Vec3f(14, 22, 16) * (0.15f + 0.85f * light) * (0.8f + 0.4f * grain);
            img(y, x) = toByte(c + cv::Vec3f(4, 4, 5));
        }
    }
    auto quad = [&](float x0, float x1, float z0, float z1, cv::Scalar colour) {
        z0 = std::max(z0, 1.2f);
        if (z1 <= z0) return;
        const std::vector<cv::Point> pts = {fixed(screenX(x0, z0), screenY(0, z0)), fixed(screenX(x1, z0), screenY(0, z0)),
                                            fixed(screenX(x1, z1), screenY(0, z1)), fixed(screenX(x0, z1), screenY(0, z1))};
        cv::fillConvexPoly(img, pts, colour, cv::LINE_AA, 4);
    };
    auto lit = [](float z, float base) { return base / (1.0f + (z / 30.0f) * (z / 30.0f)) + 12; };
    // Edge lines and the dashed centre line.
    for (float z = 1.2f; z < 300; z *= 1.15f) {
        const float z1 = z * 1.15f, b = lit(z, 230);
        quad(-3.5f, -3.35f, z, z1, cv::Scalar(b, b, b));
        quad(3.35f, 3.5f, z, z1, cv::Scalar(b, b, b));
    }
    const float dash = std::fmod(travelled, 12.0f);
    for (int k = 0; k < 26; ++k) {
        const float z0 = k * 12.0f - dash, b = lit(z0, 240);
        quad(-0.08f, 0.08f, z0, z0 + 3.0f, cv::Scalar(b * 0.8f, b * 0.95f, b));
    }
    // Reflector posts and street lamps along the right-hand verge.
    const float post = std::fmod(travelled, 24.0f);
    for (int k = 0; k < 12; ++k) {
        const float z = k * 24.0f - post + 6;
        if (z < 2) continue;
        for (float side : {-4.6f, 4.6f}) {
            const float x = screenX(side, z), y0 = screenY(0, z), y1 = screenY(1.0f, z);
            const int thick = std::max(1, cvRound(0.12f * focal / z));
            cv::line(img, fixed(x, y0), fixed(x, y1), cv::Scalar(70, 70, 70) * (lit(z, 200) / 200.0f), thick, cv::LINE_AA, 4);
            cv::circle(img, fixed(x, y1), std::max(8, cvRound(0.08f * focal / z * 16)),
                       side > 0 ? cv::Scalar(30, 90, 255) : cv::Scalar(230, 230, 230), cv::FILLED, cv::LINE_AA, 4);
        }
    }
    cv::Mat3f glow(f.size, cv::Vec3f(0, 0, 0));
    const float lamp = std::fmod(travelled, 48.0f);
    for (int k = 0; k < 7; ++k) {
        const float z = k * 48.0f - lamp + 10;
        if (z < 3) continue;
        const float x = screenX(6.0f, z), top = screenY(8.0f, z), foot = screenY(0, z), arm = screenX(4.2f, z);
        const int thick = std::max(1, cvRound(0.2f * focal / z));
        cv::line(img, fixed(x, foot), fixed(x, top), cv::Scalar(28, 30, 32), thick, cv::LINE_AA, 4);
        cv::line(img, fixed(x, top), fixed(arm, top), cv::Scalar(28, 30, 32), thick, cv::LINE_AA, 4);
        cv::circle(glow, fixed(arm, top), std::max(16, cvRound(0.5f * focal / z * 16)), cv::Scalar(120, 200, 255),
                   cv::FILLED, cv::LINE_AA, 4);
        // The pool of light on the road under the lamp.
        cv::ellipse(glow, fixed(arm, screenY(0, z)), cv::Size(cvRound(2.6f * focal / z * 16), cvRound(0.5f * focal / z * 16 * 0.4f)),
                    0, 0, 360, cv::Scalar(20, 50, 80), cv::FILLED, cv::LINE_AA, 4);
    }
    const cv::Mat3f soft = wideBlur(glow, 6.0 * f.scale + 0.5);
    cv::Mat3f out;
    img.convertTo(out, CV_32F);
    out += glow * 0.6f + soft * 1.6f;
    out.convertTo(img, CV_8U);
    addNoise(img, 5.0f, 2000 + f.number);
    return img;
}

namespace {

// Per-pixel angle around the tunnel axis and inverse distance, for one frame size and
// sway; shared by all frames of that size (built once, then read-only).
struct TunnelMap {
    cv::Mat1f around, depth;
    cv::Mat1f fade, exit, glow;  // depth darkening, exit light, lamp glow: fixed per pixel
};

const TunnelMap& tunnelMap(cv::Size size) {
    static std::mutex lock;
    static std::map<std::pair<int, int>, TunnelMap> maps;
    std::lock_guard<std::mutex> guard(lock);
    TunnelMap& m = maps[{size.width, size.height}];
    if (m.around.empty()) {
        for (cv::Mat1f* mat : {&m.around, &m.depth, &m.fade, &m.exit, &m.glow}) mat->create(size);
        const float cx = 0.5f * size.width, cy = 0.46f * size.height, unit = 0.5f * size.height;
        for (int y = 0; y < size.height; ++y)
            for (int x = 0; x < size.width; ++x) {
                const float dx = (x - cx) / unit, dy = (y - cy) / unit;
                // A rounded-square section: walls, a vaulted roof and a flat road.
                const float r = std::pow(std::pow(std::fabs(dx) / 1.5f, 4.0f) + std::pow(std::fabs(dy), 4.0f), 0.25f);
                const float u = std::atan2(dy, dx) / kTwoPi + 0.5f, d = 3.0f / std::max(r, 1e-3f);
                m.around(y, x) = u;
                m.depth(y, x) = d;
                m.fade(y, x) = std::exp(-d * 0.03f);
                m.exit(y, x) = smoothstep(70.0f, 140.0f, d);
                m.glow(y, x) = std::exp(-(u - 0.25f) * (u - 0.25f) * 25.0f);
            }
    }
    return m;
}

}  // namespace

cv::Mat3b renderTunnel(const FrameParams& f) {
    const TunnelMap& map = tunnelMap(f.size);
    // 1000 frames at 24 a second, 720 m: whole numbers of 2 m panels, 6 m lamps, 8 m dashes.
    const float travelled = f.phase * 720.0f;
    cv::Mat3b img(f.size);
    for (int y = 0; y < f.size.height; ++y)
        for (int x = 0; x < f.size.width; ++x) {
            const float u = map.around(y, x);  // 0.75 the road, 0.25 the roof, 0 and 0.5 the walls
            const float d = map.depth(y, x);
            const float z = d + travelled;
            cv::Vec3f c;
            if (std::fabs(u - 0.75f) < 0.11f) {
                c = cv::Vec3f(34, 36, 38);
                if (std::fabs(u - 0.75f) < 0.004f && repeat(z, 8.0f) < 4.0f) c = cv::Vec3f(150, 200, 220);
            } else {
                // Wall panels with dark joints, lit by the lamps overhead.
                const float zz = repeat(z, 2.0f);
                const float joint = zz < 0.06f ? zz / 0.06f : (zz > 1.94f ? (2.0f - zz) / 0.06f : 1.0f);
                c = cv::Vec3f(52, 60, 66) * (0.6f + 0.4f * joint) + cv::Vec3f(10, 40, 80) * map.glow(y, x);
                if (std::fabs(u - 0.25f) < 0.025f && repeat(z, 6.0f) < 2.4f) c = cv::Vec3f(120, 215, 255);
                for (float side : {0.05f, 0.45f})
                    if (std::fabs(u - side) < 0.01f && repeat(z + 3.0f, 6.0f) < 0.6f) c = cv::Vec3f(255, 230, 200);
            }
            // Far away the tunnel darkens, then opens into the daylight of the exit.
            img(y, x) = toByte(mix(c * map.fade(y, x), cv::Vec3f(235, 245, 250), map.exit(y, x)));
        }
    const cv::Mat3b blurred = wideBlur(img, 4.0 * f.scale + 0.5);
    cv::addWeighted(img, 0.8, blurred, 0.35, 0, img);
    addNoise(img, 4.0f, 3000 + f.number);
    return img;
}

namespace {

void hand(cv::Mat3b& img, cv::Point2f centre, float angle, float length, float tail, float width, cv::Scalar colour) {
    const cv::Point2f dir(std::sin(angle), -std::cos(angle)), side(dir.y * -1, dir.x);
    const cv::Point2f tip = centre + dir * length, back = centre - dir * tail;
    const std::vector<cv::Point> pts = {fixed(back.x + side.x * width, back.y + side.y * width),
                                        fixed(tip.x + side.x * width * 0.3f, tip.y + side.y * width * 0.3f),
                                        fixed(tip.x - side.x * width * 0.3f, tip.y - side.y * width * 0.3f),
                                        fixed(back.x - side.x * width, back.y - side.y * width)};
    cv::fillConvexPoly(img, pts, colour, cv::LINE_AA, 4);
}

}  // namespace

cv::Mat3b renderClock(const FrameParams& f) {
    const int W = f.size.width, H = f.size.height;
    const cv::Point2f c(0.5f * W, 0.5f * H);
    const float R = 0.42f * H;
    // Wall, dial, marks and numerals do not move: drawn once per size.
    const cv::Mat& dial = cachedLayer("clock/" + std::to_string(W) + "x" + std::to_string(H), [&] {
        cv::Mat3b img(f.size);
        // A dim wall, lit from above the clock.
        const NoiseBank& bank = NoiseBank::get();
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const float d = std::hypot(x - c.x, y - c.y + 0.3f * H) / H;
                const float plaster = sampleWrap(bank.fine, x * 500.0f / H, y * 500.0f / H);
                img(y, x) = toByte(cv::Vec3f(40, 56, 70) * (1.3f - 0.9f * d) * (0.9f + 0.2f * plaster));
            }
        cv::Mat3b shadow(f.size, cv::Vec3b(0, 0, 0));
        cv::circle(shadow, fixed(c.x + 0.03f * R, c.y + 0.05f * R), cvRound(R * 1.04f * 16), cv::Scalar(255, 255, 255),
                   cv::FILLED, cv::LINE_AA, 4);
        shadow = wideBlur(shadow, 0.05 * R + 0.5);
        img -= shadow * 0.12;
        // Rim and face.
        cv::circle(img, fixed(c.x, c.y), cvRound(R * 1.06f * 16), cv::Scalar(40, 60, 75), cv::FILLED, cv::LINE_AA, 4);
        cv::circle(img, fixed(c.x, c.y), cvRound(R * 1.0f * 16), cv::Scalar(70, 110, 140), cv::FILLED, cv::LINE_AA, 4);
        for (int y = std::max(0, static_cast<int>(c.y - R)); y < std::min(H, static_cast<int>(c.y + R) + 1); ++y)
            for (int x = std::max(0, static_cast<int>(c.x - R)); x < std::min(W, static_cast<int>(c.x + R) + 1); ++x) {
                const float d = std::hypot(x - c.x, y - c.y) / R;
                if (d < 0.95f) img(y, x) = toByte(cv::Vec3f(218, 232, 240) * (1.0f - 0.18f * d * d));
            }
        // Minute and hour marks, numerals.
        const int thin = std::max(1, cvRound(0.006f * R)), thick = std::max(1, cvRound(0.025f * R));
        for (int m = 0; m < 60; ++m) {
            const float a = kTwoPi * m / 60.0f;
            const bool hour = m % 5 == 0;
            const float r0 = R * (hour ? 0.8f : 0.86f), r1 = R * 0.9f;
            cv::line(img, fixed(c.x + std::sin(a) * r0, c.y - std::cos(a) * r0),
                     fixed(c.x + std::sin(a) * r1, c.y - std::cos(a) * r1), cv::Scalar(30, 30, 30), hour ? thick : thin,
                     cv::LINE_AA, 4);
        }
        if (R > 40) {
            for (int h = 1; h <= 12; ++h) {
                const float a = kTwoPi * h / 12.0f;
                char text[4];
                std::snprintf(text, sizeof text, "%d", h);
                const double size = R / 160.0;
                const int weight = std::max(1, cvRound(R / 110));
                int base = 0;
                const cv::Size ts = cv::getTextSize(text, cv::FONT_HERSHEY_DUPLEX, size, weight, &base);
                const cv::Point at(cvRound(c.x + std::sin(a) * R * 0.66f - ts.width * 0.5f),
                                   cvRound(c.y - std::cos(a) * R * 0.66f + ts.height * 0.5f));
                cv::putText(img, text, at, cv::FONT_HERSHEY_DUPLEX, size, cv::Scalar(35, 35, 35), weight, cv::LINE_AA);
            }
        }
        return cv::Mat(img);
    });
    cv::Mat3b img = dial.clone();
    // Time-lapse hands: twelve hours per loop, so both hands come back to where they started.
    const float hours = 12.0f * f.phase;
    hand(img, c, kTwoPi * hours / 12.0f, R * 0.5f, R * 0.1f, R * 0.035f, cv::Scalar(25, 25, 25));
    hand(img, c, kTwoPi * hours, R * 0.78f, R * 0.14f, R * 0.025f, cv::Scalar(25, 25, 25));
    hand(img, c, kTwoPi * hours * 5.0f, R * 0.84f, R * 0.2f, R * 0.008f, cv::Scalar(30, 40, 190));
    cv::circle(img, fixed(c.x, c.y), cvRound(R * 0.04f * 16), cv::Scalar(30, 40, 170), cv::FILLED, cv::LINE_AA, 4);
    // A soft reflection on the glass.
    const cv::Mat& glass = cachedLayer("clock-glass/" + std::to_string(W) + "x" + std::to_string(H), [&] {
        cv::Mat3b g(f.size, cv::Vec3b(0, 0, 0));
        cv::ellipse(g, fixed(c.x - 0.3f * R, c.y - 0.4f * R), cv::Size(cvRound(0.5f * R * 16), cvRound(0.25f * R * 16)), -35, 0,
                    360, cv::Scalar(255, 255, 255), cv::FILLED, cv::LINE_AA, 4);
        return cv::Mat(wideBlur(g, 0.15 * R + 0.5) * 0.18);
    });
    img += glass;
    addNoise(img, 4.0f, 4000 + f.number);
    return img;
}

cv::Mat3b renderDoor(const FrameParams& f) {
    const int W = f.size.width, H = f.size.height;
    const int n = f.number;
    // Opens over frames 1..200, stands open to 260, swings shut by 299 (the loop's end).
    float open;
    if (n <= 200)
        open = smoothstep(0.0f, 1.0f, (n - 1) / 199.0f);
    else if (n <= 260)
        open = 1.0f;
    else
        open = smoothstep(0.0f, 1.0f, (299.0f - n) / 39.0f);
    const float angle = open * 1.75f;  // about 100 degrees

    const float left = 0.3f * W, right = 0.74f * W, top = 0.16f * H, floorY = 0.86f * H;
    cv::Mat3f img(f.size);
    const NoiseBank& bank = NoiseBank::get();
    // A dark room: wall above the floor, the floor boards below.
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const float t = sampleWrap(bank.fine, x * 400.0f / H, y * 400.0f / H);
            if (y < floorY)
                img(y, x) = cv::Vec3f(44, 40, 38) * (0.85f + 0.3f * t);
            else
                img(y, x) = cv::Vec3f(20, 28, 36) * (0.8f + 0.4f * sampleWrap(bank.fine, x * 60.0f / H, y * 900.0f / H));
        }
    // Daylight beyond the doorway.
    for (int y = static_cast<int>(top); y < static_cast<int>(floorY); ++y)
        for (int x = static_cast<int>(left); x < static_cast<int>(right); ++x) {
            const float g = (y - top) / (floorY - top);
            img(y, x) = mix(cv::Vec3f(255, 250, 245), cv::Vec3f(200, 225, 240), g);
        }
    // Light thrown onto the floor through the opening, and its glow.
    cv::Mat3f light(f.size, cv::Vec3f(0, 0, 0));
    const float edgeX = left + (right - left) * std::cos(angle);
    const float swing = std::sin(angle);
    if (open > 0.001f) {
        const float gapLeft = std::max(left, edgeX);
        const std::vector<cv::Point> pool = {fixed(gapLeft, floorY), fixed(right, floorY), fixed(right + 0.25f * W, H * 1.0f),
                                             fixed(gapLeft - 0.1f * W * (1 - open), H * 1.0f)};
        cv::fillConvexPoly(light, pool, cv::Scalar(120, 150, 170) * open, cv::LINE_AA, 4);
        cv::rectangle(light, fixed(gapLeft, top), fixed(right, floorY), cv::Scalar(90, 110, 120) * open, cv::FILLED, cv::LINE_AA, 4);
    }
    // The door leaf, hinged on the left, swinging towards us: its free edge grows taller.
    const float grow = 0.12f * swing * (right - left) / H;
    const float edgeTop = top - grow * H * 0.6f, edgeBottom = floorY + grow * H;
    const std::vector<cv::Point> leaf = {fixed(left, top), fixed(edgeX, edgeTop), fixed(edgeX, edgeBottom), fixed(left, floorY)};
    const float shade = 0.9f - 0.55f * swing;
    cv::fillConvexPoly(img, leaf, cv::Scalar(40, 62, 96) * shade, cv::LINE_AA, 4);
    // Panels on the leaf, in the leaf's own perspective.
    auto onLeaf = [&](float u, float v) {
        const float x = left + (edgeX - left) * u;
        const float t = top + (edgeTop - top) * u, b = floorY + (edgeBottom - floorY) * u;
        return fixed(x, t + (b - t) * v);
    };
    for (float v0 : {0.08f, 0.55f}) {
        const std::vector<cv::Point> panel = {onLeaf(0.15f, v0), onLeaf(0.85f, v0), onLeaf(0.85f, v0 + 0.37f), onLeaf(0.15f, v0 + 0.37f)};
        cv::polylines(img, std::vector<std::vector<cv::Point>>{panel}, true, cv::Scalar(24, 38, 60) * shade,
                      std::max(1, cvRound(3 * f.scale)), cv::LINE_AA, 4);
    }
    cv::circle(img, onLeaf(0.88f, 0.52f), std::max(16, cvRound(5 * f.scale * 16)), cv::Scalar(90, 160, 200) * shade, cv::FILLED,
               cv::LINE_AA, 4);
    // Frame around the doorway.
    cv::rectangle(img, fixed(left, top), fixed(right, floorY), cv::Scalar(30, 34, 40), std::max(1, cvRound(8 * f.scale)),
                  cv::LINE_AA, 4);
    const cv::Mat3f soft = wideBlur(light, 14.0 * f.scale + 0.5);
    img += soft * 0.9f;
    cv::Mat3b out;
    img.convertTo(out, CV_8U);
    addNoise(out, 5.0f, 5000 + f.number);
    return out;
}

}  // namespace vdata
