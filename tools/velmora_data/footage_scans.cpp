// Scan footage: CT and MRI slices through the head phantom, and a chest x-ray.
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdio>

#include "tools/velmora_data/footage.h"
#include "tools/velmora_data/head_phantom.h"
#include "tools/velmora_data/procedural.h"

namespace vdata {

namespace {

// MRI magnitude noise: the background is not black but a faint speckle.
void mriNoise(cv::Mat1f& img, float sigma, uint32_t seed) {
    for (int y = 0; y < img.rows; ++y) {
        float* row = img.ptr<float>(y);
        for (int x = 0; x < img.cols; ++x) {
            const float a = row[x] + sigma * (unitFromHash(hash32(seed, x, y)) - 0.5f) * 2.0f;
            const float b = sigma * (unitFromHash(hash32(seed + 1, x, y)) - 0.5f) * 2.0f;
            row[x] = std::sqrt(a * a + b * b);
        }
    }
}

// Fills a slice: toHead maps a picture pixel to head coordinates. Like a scanner's
// reconstruction matrix the slice is computed at half the picture's size (with the MRI's
// speckle at that size) and shown scaled up. Tissue gets a faint texture so it does not
// look flat.
template <class ToHead>
cv::Mat1f slice(cv::Size size, ToHead toHead, float (*contrast)(Tissue), float texture, float speckle, uint32_t seed) {
    const cv::Size work = halfSize(size);
    const float sx = static_cast<float>(size.width) / work.width, sy = static_cast<float>(size.height) / work.height;
    cv::Mat1f matrix(work, 0.0f);
    for (int py = 0; py < work.height; ++py) {
        float* row = matrix.ptr<float>(py);
        for (int px = 0; px < work.width; ++px) {
            float x, y, z;
            toHead((px + 0.5f) * sx, (py + 0.5f) * sy, x, y, z);
            if (std::fabs(x) > 0.8f || std::fabs(y) > 1.1f || std::fabs(z) > 1.05f) continue;
            const Tissue t = headTissue(x, y, z);
            if (t == Tissue::Air) continue;
            const float grain = valueNoise3(x * 40, y * 40, z * 40, 5) - 0.5f;
            row[px] = contrast(t) * (1.0f + texture * grain);
        }
    }
    if (speckle > 0) mriNoise(matrix, speckle, seed);
    cv::Mat1f out;
    cv::resize(matrix, out, size, 0, 0, cv::INTER_LINEAR);
    return out;
}

cv::Mat3b toGrey(const cv::Mat1f& img, float gain) {
    cv::Mat1b grey;
    img.convertTo(grey, CV_8U, 255.0 * gain);
    cv::Mat3b out;
    cv::cvtColor(grey, out, cv::COLOR_GRAY2BGR);
    return out;
}

// Scanner annotations in the corners; too small to draw in the tiny pack.
void label(cv::Mat3b& img, const char* text, float x, float y, float scale, int grey = 200) {
    if (scale < 0.5f) return;
    cv::putText(img, text, cv::Point(static_cast<int>(x), static_cast<int>(y)), cv::FONT_HERSHEY_PLAIN,
                1.1 * scale, cv::Scalar(grey, grey, grey), 1, cv::LINE_AA);
}

}  // namespace

cv::Mat3b renderCtHead(const FrameParams& f) {
    // Down from the crown to the skull base and back up, smoothly, once per loop.
    const float z = 0.29f + 0.66f * std::cos(kTwoPi * f.phase);
    const float h = static_cast<float>(f.size.height), w = static_cast<float>(f.size.width);
    const float radius = 0.4f * h;
    cv::Mat1f img = slice(
        f.size,
        [&](float px, float py, float& x, float& y, float& zz) {
            x = (px - 0.5f * w) / radius;
            y = (py - 0.5f * h) / radius;
            zz = z;
        },
        ctBrain, 0.06f, 0.0f, 0);
    // The scanner table under the back of the head.
    cv::Mat1b table(f.size, uchar(0));
    const cv::Point centre(static_cast<int>(0.5f * w), static_cast<int>(0.5f * h + 1.6f * radius));
    const cv::Size axes(static_cast<int>(1.6f * radius), static_cast<int>(0.5f * radius));
    cv::ellipse(table, centre, axes, 0, 200, 340, cv::Scalar(255), std::max(1, static_cast<int>(0.03f * radius)),
                cv::LINE_AA);
    cv::Mat1f tableF;
    table.convertTo(tableF, CV_32F, 0.55 / 255.0);
    img += tableF;
    cv::Mat3b out = toGrey(img, 0.95f);
    addNoise(out, 10.0f, 900 + f.number);
    char text[64];
    label(out, "VELMORA CT  HEAD", 8 * f.scale, 18 * f.scale, f.scale);
    label(out, "W 80  L 40", 8 * f.scale, h - 10 * f.scale, f.scale);
    std::snprintf(text, sizeof text, "Z %+.1f mm", z * 95.0f);
    label(out, text, w - 110 * f.scale, 18 * f.scale, f.scale);
    std::snprintf(text, sizeof text, "IM %d", f.number);
    label(out, text, w - 70 * f.scale, h - 10 * f.scale, f.scale);
    return out;
}

cv::Mat3b renderMriAxial(const FrameParams& f) {
    // Crown to skull base and back; the loop starts and ends just above the head.
    const float z = 0.3f + 0.68f * std::cos(kTwoPi * f.phase);
    const float h = static_cast<float>(f.size.height), w = static_cast<float>(f.size.width);
    const float radius = 0.44f * h;
    cv::Mat1f img = slice(
        f.size,
        [&](float px, float py, float& x, float& y, float& zz) {
            x = (px - 0.5f * w) / radius;
            y = (py - 0.5f * h) / radius;
            zz = z;
        },
        mriT1, 0.1f, 0.035f, 700);
    cv::Mat3b out = toGrey(img, 1.0f);
    char text[64];
    label(out, "VELMORA MR 1.5T", 12 * f.scale, 22 * f.scale, f.scale);
    label(out, "T1 SE  AX", 12 * f.scale, 40 * f.scale, f.scale);
    std::snprintf(text, sizeof text, "SL %d / %d", f.number, 199);
    label(out, text, 12 * f.scale, 58 * f.scale, f.scale);
    label(out, "TR 540  TE 12", w - 150 * f.scale, 22 * f.scale, f.scale);
    std::snprintf(text, sizeof text, "POS %+.1f", z * 95.0f);
    label(out, text, w - 150 * f.scale, 40 * f.scale, f.scale);
    label(out, "R", w * 0.5f - radius - 40 * f.scale, h * 0.5f, f.scale, 230);
    label(out, "L", w * 0.5f + radius + 28 * f.scale, h * 0.5f, f.scale, 230);
    return out;
}

cv::Mat3b renderMriSagittal(const FrameParams& f) {
    // The scene shows only the window x 0.31..0.73, y 0.05..0.8 of this picture, so the
    // head sits in it; the slice sweeps across the brain and back (further out only the
    // skull would show).
    const float x = -0.35f * std::cos(kTwoPi * f.phase);
    const float h = static_cast<float>(f.size.height), w = static_cast<float>(f.size.width);
    // The scene also zooms in by up to 1.57, so the head keeps a margin in its window.
    const float cx = 0.52f * w, cy = 0.425f * h, radius = 0.27f * h;
    cv::Mat1f img = slice(
        f.size,
        [&](float px, float py, float& xx, float& y, float& z) {
            xx = x;
            y = (px - cx) / radius;
            z = -(py - cy) / radius;
        },
        mriT1, 0.1f, 0.035f, 710);
    cv::Mat3b out = toGrey(img, 1.0f);
    char text[64];
    label(out, "T1 SAG", 0.32f * w, 0.09f * h, f.scale);
    std::snprintf(text, sizeof text, "SL %+.1f", x * 70.0f);
    label(out, text, 0.63f * w, 0.09f * h, f.scale);
    return out;
}

namespace {

// An x-ray is a sum of densities along the ray: shapes are drawn as antialiased masks
// and accumulated with their own softness.
struct Film {
    cv::Mat1f density;
    float unit;  // pixels per display unit (the picture's height)
    explicit Film(cv::Size size) : density(size, 0.0f), unit(static_cast<float>(size.height)) {}
    cv::Point p(float x, float y) const {
        return {static_cast<int>(std::lround(x * unit * 16)), static_cast<int>(std::lround(y * unit * 16))};
    }
    template <class Draw>
    void add(float value, float blur, Draw draw) {
        cv::Mat1b mask(density.size(), uchar(0));
        draw(mask);
        // Only the shape's neighbourhood is blurred and added: most shapes are small.
        const int margin = static_cast<int>(std::ceil(3 * blur * unit)) + 1;
        cv::Rect box = cv::boundingRect(mask);
        box.x -= margin;
        box.y -= margin;
        box.width += 2 * margin;
        box.height += 2 * margin;
        box &= cv::Rect(0, 0, mask.cols, mask.rows);
        if (box.empty()) return;
        cv::Mat1f m;
        mask(box).convertTo(m, CV_32F, value / 255.0);
        if (blur > 0) cv::GaussianBlur(m, m, cv::Size(0, 0), blur * unit);
        density(box) += m;
    }
    void polyline(const std::vector<cv::Point>& pts, float thickness, float value, float blur) {
        add(value, blur, [&](cv::Mat1b& m) {
            cv::polylines(m, std::vector<std::vector<cv::Point>>{pts}, false, cv::Scalar(255),
                          std::max(1, static_cast<int>(thickness * unit)), cv::LINE_AA, 4);
        });
    }
    void ellipse(float x, float y, float ax, float ay, float angle, float value, float blur) {
        add(value, blur, [&](cv::Mat1b& m) {
            cv::ellipse(m, p(x, y), cv::Size(static_cast<int>(ax * unit * 16), static_cast<int>(ay * unit * 16)),
                        angle, 0, 360, cv::Scalar(255), cv::FILLED, cv::LINE_AA, 4);
        });
    }
};

}  // namespace

cv::Mat3b renderXRay(const FrameParams& f) {
    Film film(f.size);
    const float mid = f.aspect * 0.5f;
    Rng rng(4242);
    // Soft tissue of the torso, neck and shoulders.
    film.add(0.34f, 0.012f, [&](cv::Mat1b& m) {
        std::vector<cv::Point> body = {film.p(mid - 0.12f, -0.05f), film.p(mid + 0.12f, -0.05f),
                                       film.p(mid + 0.13f, 0.06f),  film.p(mid + 0.62f, 0.1f),
                                       film.p(mid + 0.72f, 0.22f), film.p(mid + 0.6f, 1.1f),
                                       film.p(mid - 0.6f, 1.1f),   film.p(mid - 0.72f, 0.22f),
                                       film.p(mid - 0.62f, 0.1f),  film.p(mid - 0.13f, 0.06f)};
        cv::fillPoly(m, std::vector<std::vector<cv::Point>>{body}, cv::Scalar(255), cv::LINE_AA, 4);
    });
    // Lungs: air removes density.
    film.ellipse(mid - 0.25f, 0.5f, 0.2f, 0.34f, 4, -0.24f, 0.025f);
    film.ellipse(mid + 0.24f, 0.52f, 0.19f, 0.33f, -4, -0.24f, 0.025f);
    film.ellipse(mid, 0.55f, 0.08f, 0.5f, 0, 0.1f, 0.02f);  // mediastinum
    // Vessels fanning out from each hilum.
    for (int side = -1; side <= 1; side += 2) {
        for (int i = 0; i < 40; ++i) {
            float x = mid + side * 0.1f, y = 0.44f + rng.range(-0.04f, 0.04f);
            float angle = rng.range(-1.3f, 1.3f);
            std::vector<cv::Point> pts = {film.p(x, y)};
            const float length = rng.range(0.12f, 0.28f);
            for (int k = 0; k < 8; ++k) {
                angle += rng.range(-0.25f, 0.25f);
                x += side * std::cos(angle) * length / 8;
                y += std::sin(angle) * length / 8;
                pts.push_back(film.p(x, y));
            }
            film.polyline(pts, 0.005f, 0.035f, 0.004f);
        }
    }
    // Heart and aortic knob.
    film.ellipse(mid + 0.08f, 0.68f, 0.2f, 0.15f, -20, 0.12f, 0.02f);
    film.ellipse(mid + 0.1f, 0.32f, 0.05f, 0.045f, 0, 0.1f, 0.006f);
    // Spine: vertebral bodies down the middle.
    for (float y = 0.0f; y < 1.05f; y += 0.062f)
        film.add(0.1f, 0.004f, [&](cv::Mat1b& m) {
            cv::rectangle(m, film.p(mid - 0.035f, y), film.p(mid + 0.035f, y + 0.05f), cv::Scalar(255), cv::FILLED,
                          cv::LINE_AA, 4);
        });
    // Ribs: back ribs run out and curve down, front ribs return lower and fainter.
    for (int side = -1; side <= 1; side += 2) {
        for (int i = 0; i < 10; ++i) {
            const float y0 = 0.13f + i * 0.075f;
            const float reach = 0.42f * (0.55f + 0.45f * std::sin(3.14159f * (i + 1.5f) / 12.0f));
            std::vector<cv::Point> back, front;
            float ex = 0, ey = 0;
            for (int k = 0; k <= 16; ++k) {
                const float t = k / 16.0f;
                ex = mid + side * (0.04f + reach * std::sin(t * 1.5708f));
                ey = y0 - 0.035f * std::sin(t * 3.14159f) + 0.1f * t * t;
                back.push_back(film.p(ex, ey));
            }
            for (int k = 0; k <= 12; ++k) {
                const float t = k / 12.0f;
                front.push_back(film.p(ex - side * 0.26f * t, ey + 0.02f + 0.09f * t - 0.05f * t * t));
            }
            film.polyline(back, 0.014f, 0.11f, 0.003f);
            film.polyline(front, 0.012f, 0.05f, 0.004f);
        }
        // Collarbone, shoulder blade and the head of the upper arm bone.
        std::vector<cv::Point> clavicle;
        for (int k = 0; k <= 12; ++k) {
            const float t = k / 12.0f;
            clavicle.push_back(film.p(mid + side * (0.06f + 0.4f * t), 0.14f - 0.05f * t + 0.015f * std::sin(t * 6.283f)));
        }
        film.polyline(clavicle, 0.028f, 0.22f, 0.002f);
        film.add(0.06f, 0.01f, [&](cv::Mat1b& m) {
            std::vector<cv::Point> blade = {film.p(mid + side * 0.36f, 0.16f), film.p(mid + side * 0.58f, 0.17f),
                                            film.p(mid + side * 0.45f, 0.5f)};
            cv::fillPoly(m, std::vector<std::vector<cv::Point>>{blade}, cv::Scalar(255), cv::LINE_AA, 4);
        });
        film.ellipse(mid + side * 0.6f, 0.15f, 0.065f, 0.065f, 0, 0.24f, 0.003f);
        film.add(0.2f, 0.003f, [&](cv::Mat1b& m) {
            cv::line(m, film.p(mid + side * 0.63f, 0.18f), film.p(mid + side * 0.69f, 1.1f), cv::Scalar(255),
                     std::max(1, static_cast<int>(0.07f * film.unit)), cv::LINE_AA, 4);
        });
    }
    // Uneven tissue thickness shows as a faint mottle.
    cv::Mat1f mottle;
    const NoiseBank& bank = NoiseBank::get();
    cv::resize(bank.coarse, mottle, f.size, 0, 0, cv::INTER_LINEAR);
    cv::Mat1f img = film.density + 0.04f + (mottle - 0.5f) * 0.05f;
    cv::GaussianBlur(img, img, cv::Size(0, 0), 1.0 * f.scale + 0.3);
    cv::pow(cv::max(img, 0.0f), 0.85, img);
    cv::Mat3b out = toGrey(img, 1.15f);
    // A cold tint of the film base.
    out.forEach([](cv::Vec3b& p, const int*) { p[0] = cv::saturate_cast<uchar>(p[0] + 6); });
    vignette(out, 0.35f);
    addNoise(out, 8.0f, 77);
    if (f.scale >= 0.5f)
        cv::putText(out, "R", cv::Point(static_cast<int>(0.05f * film.unit), static_cast<int>(0.12f * film.unit)),
                    cv::FONT_HERSHEY_SIMPLEX, 2.2 * f.scale, cv::Scalar(235, 235, 235), 3, cv::LINE_AA);
    return out;
}

}  // namespace vdata
